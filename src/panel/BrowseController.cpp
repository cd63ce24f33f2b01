#include "panel/BrowseController.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "common/UserDialogs.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

BrowseController::BrowseController(Cvarnello_mfView& view)
    : QObject(&view),
      view_(view),
      browser_(*this, view.state().displayedRecord, view.options().continuousMode),
      comparison_(view.compareStore(), view.compareSpectrum(), view.state().compareHead,
                  view.state().compareRecord),
      repeatTimer_(new QTimer(this)) {
    repeatTimer_->setSingleShot(true);
    connect(repeatTimer_, &QTimer::timeout, this, &BrowseController::FireRepeatTimer);
    Connect();
}

BrowseController::~BrowseController() { repeatTimer_->stop(); }

void BrowseController::Connect() {
    auto onClick = [this](int id, auto&& handler) {
        if (auto* b = qobject_cast<QAbstractButton*>(view_.Control(id)))
            connect(b, &QAbstractButton::clicked, this, handler);
    };
    onClick(ctl::Back, [this] { browser_.OnBack(); });
    onClick(ctl::Next, [this] { browser_.OnNext(); });
    onClick(ctl::Continuous, [this](bool checked) { browser_.OnContinuousClicked(checked); });
    onClick(ctl::Compare, [this] { OnCompare(); });
    onClick(ctl::CompareHeadBack, [this] { OnCompareStep(true, -1); });
    onClick(ctl::CompareHeadNext, [this] { OnCompareStep(true, +1); });
    onClick(ctl::CompareRecordBack, [this] { OnCompareStep(false, -1); });
    onClick(ctl::CompareRecordNext, [this] { OnCompareStep(false, +1); });
}

// --- Comparison file ----------------------------------------------------------

void BrowseController::OnCompare() {
    UserDialogs* dialogs = view_.context().dialogs;
    if (!dialogs || view_.RefuseDuringFileWork()) return;
    auto* name = qobject_cast<QLineEdit*>(view_.Control(ctl::CompareName));
    const auto chosen = dialogs->OpenFileName(kCompareDialogTitle, kCompareFileFilter, "");
    if (!chosen || chosen->empty()) {
        comparison_.Clear();
        name->clear();
        view_.LayoutPanel(view_.height());
        view_.StartFullRepaint();
        return;
    }
    std::string error;
    if (!comparison_.Load(*chosen, error, &view_.fileWork())) {
        // The store's message names the file and the reason (for a file that
        // stops short: "<path> の末尾以降にアクセスしようとしました。"); a
        // cancelled load has nothing to tell.
        if (!error.empty()) dialogs->Notify(error);
        return;
    }
    name->setText(Q(comparison_.Name()));
    view_.LayoutPanel(view_.height());
    ShowComparePosition();
    view_.StartFullRepaint();
}

void BrowseController::ShowComparePosition() {
    qobject_cast<QLineEdit*>(view_.Control(ctl::CompareHeadPosition))
        ->setText(Q(comparison_.HeadPositionText()));
    if (const auto text = comparison_.RecordPositionText())
        qobject_cast<QLineEdit*>(view_.Control(ctl::CompareRecordPosition))->setText(Q(*text));
}

void BrowseController::OnCompareStep(bool head, int delta) {
    // Only the comparison store and its grid rows change here, so these rows
    // stay usable while a measurement runs.
    const bool changed = head ? comparison_.StepHead(delta) : comparison_.StepRecord(delta);
    if (!changed) return;
    ShowComparePosition();
    view_.DrawGraph();
}

// --- Timer 3 ------------------------------------------------------------------

bool BrowseController::RepeatTimerActive() const { return repeatTimer_->isActive(); }

void BrowseController::FireRepeatTimer() { browser_.OnRepeatTimer(); }

void BrowseController::StartRepeatTimer(int ms) { repeatTimer_->start(ms); }

void BrowseController::StopRepeatTimer() { repeatTimer_->stop(); }

// --- BrowseHost -----------------------------------------------------------------

int BrowseController::RecordCount() const { return view_.doc().recordCount[0]; }

// Stepping reprocesses records of the store, which file work may be reading.
bool BrowseController::Blocked() const { return view_.IsMeasuring() || view_.FileWorkRunning(); }

void BrowseController::ShowPosition() { view_.ShowPosition(); }

void BrowseController::ReprocessRecord(int r) {
    Cvarnello_mfDoc& doc = view_.doc();
    SpectrumWorkspace& ws = view_.workspace();
    const ProcessingOptions opt = view_.Processing();
    const int heads = std::clamp(doc.headCount, 0, MAX_HEADS);
    // Both leave heads whose slot r holds no spectra alone.
    for (int a = 0; a < heads; ++a) {
        ws.ProcessRecord(doc, a, r, opt);
        ws.ResampleRecord(doc, a, r, opt);
    }
}

void BrowseController::DrawGraph() { view_.DrawGraph(); }

void BrowseController::ShowSelectedInfo() {
    const int selected = view_.state().selectedHead;
    if (selected < 0) {
        view_.ShowInfo(QString());
    } else {
        view_.UpdateInfoBar(selected);
    }
}

void BrowseController::ShowMessage(const std::string& line) { view_.ShowMessage(Q(line)); }

}  // namespace vmf
