#include "maintenance/CSettingDlg.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "acquire/ReadAveragedSpectrum.h"
#include "common/UserDialogs.h"
#include "device/CalibrationProtocol.h"
#include "maintenance/CalibrationCsvFile.h"
#include "maintenance/CalibrationEdits.h"
#include "maintenance/CalibrationTableText.h"
#include "maintenance/CalibrationUpload.h"
#include "maintenance/MaintenanceTexts.h"
#include "panel/Cvarnello_mfView.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {

template <class W>
W* Tagged(W* w, int id) {
    w->setProperty("ctrlId", id);
    return w;
}

QPushButton* Button(const char* caption, int id, QWidget* parent) {
    auto* b = Tagged(new QPushButton(QString::fromUtf8(caption), parent), id);
    // No button may answer Enter: the dialog has no OK, and Enter on the
    // table must never initialise it or overwrite the head.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

// The table's columns line up only when digits, blank and full stop are
// equally wide; should the platform's fixed font not be, ask by style.
bool EvenColumns(const QFont& font) {
    const QFontMetrics m(font);
    return m.horizontalAdvance(QLatin1Char('1')) == m.horizontalAdvance(QLatin1Char(' ')) &&
           m.horizontalAdvance(QLatin1Char('.')) == m.horizontalAdvance(QLatin1Char('8'));
}

QFont TableFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!EvenColumns(font)) {
        font.setFamily(QStringLiteral("monospace"));
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    }
    return font;
}

// The hourglass while a command blocks the window on the head (the table
// write sends over six thousand commands, the gain reads ten spectra).
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The save dialog's default extension: a name typed without one gets ".csv".
std::string WithDefaultExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return path + ".csv";
    }
    return path;
}

}  // namespace

CSettingDlg::CSettingDlg(Cvarnello_mfView& view, QWidget* parent)
    : QDialog(parent),
      parentView_(view),
      doc_(view.doc()),
      devices_(*view.context().devices),
      dialogs_(*view.context().dialogs),
      dark_(view.doc(), *view.context().devices) {
    setWindowTitle(QString::fromUtf8(mnt::kTitle));
    setProperty("ctrlId", 131);
    BuildControls();
    darkTimer_ = new QTimer(this);
    darkTimer_->setSingleShot(true);
    darkTimer_->setInterval(DARK_TIMER_MS);
    connect(darkTimer_, &QTimer::timeout, this, &CSettingDlg::OnDarkTimer);
}

CSettingDlg::~CSettingDlg() { StopDark(); }

void CSettingDlg::BuildControls() {
    const QFont fixed = TableFont();

    auto* left = new QVBoxLayout;
    fileButton_ = Button(mnt::kCaptionFile, 1043, this);
    serialList_ = Tagged(new QListWidget(this), 1042);
    serialList_->setSortingEnabled(false);  // file order: row i is entry i
    serialList_->setFixedWidth(150);
    setButton_ = Button(mnt::kCaptionSet, 1044, this);
    left->addWidget(fileButton_);
    left->addWidget(serialList_, 1);
    left->addWidget(setButton_);

    auto* right = new QVBoxLayout;
    heading_ = new QLabel(QString::fromUtf8(mnt::kTableHeading), this);
    heading_->setFont(fixed);
    table_ = Tagged(new QListWidget(this), 1041);
    table_->setFont(fixed);
    table_->setSortingEnabled(true);  // the right-aligned numbers keep channel order
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    table_->setMinimumSize(760, 380);
    auto* buttons = new QHBoxLayout;
    initButton_ = Button(mnt::kCaptionInitialise, 1045, this);
    darkButton_ = Button(mnt::kCaptionDark, 1046, this);
    gainButton_ = Button(mnt::kCaptionGain, 1047, this);
    writeButton_ = Button(mnt::kCaptionWrite, 1050, this);
    csvButton_ = Button(mnt::kCaptionSaveCsv, 1051, this);
    for (QPushButton* b : {initButton_, darkButton_, gainButton_, writeButton_, csvButton_}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    right->addWidget(heading_);
    right->addWidget(table_, 1);
    right->addLayout(buttons);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right, 1);

    connect(fileButton_, &QPushButton::clicked, this, &CSettingDlg::OnFile);
    connect(setButton_, &QPushButton::clicked, this, &CSettingDlg::OnSet);
    connect(initButton_, &QPushButton::clicked, this, &CSettingDlg::OnInitialise);
    connect(darkButton_, &QPushButton::clicked, this, &CSettingDlg::OnDark);
    connect(gainButton_, &QPushButton::clicked, this, &CSettingDlg::OnGain);
    connect(writeButton_, &QPushButton::clicked, this, &CSettingDlg::OnWrite);
    connect(csvButton_, &QPushButton::clicked, this, &CSettingDlg::OnSaveCsv);
    connect(serialList_, &QListWidget::currentRowChanged, this, &CSettingDlg::OnListSelect);
}

QWidget* CSettingDlg::Control(int id) const {
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("ctrlId").toInt() == id) return w;
    }
    return nullptr;
}

void CSettingDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!opened_) {
        opened_ = true;
        OnInitDialog();
    }
}

void CSettingDlg::done(int result) {
    // Closing stops the dark procedure where it is; unmeasured steps keep
    // the start value.
    StopDark();
    QDialog::done(result);
}

bool CSettingDlg::HeadPresent() const {
    const int a = parentView_.state().selectedHead;
    return doc_.headCount > 0 && a >= 0 && a < std::min<int>(doc_.headCount, MAX_HEADS);
}

int CSettingDlg::Head() const { return parentView_.state().selectedHead; }

DeviceNumber CSettingDlg::Device() const { return parentView_.state().headDevice[Head()]; }

void CSettingDlg::OnInitDialog() {
    if (HeadPresent()) {
        ShowCalibrationTable(Head());
        shapes_ = PrepareGainShapes(doc_, Head(), parentView_.options().graphMax);
    }
    UpdateEnabling();
    if (!coefficientListPath.empty()) LoadCoefficientList();
}

void CSettingDlg::UpdateEnabling() {
    const bool head = HeadPresent();
    const bool idle = !dark_.Running();
    setButton_->setEnabled(head && idle);
    initButton_->setEnabled(head && idle);
    darkButton_->setEnabled(head);
    gainButton_->setEnabled(head && idle);
    writeButton_->setEnabled(head && idle);
    csvButton_->setEnabled(head);
    serialList_->setEnabled(idle);
}

bool CSettingDlg::RefuseWhileMeasuring() {
    if (!parentView_.IsMeasuring()) return false;
    dialogs_.Notify(mnt::kRefuseMeasuring);
    return true;
}

void CSettingDlg::ShowCalibrationTable(int a) {
    const int scroll = table_->verticalScrollBar()->value();
    table_->setUpdatesEnabled(false);
    table_->clear();
    for (const std::string& line : CalibrationTableText::Lines(doc_, a)) {
        table_->addItem(FromUtf8(line));
    }
    table_->setUpdatesEnabled(true);
    table_->verticalScrollBar()->setValue(scroll);
}

void CSettingDlg::LoadCoefficientList() {
    filling_ = true;
    serialList_->clear();
    coefficientList_.clear();
    std::string reason;
    // A list file that cannot be read leaves the list empty without a word:
    // the stored path may simply point at a file that has moved.
    if (CoefficientListFile::Load(coefficientListPath, coefficientList_, reason)) {
        for (const CoefficientEntry& e : coefficientList_) {
            serialList_->addItem(FromUtf8(Cp932ToUtf8(e.serial)));
        }
    }
    serialList_->setCurrentRow(-1);
    filling_ = false;
}

void CSettingDlg::OnListSelect(int row) {
    if (filling_ || row < 0 || row >= static_cast<int>(coefficientList_.size())) return;
    if (!HeadPresent() || dark_.Running()) return;
    if (RefuseWhileMeasuring()) {
        // The worker reads the wavelengths: the choice is not taken.
        filling_ = true;
        serialList_->setCurrentRow(-1);
        filling_ = false;
        return;
    }
    ApplyCoefficientEntry(doc_, Head(), coefficientList_[static_cast<size_t>(row)]);
    ShowCalibrationTable(Head());
}

void CSettingDlg::OnFile() {
    auto chosen = dialogs_.OpenFileName(mnt::kOpenListTitle, mnt::kCsvFilter, coefficientListPath);
    if (!chosen) return;
    coefficientListPath = *chosen;
    LoadCoefficientList();
}

void CSettingDlg::OnSet() {
    if (!HeadPresent() || dark_.Running() || RefuseWhileMeasuring()) return;
    const int a = Head();
    const SerialWrite serial = WriteSerial(doc_, devices_, HeadSlot(a), Device(), doc_.serialNo[a]);
    const bool coeffs = devices_.DevSetCoefficients(Device(), doc_.wavePoly[a].data()) >= 0;
    // Success stays silent; a serial or polynomial the head did not take is told.
    if (serial == SerialWrite::Refused) {
        dialogs_.Notify(mnt::kSerialRefused);
    } else if (serial == SerialWrite::Failed) {
        dialogs_.Notify(CFormat(mnt::kFmtSetFailed, "シリアル番号"));
    }
    if (!coeffs) dialogs_.Notify(CFormat(mnt::kFmtSetFailed, "波長係数"));
}

void CSettingDlg::OnInitialise() {
    if (!HeadPresent() || dark_.Running() || RefuseWhileMeasuring()) return;
    InitialiseCalibrationTable(doc_, Head(), parentView_.options().graphMax);
    ShowCalibrationTable(Head());
}

void CSettingDlg::OnDark() {
    if (!HeadPresent() || RefuseWhileMeasuring()) return;
    darkTimer_->stop();
    dark_.Start(Head(), Device());
    darkTimer_->start();
    UpdateEnabling();
}

void CSettingDlg::OnDarkTimer() {
    darkTimer_->stop();
    switch (dark_.OnTick()) {
        case DarkTableProcedure::Tick::Idle:
            return;
        case DarkTableProcedure::Tick::Read:
            darkTimer_->start();
            return;
        case DarkTableProcedure::Tick::Advanced:
            ShowCalibrationTable(dark_.Head());
            darkTimer_->start();
            return;
        case DarkTableProcedure::Tick::Finished:
            ShowCalibrationTable(dark_.Head());
            UpdateEnabling();
            dialogs_.Inform(mnt::kDarkFinished);
            return;
    }
}

bool CSettingDlg::FireDarkTimer() {
    if (!darkTimer_->isActive()) return false;
    OnDarkTimer();
    return true;
}

bool CSettingDlg::DarkTimerActive() const { return darkTimer_->isActive(); }

void CSettingDlg::StopDark() {
    if (darkTimer_) darkTimer_->stop();
    dark_.Stop();
}

void CSettingDlg::OnGain() {
    if (!HeadPresent() || dark_.Running() || RefuseWhileMeasuring()) return;
    const int a = Head();
    ChannelSpectrum current{};
    {
        WaitCursor wait;
        devices_.DevSetExposure(Device(), static_cast<double>(doc_.exposureUs[a]));
        ReadAveragedCurrent(doc_, devices_, a, GAIN_READS, current);
    }
    const GainResult result = ComputeGain(doc_, a, shapes_, current);
    switch (result.outcome) {
        case GainOutcome::Measured: {
            const int n = std::clamp(doc_.channelCount[a], 0, MAX_CHANNELS);
            std::copy(result.gain.begin(), result.gain.begin() + n + 1, doc_.gain[a].begin());
            ShowCalibrationTable(a);
            dialogs_.Inform(mnt::kGainMeasured);
            return;
        }
        case GainOutcome::NoChannelAboveLimit:
            dialogs_.Notify(mnt::kGainNoChannelAbove400);
            return;
        case GainOutcome::NoSignal:
            dialogs_.Notify(mnt::kGainNoSignal);
            return;
        case GainOutcome::NotFinite:
            dialogs_.Notify(CFormat(mnt::kFmtGainNotFinite, result.badChannel + 1));
            return;
    }
}

void CSettingDlg::OnWrite() {
    if (!HeadPresent() || dark_.Running() || RefuseWhileMeasuring()) return;
    UploadResult result;
    {
        WaitCursor wait;
        result = UploadCalibrationTable(doc_, devices_, HeadSlot(Head()), Device());
    }
    if (result.ok) {
        dialogs_.Inform(mnt::kWriteDone);
    } else {
        dialogs_.Notify(CFormat(mnt::kFmtWriteFailed, result.failedPart.c_str()));
    }
}

void CSettingDlg::OnSaveCsv() {
    // The worker rewrites dark step 20 while it processes: no reading then.
    if (!HeadPresent() || RefuseWhileMeasuring()) return;
    auto chosen = dialogs_.SaveFileName(mnt::kSaveCsvTitle, mnt::kCsvFilter, "*.csv");
    if (!chosen || chosen->empty()) return;
    const std::string path = WithDefaultExtension(*chosen);
    std::string error;
    if (!CalibrationCsvFile::Save(doc_, Head(), path, error)) dialogs_.Notify(error);
}

}  // namespace vmf
