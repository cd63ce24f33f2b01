// The panel's construction, its controls, the layout and full repaint, and
// the drawing calls its parts build on.

#include "panel/Cvarnello_mfView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "acquire/AcquisitionController.h"
#include "common/FileWork.h"
#include "common/UserDialogs.h"
#include "panel/BrowseController.h"
#include "panel/GraphFrame.h"
#include "panel/GraphMath.h"
#include "panel/PanelCommands.h"
#include "panel/PanelControls.h"
#include "panel/PanelLayout.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {

constexpr int kFullRepaintDelayMs = 100;
// Below this client height the plot box would vanish; a window that small
// shows the top of the graph rather than no graph.
constexpr int kMinGraphPanelHeight = 300;

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

void Cvarnello_mfView::StopMeasuring() {
    if (acquisition_) acquisition_->cycle().Stop();
}

bool Cvarnello_mfView::FileWorkRunning() const { return ctx_.fileWork && ctx_.fileWork->Running(); }

bool Cvarnello_mfView::RefuseDuringFileWork() {
    if (!FileWorkRunning()) return false;
    if (ctx_.dialogs) ctx_.dialogs->Notify(kFileWorkRunning);
    return true;
}

FileWork& Cvarnello_mfView::fileWork() {
    if (ctx_.fileWork) return *ctx_.fileWork;
    if (!ownFileWork_) ownFileWork_ = std::make_unique<ImmediateFileWork>();
    return *ownFileWork_;
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
            PlaceGraphSide();
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
    RedrawAll();
}

QRect Cvarnello_mfView::VisibleBand() const {
    const QWidget* parent = parentWidget();
    const QRect shown = parent ? rect() & QRect(-pos(), parent->size()) : rect();
    return shown.isEmpty() ? rect() : shown;
}

int Cvarnello_mfView::TakeVisibleBand() {
    const QRect band = VisibleBand();
    const int H = std::max(band.height(), kMinGraphPanelHeight);
    graphTop_ = std::clamp(band.top(), 0, std::max(0, height() - H));
    return H;
}

void Cvarnello_mfView::FollowVisibleBand() {
    if (!shown_) return;
    const int oldTop = graphTop_;
    const int H = TakeVisibleBand();
    if (H != lastHeight_) {
        LayoutPanel(H);
        StartFullRepaint();
    } else if (graphTop_ != oldTop) {
        PlaceGraphSide();
    }
}

void Cvarnello_mfView::PlaceGraphSide() {
    frame_->move(FRAME_X, FRAME_Y + graphTop_);
    for (int id : {ctl::DisplayKindLabel, ctl::DisplayKind}) {
        if (auto place = TemplatePlace(id)) Control(id)->move(place->x, place->y + graphTop_);
    }
}

void Cvarnello_mfView::WatchParent() {
    if (parentWidget() == watchedParent_) return;
    if (watchedParent_) watchedParent_->removeEventFilter(this);
    watchedParent_ = parentWidget();
    if (watchedParent_) watchedParent_->installEventFilter(this);
}

bool Cvarnello_mfView::eventFilter(QObject* watched, QEvent* event) {
    // A viewport that shrinks below the panel's minimum does not resize the
    // panel; the scroll area settles the panel's place after this event.
    if (watched == watchedParent_ && event->type() == QEvent::Resize && !bandCheckQueued_) {
        bandCheckQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            bandCheckQueued_ = false;
            FollowVisibleBand();
        });
    }
    return QWidget::eventFilter(watched, event);
}

void Cvarnello_mfView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    FollowVisibleBand();  // scrolled
}

void Cvarnello_mfView::RedrawAll() {
    // The boxes move with the height: anything kept from before a relayout
    // would show as strips of an old colour bar, message or curve.
    renderer().Clear();
    DrawGraph();
    frame_->DrawColourBar();
    ShowInfo(info_);
    ShowMessage(message1_, message2_);
}

void Cvarnello_mfView::StartFullRepaint() { repaintTimer_->start(); }

bool Cvarnello_mfView::FullRepaintPending() const { return repaintTimer_->isActive(); }

void Cvarnello_mfView::FullRepaint() {
    repaintTimer_->stop();
    DrawGraph();
    frame_->DrawColourBar();
    // A resize while measuring must not trade the guidance on stopping and
    // the last cycle's info line for the browsing texts: the records are
    // still coming in.
    if (state_.measuring) {
        ShowInfo(info_);
        ShowMessage(message1_, message2_);
        return;
    }
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
    LayoutPanel(TakeVisibleBand());
    StartFullRepaint();
}

void Cvarnello_mfView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    WatchParent();
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
    // The info line's statistics and colour values come from the same record.
    UpdateInfoBar(state_.selectedHead);
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

}  // namespace vmf
