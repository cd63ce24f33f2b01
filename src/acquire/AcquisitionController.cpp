#include "acquire/AcquisitionController.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <ctime>

#include "acquire/TickClock.h"
#include "common/FixedAnswerDialogs.h"
#include "csv/AutoSaveCsv.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"

namespace vmf {

namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

// A panel built without a device library (some tests, a broken start-up)
// still gets a controller; every device call then simply fails.
class NoDevices : public DeviceLibrary {
public:
    int DevOpen(DeviceNumber) override { return 0; }
    int DevGetInfoText1(DeviceNumber, char*, int) override { return -1; }
    int DevGetInfoText2(DeviceNumber, char*, int) override { return -1; }
    int DevGetKind(DeviceNumber) override { return -1; }
    int DevGetSerial(DeviceNumber, char*, int) override { return -1; }
    int DevSetSerial(DeviceNumber, const char*, int) override { return -1; }
    int DevGetCoefficients(DeviceNumber, double*) override { return -1; }
    int DevSetCoefficients(DeviceNumber, const double*) override { return -1; }
    int DevGetExposure(DeviceNumber, double*) override { return -1; }
    int DevSetExposure(DeviceNumber, double) override { return -1; }
    int DevReadSpectrum(HeadSlot, int16_t*) override { return -1; }
    int DevGetTemperature(DeviceNumber, int16_t*) override { return -1; }
    int DevWrite(DeviceNumber, const uint8_t*, int) override { return -1; }
    int DevRead(DeviceNumber, uint8_t*, int) override { return -1; }
    int DevClose(DeviceNumber) override { return -1; }
    int DevSetMirrorPosition(DeviceNumber, uint16_t) override { return -1; }
};

DeviceLibrary& DevicesOf(const Cvarnello_mfView& view, std::unique_ptr<DeviceLibrary>& fallback) {
    if (view.context().devices) return *view.context().devices;
    fallback = std::make_unique<NoDevices>();
    return *fallback;
}

UserDialogs& DialogsOf(const Cvarnello_mfView& view, std::unique_ptr<UserDialogs>& fallback) {
    if (view.context().dialogs) return *view.context().dialogs;
    fallback = std::make_unique<FixedAnswerDialogs>(false);  // nothing proceeds unasked
    return *fallback;
}

QTimer* MakeTimer(QObject* parent) {
    auto* t = new QTimer(parent);
    t->setSingleShot(true);
    return t;
}

}  // namespace

AcquisitionController::AcquisitionController(Cvarnello_mfView& view)
    : QObject(&view),
      view_(view),
      ctx_{view.doc(),
           DevicesOf(view, noDevices_),
           DialogsOf(view, noDialogs_),
           view.options(),
           view.workspace(),
           view.state().headDevice,
           view.state().selectedHead,
           view.state().displayedRecord,
           view.state().method,
           view.state().detected,
           view.state().measuring,
           view.state().darkInProgress,
           view.state().selectedOnly,
           view.context().busy ? view.context().busy : &ownBusy_,
           view.context().journal},
      cycle_(ctx_, *this, WorkerMode::Threaded),
      options_(ctx_, *this, cycle_),
      dark_(ctx_, *this, cycle_, WorkerMode::Threaded),
      registration_(ctx_, *this, cycle_),
      dispatch_([this](int id) { StopTimer(id); }),
      cycleTimer_(MakeTimer(this)),
      darkStepTimer_(MakeTimer(this)),
      darkEndTimer_(MakeTimer(this)),
      clock_(SteadyTickMs) {
    dispatch_.Set(kTimerCycle, [this](uint32_t now) { cycle_.OnTimer(now); });
    dispatch_.Set(kTimerDarkStep, [this](uint32_t now) { dark_.OnStepTimer(now); });
    dispatch_.Set(kTimerDarkEnd, [this](uint32_t) { dark_.OnEndTimer(); });
    connect(cycleTimer_, &QTimer::timeout, this, [this] { FireTimer(kTimerCycle); });
    connect(darkStepTimer_, &QTimer::timeout, this, [this] { FireTimer(kTimerDarkStep); });
    connect(darkEndTimer_, &QTimer::timeout, this, [this] { FireTimer(kTimerDarkEnd); });
    // The worker's completion wakes this thread with a queued event, which
    // hands the cycle over at once. Posted from the worker's thread; it
    // touches nothing of the panel there. Events still queued when this
    // object goes are dropped with it, and cycle_ joins its worker first.
    // Queued by the method's name, so the event is Qt's own from end to end:
    // a functor would be allocated by the worker and freed by this thread
    // through Qt's event queue, a hand-over the thread checker cannot see.
    cycle_.SetCycleDoneNotifier(
        [this] { QMetaObject::invokeMethod(this, "OnWorkerDone", Qt::QueuedConnection); });
    Connect();
}

void AcquisitionController::OnWorkerDone() { cycle_.OnCycleDone(clock_()); }

AcquisitionController::~AcquisitionController() {
    cycleTimer_->stop();
    darkStepTimer_->stop();
    darkEndTimer_->stop();
    // cycle_ and dark_ join their workers as they go.
}

bool AcquisitionController::darkInProgress() const { return ctx_.darkInProgress; }

void AcquisitionController::SetWorkerMode(WorkerMode mode) {
    cycle_.SetWorkerMode(mode);
    dark_.SetWorkerMode(mode);
}

void AcquisitionController::Connect() {
    auto button = [this](int id) { return qobject_cast<QAbstractButton*>(view_.Control(id)); };
    auto onClick = [&](int id, auto&& handler) {
        if (QAbstractButton* b = button(id)) connect(b, &QAbstractButton::clicked, this, handler);
    };
    // Measuring, dark measurement and registration write into the store,
    // which file work may be reading or about to replace: they wait for it.
    auto unlessFileWork = [this](auto handler) {
        return [this, handler] {
            if (!view_.RefuseDuringFileWork()) handler();
        };
    };
    onClick(ctl::Start, unlessFileWork([this] { cycle_.OnStartStopButton(clock_()); }));
    onClick(ctl::OneShot, unlessFileWork([this] { cycle_.OnOneShot(clock_()); }));
    onClick(ctl::LightSource, [this] { options_.OnModeButton(MeasuringMethod::LightSource); });
    onClick(ctl::Reflectance, [this] { options_.OnModeButton(MeasuringMethod::Reflectance); });
    onClick(ctl::Transmittance, [this] { options_.OnModeButton(MeasuringMethod::Transmittance); });
    onClick(ctl::Logging, [this](bool checked) { options_.OnLogging(checked); });
    onClick(ctl::Interval, [this] { options_.OnInterval(); });
    onClick(ctl::Sensitivity, [this] { options_.OnSensitivity(); });
    onClick(ctl::SelectedOnly, [this](bool checked) { options_.OnSelectedOnly(checked); });
    onClick(ctl::DarkMeasure, unlessFileWork([this] { dark_.OnButton(); }));
    onClick(ctl::White, unlessFileWork([this] { registration_.OnRegister(ReferenceKind::White); }));
    onClick(ctl::Transmission100,
            unlessFileWork([this] { registration_.OnRegister(ReferenceKind::Transmission100); }));
    onClick(ctl::DarkReset, unlessFileWork([this] { registration_.OnRegisterDark(); }));
}

QTimer* AcquisitionController::TimerFor(int id) const {
    switch (id) {
        case kTimerCycle:
            return cycleTimer_;
        case kTimerDarkStep:
            return darkStepTimer_;
        case kTimerDarkEnd:
            return darkEndTimer_;
        default:
            return nullptr;
    }
}

bool AcquisitionController::TimerActive(int id) const {
    const QTimer* t = TimerFor(id);
    return t && t->isActive();
}

void AcquisitionController::FireTimer(int id) { dispatch_.Fire(id, clock_()); }

// --- AcquisitionHost ------------------------------------------------------------

void AcquisitionController::ShowMessage(const std::string& line1, const std::string& line2) {
    view_.ShowMessage(Q(line1), Q(line2));
}

void AcquisitionController::ShowInfo(const std::string& text) { view_.ShowInfo(Q(text)); }

void AcquisitionController::DrawGraph() { view_.DrawGraph(); }

void AcquisitionController::UpdateInfoBar(int head) { view_.UpdateInfoBar(head); }

void AcquisitionController::ReprocessDisplayed() { view_.ReprocessDisplayed(); }

void AcquisitionController::ShowPosition() { view_.ShowPosition(); }

void AcquisitionController::ShowRecordCount() { view_.ShowRecordCount(); }

void AcquisitionController::ApplyControls(const ControlEnable* items, int count) {
    for (int i = 0; i < count; ++i)
        if (QWidget* w = view_.Control(items[i].id)) w->setEnabled(items[i].enabled);
}

void AcquisitionController::ApplyModeDisplay(const ModeDisplayState& state) {
    const int radios[3] = {ctl::LightSource, ctl::Reflectance, ctl::Transmittance};
    for (int i = 0; i < 3; ++i)
        if (auto* r = qobject_cast<QRadioButton*>(view_.Control(radios[i]))) {
            if (state.checked[i]) r->setChecked(true);  // the group unmarks the others
        }
    ApplyControls(state.enable.data(), static_cast<int>(state.enable.size()));
}

void AcquisitionController::EnableControl(int id, bool enabled) {
    if (QWidget* w = view_.Control(id)) w->setEnabled(enabled);
}

void AcquisitionController::SetStartCaption(const std::string& caption) {
    if (auto* b = qobject_cast<QPushButton*>(view_.Control(ctl::Start))) b->setText(Q(caption));
}

std::string AcquisitionController::EditText(int id) {
    auto* edit = qobject_cast<QLineEdit*>(view_.Control(id));
    return edit ? edit->text().toStdString() : std::string();
}

void AcquisitionController::StartTimer(int id, int ms) {
    if (QTimer* t = TimerFor(id)) t->start(ms < 0 ? 0 : ms);
}

void AcquisitionController::StopTimer(int id) {
    if (QTimer* t = TimerFor(id)) t->stop();
}

void AcquisitionController::AutoSaveCsv() {
    Cvarnello_mfDoc& doc = view_.doc();
    const int head = csvHead >= 0 && csvHead < MAX_HEADS ? csvHead : 0;
    const AutoSaveResult result =
        vmf::AutoSaveCsv(doc, view_.workspace(), view_.options(), ctx_.Processing(), head,
                         doc.recordCount[head], std::time(nullptr));
    if (auto notice = autoSave_.OnResult(result.ok, result.path)) {
        view_.ShowMessage(Q(*notice));
        emit view_.statusText(Q(*notice));
    }
}

}  // namespace vmf
