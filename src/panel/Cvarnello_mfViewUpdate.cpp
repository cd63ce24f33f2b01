// The panel's initial update (after the first showing, File New and File
// Open), the display-data combo, the bar check box and the history button.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "panel/CDispLogDlg.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

// --- Initial update -----------------------------------------------------------

void Cvarnello_mfView::ApplyOptionsToControls() {
    qobject_cast<QLineEdit*>(Control(ctl::AverageEdit))
        ->setText(Q(CFormat("%d", options_.averageCount)));
    auto* interval = qobject_cast<QLineEdit*>(Control(ctl::IntervalEdit));
    interval->setText(Q(CFormat("%d", options_.intervalMs)));
    interval->setEnabled(options_.intervalOn == 1);
    qobject_cast<QCheckBox*>(Control(ctl::Logging))->setChecked(options_.loggingOn != 0);
    qobject_cast<QCheckBox*>(Control(ctl::Interval))->setChecked(options_.intervalOn != 0);
    qobject_cast<QCheckBox*>(Control(ctl::Sensitivity))->setChecked(options_.sensitivityOn != 0);
    qobject_cast<QCheckBox*>(Control(ctl::SelectedOnly))->setChecked(state_.selectedOnly);
    ShowRecordCount();
}

void Cvarnello_mfView::FillHeadList() {
    auto* list = qobject_cast<QListWidget*>(Control(ctl::HeadList));
    const QSignalBlocker block(list);
    list->clear();
    Cvarnello_mfDoc& d = doc();
    const int heads = std::clamp(d.headCount, 0, MAX_HEADS);
    const ProcessingOptions opt = Processing();
    for (int a = 0; a < heads; ++a) {
        workspace_.DeriveDarkModel(d, a);
        if (d.recordCount[a] > 0) {
            // Both calls leave slots without spectra alone.
            workspace_.ProcessRecord(d, a, state_.displayedRecord, opt);
            workspace_.ResampleRecord(d, a, state_.displayedRecord, opt);
        }
        // Heads known only from a loaded file are shown in brackets.
        const std::string serial = Cp932ToUtf8(d.serialNo[a]);
        list->addItem(
            Q(state_.detected ? CFormat("%s", serial.c_str()) : CFormat("(%s)", serial.c_str())));
    }
}

void Cvarnello_mfView::OnInitialUpdate() {
    initialised_ = true;
    shown_ = true;
    LayoutPanel(TakeVisibleBand());

    ModeDisplay();
    ApplyOptionsToControls();

    // A file opened with fewer records than the one before must not leave the
    // display past its last record.
    state_.displayedRecord =
        std::clamp(state_.displayedRecord, 0, std::max(doc().recordCount[0] - 1, 0));
    FillHeadList();

    qobject_cast<QCheckBox*>(Control(ctl::Continuous))->setChecked(options_.continuousMode != 0);
    ShowPosition();
    {
        auto* combo = qobject_cast<QComboBox*>(Control(ctl::DisplayKind));
        const QSignalBlocker block(combo);
        // Any kind but 0 shows the CIE line, so an odd stored value shows as that.
        combo->setCurrentIndex(options_.displayKind == 0 ? 0 : 1);
    }

    auto* list = qobject_cast<QListWidget*>(Control(ctl::HeadList));
    if (doc().headCount > 0 && list->count() > 0) {
        // The list was just refilled, so nothing in it is selected.
        state_.selectedHead = 0;
        const QSignalBlocker block(list);
        list->setCurrentRow(0);
        qobject_cast<QLineEdit*>(Control(ctl::ExposureEdit))
            ->setText(Q(CFormat("%d", doc().exposureUs[0])));
    }

    qobject_cast<QPushButton*>(Control(ctl::Csv))
        ->setText(options_.autoSaveOn ? QStringLiteral("データ保存(AUTO)")
                                      : QStringLiteral("データ保存"));
    qobject_cast<QCheckBox*>(Control(ctl::BarDisplay))->setChecked(state_.barDisplay);
    RefreshControls();
    StartFullRepaint();
}

// --- Display options and history ------------------------------------------------

void Cvarnello_mfView::OnDisplayKindChanged(int index) {
    if (index < 0) return;
    options_.displayKind = index;
    if (index == DISPLAY_KIND_STATISTICS) {
        ShowMessage(QStringLiteral("波長スペクトルの最大値、最小値およびその波長を表示します"));
    } else {
        ShowMessage(QStringLiteral(
            "波長スペクトルから CIE-X,Y,Zを計算、さらに、ＲＧＢに変換し表示します。"));
    }
    UpdateInfoBar(state_.selectedHead);
}

void Cvarnello_mfView::OnBarDisplay(bool on) {
    state_.barDisplay = on;
    DrawGraph();
}

void Cvarnello_mfView::OnHistoryButton() {
    if (doc().historyText.empty()) {
        ShowMessage(QStringLiteral("計測の履歴を表示しますが、履歴がありませんでした"));
        return;
    }
    ShowMessage(QStringLiteral("計測の履歴を表示します"));
    if (historyRunner_) {
        historyRunner_();
        return;
    }
    CDispLogDlg dlg(doc(), this);
    dlg.exec();
}

}  // namespace vmf
