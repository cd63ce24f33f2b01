// Detection and release of the heads from the panel's "検出"/"解除" button,
// and the head list's selection.

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "acquire/AcquisitionController.h"
#include "common/NumberParse.h"
#include "device/Detection.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

// --- Detection, release and the head list ---------------------------------------

void Cvarnello_mfView::OnDetectButton() {
    if (!ctx_.doc || !ctx_.devices || !ctx_.dialogs) return;
    // Detection rewrites the heads of the store the file work is using.
    if (RefuseDuringFileWork()) return;
    if (state_.detected) {
        Release();
    } else {
        Detect();
    }
}

void Cvarnello_mfView::Detect() {
    Cvarnello_mfDoc& d = doc();
    const bool hadRecords = d.recordCount[0] != 0;
    DetectionOutcome out = vmf::Detect(
        d, *ctx_.devices, *ctx_.dialogs,
        [this](int slot) { workspace_.DeriveDarkModel(doc(), slot); }, clock_());
    if (out.cancelled) return;
    if (hadRecords) state_.displayedRecord = 0;
    // Detection empties the store's records once the operator agreed: the
    // position and record-count fields must not go on showing the old ones.
    ShowPosition();
    ShowRecordCount();

    auto* heads = qobject_cast<QListWidget*>(Control(ctl::HeadList));
    auto* devices = qobject_cast<QListWidget*>(Control(ctl::DeviceList));
    {
        const QSignalBlocker blockHeads(heads);
        heads->clear();
        devices->clear();
        for (const std::string& serial : out.headList) heads->addItem(Q(serial));
        for (const std::string& label : out.deviceList) devices->addItem(Q(label));
    }
    state_.headDevice = out.headDevice;
    if (out.mirrorDevice) state_.mirrorDevice = out.mirrorDevice;
    if (!out.failedHeads.empty()) {
        // Such a head got no slot: without a word the operator would take it
        // for measured along with the others.
        std::string numbers;
        for (DeviceNumber dev : out.failedHeads)
            CFormatAppend(numbers, numbers.empty() ? "%d" : ", %d", dev.value);
        ctx_.dialogs->Notify(CFormat(
            "装置番号 %s の分光器は校正データの読み込み中に応答しなくなったため、使用しません。"
            "接続を確認してから、もう一度検出してください",
            numbers.c_str()));
    }

    if (out.headsFound) {
        // A selection left from a run with more heads would point past the list.
        if (state_.selectedHead < 0 || state_.selectedHead >= d.headCount) state_.selectedHead = 0;
        {
            const QSignalBlocker blockHeads(heads);
            heads->setCurrentRow(state_.selectedHead);
        }
        qobject_cast<QLineEdit*>(Control(ctl::ExposureEdit))
            ->setText(Q(CFormat("%d", d.exposureUs[state_.selectedHead])));
        ShowMessage(QStringLiteral("計測モードを選択してください"),
                    QStringLiteral("検出したヴァルネロを選択すると、露光時間を変更できます"));
        emit documentTitleChanged();
        qobject_cast<QPushButton*>(Control(ctl::Detect))->setText(QStringLiteral("解除"));
        state_.detected = true;
    }
    RefreshControls();
}

void Cvarnello_mfView::Release() {
    state_.detected = false;
    qobject_cast<QPushButton*>(Control(ctl::Detect))->setText(QStringLiteral("検出"));
    {
        auto* heads = qobject_cast<QListWidget*>(Control(ctl::HeadList));
        const QSignalBlocker blockHeads(heads);
        heads->clear();
        qobject_cast<QListWidget*>(Control(ctl::DeviceList))->clear();
    }
    // Closes the heads and writes the release entry of the history.
    vmf::Release(doc(), *ctx_.devices, state_.headDevice);
    ShowMessage(QStringLiteral("ヴァルネロを接続して検出ボタンを押してください"));
    state_.measuring = false;
    qobject_cast<QPushButton*>(Control(ctl::Start))->setText(QStringLiteral("開始"));
    // Every control that needs heads goes off with them: a dark measurement
    // against closed heads would store a table of zeros.
    RefreshControls();
}

void Cvarnello_mfView::OnHeadSelectionChanged(int index) {
    Cvarnello_mfDoc& d = doc();
    if (index < 0 || index == state_.selectedHead) return;
    auto* exposure = qobject_cast<QLineEdit*>(Control(ctl::ExposureEdit));
    // The typed exposure belongs to the head selected until now; it reaches
    // the device at the next Start.
    if (state_.selectedHead >= 0 && state_.selectedHead < MAX_HEADS) {
        d.exposureUs[state_.selectedHead] = ParseIntPrefix(exposure->text().toStdString());
    }
    state_.selectedHead = index;
    if (index < MAX_HEADS) exposure->setText(Q(CFormat("%d", d.exposureUs[index])));
    ShowRecordCount();
    if (state_.detected) {
        ShowMessage(QStringLiteral("露光時間を変更して開始ボタンを押すことで計測を開始します"));
    } else if (d.recordCount[0] > 0) {
        ShowMessage(QStringLiteral("以前取得したデータを BACK/NEXTボタンで表示することができます"));
    }
    if (!state_.measuring && !(acquisition_ && acquisition_->ProcessingBlocked())) {
        ReprocessDisplayed();
        UpdateInfoBar(state_.selectedHead);
    }
}

}  // namespace vmf
