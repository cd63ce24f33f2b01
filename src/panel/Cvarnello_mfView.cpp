#include "panel/Cvarnello_mfView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "acquire/AcquisitionController.h"
#include "app/CDispLogDlg.h"
#include "app/CEditNumDlg.h"
#include "app/NumberParse.h"
#include "device/Detection.h"
#include "panel/BrowseController.h"
#include "panel/GraphFrame.h"
#include "panel/GraphMath.h"
#include "panel/PanelCommands.h"
#include "panel/PanelControls.h"
#include "panel/PanelLayout.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {

constexpr int kFullRepaintDelayMs = 100;

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

Cvarnello_mfView::Cvarnello_mfView(const ViewContext& ctx, QWidget* parent)
    : QWidget(parent),
      ctx_(ctx),
      compareSpectrum_(std::make_unique<std::array<std::array<float, GRID_POINTS>, MAX_HEADS>>()) {
    if (ctx_.settings) ReadPanelOptions(*ctx_.settings, options_);
    clock_ = [] { return std::time(nullptr); };

    repaintTimer_ = new QTimer(this);
    repaintTimer_->setSingleShot(true);
    repaintTimer_->setInterval(kFullRepaintDelayMs);
    connect(repaintTimer_, &QTimer::timeout, this, &Cvarnello_mfView::FullRepaint);

    CreateControls();
    ConnectControls();
    acquisition_ = std::make_unique<AcquisitionController>(*this);
    browse_ = std::make_unique<BrowseController>(*this);
    commands_ = std::make_unique<PanelCommands>(*this);
}

Cvarnello_mfView::~Cvarnello_mfView() {
    if (ctx_.settings) WritePanelOptions(*ctx_.settings, options_);
}

PanelOptions& Cvarnello_mfView::options() { return options_; }

// A stopped cycle whose worker has not handed over yet still counts: the
// frame's file commands must not replace the store under it.
bool Cvarnello_mfView::IsMeasuring() const {
    return state_.measuring || (acquisition_ && acquisition_->ProcessingBlocked());
}

GraphRenderer& Cvarnello_mfView::renderer() { return frame_->renderer(); }

QWidget* Cvarnello_mfView::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void Cvarnello_mfView::CreateControls() {
    auto* modeGroup = new QButtonGroup(this);  // exactly one method marked
    for (const ControlDef& def : PanelControlTable()) {
        const QString caption = QString::fromUtf8(def.caption);
        QWidget* w = nullptr;
        switch (def.kind) {
            case ControlKind::Frame:
                frame_ = new GraphFrame(this);
                w = frame_;
                break;
            case ControlKind::PushButton:
                w = new QPushButton(caption, this);
                break;
            case ControlKind::CheckBox:
                w = new QCheckBox(caption, this);
                break;
            case ControlKind::RadioButton: {
                auto* radio = new QRadioButton(caption, this);
                modeGroup->addButton(radio, def.id);
                w = radio;
                break;
            }
            case ControlKind::Label:
                w = new QLabel(caption, this);
                break;
            case ControlKind::Edit:
            case ControlKind::ReadOnlyEdit:
            case ControlKind::CentredReadOnlyEdit: {
                auto* edit = new QLineEdit(this);
                edit->setReadOnly(def.kind != ControlKind::Edit);
                if (def.kind == ControlKind::CentredReadOnlyEdit)
                    edit->setAlignment(Qt::AlignCenter);
                w = edit;
                break;
            }
            case ControlKind::ListBox:
                w = new QListWidget(this);
                break;
            case ControlKind::ComboBox: {
                auto* combo = new QComboBox(this);
                for (const char* item : kDisplayKindItems) combo->addItem(QString::fromUtf8(item));
                w = combo;
                break;
            }
        }
        w->setProperty("ctrlId", def.id);
        w->setObjectName(QStringLiteral("ctrl%1").arg(def.id));
        if (auto place = TemplatePlace(def.id)) {
            w->setGeometry(place->x, place->y, place->width, place->height);
            w->setVisible(place->visible);
        }
        controls_[def.id] = w;
    }
}

void Cvarnello_mfView::ConnectControls() {
    connect(qobject_cast<QPushButton*>(Control(ctl::Detect)), &QPushButton::clicked, this,
            &Cvarnello_mfView::OnDetectButton);
    connect(qobject_cast<QListWidget*>(Control(ctl::HeadList)), &QListWidget::currentRowChanged,
            this, &Cvarnello_mfView::OnHeadSelectionChanged);
    connect(qobject_cast<QPushButton*>(Control(ctl::History)), &QPushButton::clicked, this,
            &Cvarnello_mfView::OnHistoryButton);
    connect(qobject_cast<QComboBox*>(Control(ctl::DisplayKind)), &QComboBox::currentIndexChanged,
            this, &Cvarnello_mfView::OnDisplayKindChanged);
    connect(qobject_cast<QCheckBox*>(Control(ctl::BarDisplay)), &QCheckBox::clicked, this,
            &Cvarnello_mfView::OnBarDisplay);
    connect(frame_, &GraphFrame::clicked, this, &Cvarnello_mfView::OnGraphClick);
}

// --- Layout and repaint ---------------------------------------------------

int Cvarnello_mfView::LayoutHeight() const { return lastHeight_ > 0 ? lastHeight_ : height(); }

void Cvarnello_mfView::LayoutPanel(int H) {
    if (!shown_) return;
    lastHeight_ = H;
    LayoutInput in;
    in.height = H;
    in.maintenanceMode = options_.maintenanceMode != 0;
    if (compareStore_) {
        in.compareLoaded = true;
        in.compareHeadCount = compareStore_->headCount;
        in.compareHead0Records = compareStore_->recordCount[0];
    }
    int right = 0, bottom = 0;
    for (const ControlPlace& p : vmf::LayoutPanel(in)) {
        if (p.id == ctl::GraphFrame) {
            frame_->LayoutForPanelHeight(H);
            continue;
        }
        if (p.visible) {
            right = std::max(right, p.x + p.width);
            bottom = std::max(bottom, p.y + p.height);
        }
        QWidget* w = Control(p.id);
        if (!w) continue;
        if (p.visible) {
            w->setGeometry(p.x, p.y, p.width, p.height);
            w->show();
        } else {
            w->hide();
        }
    }
    // The frame's scroll area keeps the panel at least as large as its
    // controls need; below that the window scrolls instead of cutting them off.
    setMinimumSize(right + 5, bottom + 5);
}

void Cvarnello_mfView::StartFullRepaint() { repaintTimer_->start(); }

bool Cvarnello_mfView::FullRepaintPending() const { return repaintTimer_->isActive(); }

void Cvarnello_mfView::FullRepaint() {
    repaintTimer_->stop();
    DrawGraph();
    frame_->DrawColourBar();
    ShowInfo(QString());
    if (doc().recordCount[0] < 1) {
        // With heads detected the message of the detection stays in view.
        if (!state_.detected)
            ShowMessage(QStringLiteral("ヴァルネロを接続して、検出ボタンを押してください"));
    } else {
        ShowMessage(QStringLiteral("以前取得したデータを表示します"),
                    QStringLiteral("BACK/NEXTボタンで表示できます"));
    }
}

void Cvarnello_mfView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!shown_) return;
    LayoutPanel(height());
    StartFullRepaint();
}

void Cvarnello_mfView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The frame normally runs the initial update itself; a panel shown
    // without it still comes up laid out and drawn.
    if (!initialised_) OnInitialUpdate();
}

// --- Drawing ----------------------------------------------------------------

void Cvarnello_mfView::ShowMessage(const QString& line1, const QString& line2) {
    message1_ = line1;
    message2_ = line2;
    frame_->ShowMessage(line1, line2);
}

void Cvarnello_mfView::ShowInfo(const QString& text) {
    info_ = text;
    frame_->ShowInfo(text);
}

void Cvarnello_mfView::DrawGraph() {
    GraphInput in;
    in.ws = &workspace_;
    in.doc = ctx_.doc;
    in.graphMax = options_.graphMax;
    in.graphMin = options_.graphMin;
    in.ratioMax = options_.ratioMax;
    in.ratioMin = &options_.ratioMin;
    in.barDisplay = state_.barDisplay;
    in.selectedOnly = state_.selectedOnly;
    in.maintenanceMode = options_.maintenanceMode != 0;
    in.selectedHead = state_.selectedHead;
    in.method = state_.method;
    if (compareStore_) {
        const int heads = std::clamp(compareStore_->headCount, 0, MAX_HEADS);
        const int h = state_.compareHead;
        in.compareSpectrum = compareSpectrum_.get();
        in.compareHeadCount = heads;
        in.compareDrawable = h >= 0 && h < heads && compareStore_->recordCount[h] > 0;
    }
    frame_->DrawGraph(in);
    emit displayedChanged();
}

void Cvarnello_mfView::UpdateInfoBar(int a) {
    ShowInfo(Q(workspace_.UpdateInfoBarText(doc(), a, options_.displayKind, state_.displayedRecord,
                                            options_.graphMax)));
    emit displayedChanged();
}

ProcessingOptions Cvarnello_mfView::Processing() const {
    ProcessingOptions opt;
    opt.method = state_.method;
    opt.sensitivityOn = options_.sensitivityOn != 0;
    return opt;
}

bool Cvarnello_mfView::ReprocessDisplayed() {
    // A stopped cycle's worker may still be writing the working slot.
    const bool blocked = state_.measuring || (acquisition_ && acquisition_->ProcessingBlocked());
    if (!workspace_.ReprocessDisplayed(doc(), state_.selectedHead, state_.displayedRecord, blocked,
                                       Processing())) {
        return false;
    }
    DrawGraph();
    return true;
}

void Cvarnello_mfView::ShowPosition() {
    qobject_cast<QLineEdit*>(Control(ctl::Position))
        ->setText(Q(CFormat("%d / %d", state_.displayedRecord + 1, doc().recordCount[0])));
}

void Cvarnello_mfView::ShowRecordCount() {
    qobject_cast<QLineEdit*>(Control(ctl::RecordCountEdit))
        ->setText(Q(CFormat("%d", doc().recordCount[0])));
}

// --- Enabling -----------------------------------------------------------------

void Cvarnello_mfView::RefreshControls() {
    if (acquisition_) acquisition_->RefreshControls();
}

void Cvarnello_mfView::ModeDisplay() {
    if (acquisition_) acquisition_->ModeDisplay();
}

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
    LayoutPanel(height());

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

// --- Detection, release and the head list ---------------------------------------

void Cvarnello_mfView::OnDetectButton() {
    if (!ctx_.doc || !ctx_.devices || !ctx_.dialogs) return;
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
    Control(ctl::Start)->setEnabled(false);
    Control(ctl::OneShot)->setEnabled(false);
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

// --- Axis limits by clicks on the graph corners -------------------------------

void Cvarnello_mfView::mousePressEvent(QMouseEvent* event) {
    // Clicks on the frame arrive through GraphFrame::clicked; these are the
    // ones beside it, which the hit test turns away.
    if (event->button() == Qt::LeftButton) OnGraphClick(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void Cvarnello_mfView::OnGraphClick(QPoint panelPos) {
    if (!shown_) return;
    const AxisLimit which = HitTestAxisCorner(panelPos.x(), panelPos.y(), LayoutHeight());
    int* target = nullptr;
    switch (which) {
        case AxisLimit::GraphMax:
            target = &options_.graphMax;
            break;
        case AxisLimit::GraphMin:
            target = &options_.graphMin;
            break;
        case AxisLimit::RatioMax:
            target = &options_.ratioMax;
            break;
        case AxisLimit::None:
            return;
    }
    const QString label =
        which == AxisLimit::GraphMin ? QStringLiteral("最小値") : QStringLiteral("最大値");
    std::optional<float> entered;
    if (numberEditor_) {
        entered = numberEditor_(label, static_cast<float>(*target));
    } else {
        CEditNumDlg dlg(this);
        dlg.label = label;
        dlg.value = static_cast<float>(*target);
        if (dlg.exec() == QDialog::Accepted) entered = dlg.value;
    }
    if (!entered) return;
    *target = ApplyAxisLimit(which, *entered);
    DrawGraph();
}

}  // namespace vmf
