#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "app/CAboutDlg.h"
#include "app/DocumentNaming.h"
#include "app/LockKeys.h"
#include "resources/AppIcons.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The first local file of a drag, or an empty string.
QString DroppedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

}  // namespace

CMainFrame::CMainFrame(Cvarnello_mfDoc& doc, UserDialogs& dialogs, SettingsBackend& settings,
                       QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      doc_(doc),
      dialogs_(dialogs),
      settings_(settings),
      session_(doc, dialogs, recent_) {
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    recent_.Read(settings_);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    RebuildRecentMenu();
    UpdateCaption();

    ReadPlacement(settings_, placement_);
    ApplyPlacement();
}

CMainFrame::~CMainFrame() {
    RememberGeometry();
    WritePlacement(settings_, PlacementFromClient(normalClient_, margins_));
    recent_.Write(settings_);
}

// --- Construction ---------------------------------------------------------

void CMainFrame::CreateActions() {
    struct ActionDef {
        FrameCommand command;
        const char* text;
        QList<QKeySequence> keys;
        const char* tip;
        void (CMainFrame::*slot)();
    };
    const ActionDef defs[] = {
        {FrameCommand::FileNew,
         "新規作成\tCtrl+N(&N)",
         {QKeySequence(Qt::CTRL | Qt::Key_N)},
         "新しいデータを作成します",
         &CMainFrame::OnFileNew},
        {FrameCommand::FileOpen,
         "開く...\tCtrl+O(&O)",
         {QKeySequence(Qt::CTRL | Qt::Key_O)},
         "データファイルを開きます",
         &CMainFrame::OnFileOpen},
        {FrameCommand::FileSave,
         "上書き保存\tCtrl+S(&S)",
         {QKeySequence(Qt::CTRL | Qt::Key_S)},
         "データをファイルに保存します",
         &CMainFrame::OnFileSave},
        {FrameCommand::FileSaveAs,
         "名前を付けて保存(&A)...",
         {},
         "データを別の名前で保存します",
         &CMainFrame::OnFileSaveAs},
        {FrameCommand::AppExit,
         "アプリケーションの終了(&X)",
         {},
         "プログラムを終了します",
         nullptr},
        {FrameCommand::EditUndo,
         "元に戻す\tCtrl+Z(&U)",
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)},
         "元に戻します",
         nullptr},
        {FrameCommand::EditCut,
         "切り取り\tCtrl+X(&T)",
         {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
         "切り取ります",
         nullptr},
        {FrameCommand::EditCopy,
         "コピー\tCtrl+C(&C)",
         {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
         "コピーします",
         nullptr},
        {FrameCommand::EditPaste,
         "貼り付け\tCtrl+V(&P)",
         {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
         "貼り付けます",
         nullptr},
        {FrameCommand::HardAdjust,
         "ハードウェア調整作業",
         {},
         "ハードウェア調整作業の表示を切り替えます",
         nullptr},
        {FrameCommand::ViewStatusBar,
         "ステータス バー(&S)",
         {},
         "ステータス バーの表示を切り替えます",
         nullptr},
        {FrameCommand::AppAbout,
         "バージョン情報 varnello_mf(&A)...",
         {},
         "バージョン情報を表示します",
         &CMainFrame::OnAppAbout},
        {FrameCommand::FilePrint, "印刷", {}, "印刷します", nullptr},
    };
    for (const ActionDef& s : defs) {
        auto* action = new QAction(U(s.text), this);
        action->setShortcuts(s.keys);
        action->setStatusTip(U(s.tip));
        if (s.slot) connect(action, &QAction::triggered, this, s.slot);
        actions_[s.command] = action;
    }
    // Undo, Cut, Copy, Paste and Print have no handler: shown, never enabled.
    for (FrameCommand c : {FrameCommand::EditUndo, FrameCommand::EditCut, FrameCommand::EditCopy,
                           FrameCommand::EditPaste, FrameCommand::FilePrint})
        actions_[c]->setEnabled(false);
    connect(actions_[FrameCommand::AppExit], &QAction::triggered, this, &QWidget::close);

    QAction* hard = actions_[FrameCommand::HardAdjust];
    hard->setCheckable(true);
    connect(hard, &QAction::toggled, this, [this](bool on) {
        if (panel_.toggleMaintenanceMode) {
            panel_.toggleMaintenanceMode();
            UpdateEditMenu();  // the check mark follows the mode, not the click
        } else if (int* mode = panel_.maintenanceMode ? panel_.maintenanceMode() : nullptr) {
            *mode = on ? 1 : 0;
        }
    });
    QAction* status = actions_[FrameCommand::ViewStatusBar];
    status->setCheckable(true);
    status->setChecked(true);
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    // F6 / Shift+F6 move between panes; the frame has one, so they do nothing.
    for (QKeySequence key : {QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6)}) {
        auto* pane = new QAction(this);
        pane->setShortcut(key);
        addAction(pane);
    }
}

void CMainFrame::CreateMenus() {
    fileMenu_ = menuBar()->addMenu(U("ファイル(&F)"));
    fileMenu_->addAction(actions_[FrameCommand::FileNew]);
    fileMenu_->addAction(actions_[FrameCommand::FileOpen]);
    fileMenu_->addAction(actions_[FrameCommand::FileSave]);
    fileMenu_->addAction(actions_[FrameCommand::FileSaveAs]);
    fileMenu_->addSeparator();
    recentPlaceholder_ = fileMenu_->addAction(U("最近使ったファイル"));
    recentPlaceholder_->setEnabled(false);
    recentEnd_ = fileMenu_->addSeparator();
    fileMenu_->addAction(actions_[FrameCommand::AppExit]);
    connect(fileMenu_, &QMenu::aboutToShow, this, &CMainFrame::UpdateFileMenu);
    // The toolbar and the shortcuts share these actions: give them back once
    // the menu closes; the commands themselves refuse while measuring.
    connect(fileMenu_, &QMenu::aboutToHide, this, [this] {
        for (FrameCommand c : {FrameCommand::FileNew, FrameCommand::FileOpen,
                               FrameCommand::FileSave, FrameCommand::FileSaveAs})
            actions_[c]->setEnabled(true);
        for (QAction* a : recentActions_) a->setEnabled(true);
    });

    editMenu_ = menuBar()->addMenu(U("編集(&E)"));
    editMenu_->addAction(actions_[FrameCommand::EditUndo]);
    editMenu_->addSeparator();
    editMenu_->addAction(actions_[FrameCommand::EditCut]);
    editMenu_->addAction(actions_[FrameCommand::EditCopy]);
    editMenu_->addAction(actions_[FrameCommand::EditPaste]);
    editMenu_->addAction(actions_[FrameCommand::HardAdjust]);
    connect(editMenu_, &QMenu::aboutToShow, this, &CMainFrame::UpdateEditMenu);

    viewMenu_ = menuBar()->addMenu(U("表示(&V)"));
    // The toolbar's own toggle action is added in CreateToolBar.

    QMenu* help = menuBar()->addMenu(U("ヘルプ(&H)"));
    help->addAction(actions_[FrameCommand::AppAbout]);
}

void CMainFrame::CreateToolBar() {
    toolbar_ = new QToolBar(U("標準"), this);
    toolbar_->setObjectName(QStringLiteral("standardToolBar"));
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolbar_->setMovable(true);
    toolbar_->setFloatable(true);
    QStyle* st = style();
    struct Button {
        FrameCommand command;
        QIcon icon;
        const char* tip;
    };
    const Button buttons[] = {
        {FrameCommand::FileNew, st->standardIcon(QStyle::SP_FileIcon), "新規作成"},
        {FrameCommand::FileOpen, st->standardIcon(QStyle::SP_DialogOpenButton), "開く"},
        {FrameCommand::FileSave, st->standardIcon(QStyle::SP_DialogSaveButton), "上書き保存"},
        {FrameCommand::EditCut, ToolbarIcon(ToolGlyph::Cut), "切り取り"},
        {FrameCommand::EditCopy, ToolbarIcon(ToolGlyph::Copy), "コピー"},
        {FrameCommand::EditPaste, ToolbarIcon(ToolGlyph::Paste), "貼り付け"},
        {FrameCommand::FilePrint, ToolbarIcon(ToolGlyph::Print), "印刷"},
        {FrameCommand::AppAbout, st->standardIcon(QStyle::SP_MessageBoxInformation),
         "バージョン情報"},
    };
    for (const Button& b : buttons) {
        QAction* action = actions_[b.command];
        action->setIcon(b.icon);
        action->setIconVisibleInMenu(false);
        action->setToolTip(U(b.tip));
        toolbar_->addAction(action);
        if (b.command == FrameCommand::FileSave || b.command == FrameCommand::EditPaste)
            toolbar_->addSeparator();
    }
    addToolBar(Qt::TopToolBarArea, toolbar_);

    QAction* toggle = toolbar_->toggleViewAction();
    toggle->setText(U("ツール バー(&T)"));
    toggle->setStatusTip(U("ツール バーの表示を切り替えます"));
    actions_[FrameCommand::ViewToolBar] = toggle;
    viewMenu_->addAction(toggle);
    viewMenu_->addAction(actions_[FrameCommand::ViewStatusBar]);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    ready_ = new QLabel(U("レディ"), bar);
    bar->addWidget(ready_, 1);
    auto pane = [bar](const char* text) {
        auto* label = new QLabel(QString::fromLatin1(text), bar);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addPermanentWidget(label);
        return label;
    };
    capPane_ = pane("CAP");
    numPane_ = pane("NUM");
    scrlPane_ = pane("SCRL");
    UpdateLockPanes();
    if (QueryLockKeys()) {
        lockTimer_ = new QTimer(this);
        lockTimer_->setInterval(250);
        connect(lockTimer_, &QTimer::timeout, this, &CMainFrame::UpdateLockPanes);
        lockTimer_->start();
    }
}

void CMainFrame::UpdateLockPanes() {
    const auto state = QueryLockKeys();
    auto show = [&](QLabel* label, const char* text, bool on) {
        if (!state) {
            label->setText(QString::fromLatin1(text));
            label->setEnabled(false);  // state unknown here: greyed label
        } else {
            label->setText(on ? QString::fromLatin1(text) : QString());
            label->setEnabled(true);
        }
    };
    show(capPane_, "CAP", state && state->caps);
    show(numPane_, "NUM", state && state->num);
    show(scrlPane_, "SCRL", state && state->scroll);
}

void CMainFrame::RebuildRecentMenu() {
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    const auto& entries = recent_.entries();
    recentPlaceholder_->setVisible(entries.empty());
    for (size_t i = 0; i < entries.size(); ++i) {
        QString path = QString::fromStdString(entries[i]);
        QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(
            QString(path).replace(u'&', QStringLiteral("&&")));
        auto* action = new QAction(text, this);
        action->setStatusTip(U("このファイルを開きます"));
        connect(action, &QAction::triggered, this,
                [this, path] { AfterOpen(OpenDocumentFile(path)); });
        fileMenu_->insertAction(recentEnd_, action);
        recentActions_.push_back(action);
    }
}

void CMainFrame::UpdateFileMenu() {
    const bool idle = !PanelMeasuring();
    for (FrameCommand c : {FrameCommand::FileNew, FrameCommand::FileOpen, FrameCommand::FileSave,
                           FrameCommand::FileSaveAs})
        actions_[c]->setEnabled(idle);
    for (QAction* a : recentActions_) a->setEnabled(idle);
}

void CMainFrame::UpdateEditMenu() {
    QAction* hard = actions_[FrameCommand::HardAdjust];
    const int* mode = panel_.maintenanceMode ? panel_.maintenanceMode() : nullptr;
    const QSignalBlocker block(hard);
    hard->setEnabled(mode != nullptr);
    hard->setChecked(mode && *mode != 0);
}

// --- Panel and document -----------------------------------------------------

void CMainFrame::SetPanel(FramePanel panel) {
    panel_ = std::move(panel);
    if (panel_.widget) {
        // The panel is a form laid out for about 805 x 645 pixels; like a form
        // view it scrolls when the window is smaller, and grows with it when
        // larger, so no control is ever cut off at the default 740 x 640.
        auto* scroller = new QScrollArea(this);
        scroller->setFrameShape(QFrame::NoFrame);
        scroller->setWidgetResizable(true);
        scroller->setWidget(panel_.widget);
        setCentralWidget(scroller);
    }
    UpdateEditMenu();
}

void CMainFrame::InitialUpdate() {
    if (panel_.initialUpdate) panel_.initialUpdate();
    UpdateCaption();
}

void CMainFrame::UpdateCaption() {
    setWindowTitle(QString::fromStdString(FrameCaption(doc_.title)));
}

void CMainFrame::ShowStatusText(const QString& text) { statusBar()->showMessage(text); }

void CMainFrame::AddFileCommand(QAction* action) {
    const QList<QAction*> items = fileMenu_->actions();
    const qsizetype after = items.indexOf(actions_[FrameCommand::FileSaveAs]) + 1;
    fileMenu_->insertAction(after < items.size() ? items[after] : nullptr, action);
}

QAction* CMainFrame::Action(FrameCommand command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

bool CMainFrame::PanelMeasuring() const { return panel_.isMeasuring && panel_.isMeasuring(); }

DocumentSession::OpenOutcome CMainFrame::OpenDocumentFile(const QString& path) {
    // While measuring, the worker writes into the store between the panel's
    // polls; loading a file then would pull the arrays out from under it.
    if (PanelMeasuring()) {
        QApplication::beep();
        return DocumentSession::OpenOutcome::Cancelled;
    }
    return session_.OpenPath(QFileInfo(path).absoluteFilePath().toStdString());
}

void CMainFrame::AfterOpen(DocumentSession::OpenOutcome outcome) {
    switch (outcome) {
        case DocumentSession::OpenOutcome::Opened:
            if (panel_.initialUpdate) panel_.initialUpdate();
            UpdateCaption();
            break;
        case DocumentSession::OpenOutcome::AlreadyOpen:
            raise();
            activateWindow();
            break;
        case DocumentSession::OpenOutcome::Cancelled:
        case DocumentSession::OpenOutcome::Failed:
            break;
    }
    RebuildRecentMenu();
}

void CMainFrame::OnFileNew() {
    if (PanelMeasuring()) return QApplication::beep();
    if (!session_.New()) return;
    if (panel_.initialUpdate) panel_.initialUpdate();
    UpdateCaption();
    RebuildRecentMenu();
}

void CMainFrame::OnFileOpen() {
    if (PanelMeasuring()) return QApplication::beep();
    AfterOpen(session_.Open());
}

void CMainFrame::OnFileSave() {
    if (PanelMeasuring()) return QApplication::beep();
    session_.Save();
    UpdateCaption();
    RebuildRecentMenu();
}

void CMainFrame::OnFileSaveAs() {
    if (PanelMeasuring()) return QApplication::beep();
    session_.SaveAs();
    UpdateCaption();
    RebuildRecentMenu();
}

void CMainFrame::OnAppAbout() {
    CAboutDlg about(this);
    about.exec();
}

// --- Window events --------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (busy.load() != 0 || !session_.SaveModified()) {
        event->ignore();
        RebuildRecentMenu();
        return;
    }
    RememberGeometry();
    RebuildRecentMenu();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // Open after the drop has finished: the save prompt and any message box
    // must not run inside the drag-and-drop machinery.
    QTimer::singleShot(0, this, [this, path] {
        activateWindow();
        AfterOpen(OpenDocumentFile(path));
    });
}

FrameMargins CMainFrame::CurrentMargins() const {
    if (const QWindow* w = windowHandle()) {
        const QMargins m = w->frameMargins();
        return {m.left(), m.top(), m.right(), m.bottom()};
    }
    return {};
}

void CMainFrame::ApplyPlacement() {
    appliedMargins_ = CurrentMargins();
    const ClientRect c = ClientFromPlacement(placement_, appliedMargins_);
    setGeometry(c.x, c.y, c.width, c.height);
    normalClient_ = c;
    margins_ = appliedMargins_;
}

void CMainFrame::RememberGeometry() {
    if (!isVisible() || isMinimized()) return;  // keep the last normal-state values
    const QRect n = normalGeometry();
    if (n.isValid()) normalClient_ = {n.x(), n.y(), n.width(), n.height()};
    margins_ = CurrentMargins();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!placementSettled_) {
        // The border widths are known only once the window system has framed
        // the window; place the client area again with them, and once more
        // if they arrive late.
        if (CurrentMargins() != appliedMargins_) ApplyPlacement();
        QTimer::singleShot(500, this, [this] { placementSettled_ = true; });
    }
    RememberGeometry();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!placementSettled_ && isVisible() && CurrentMargins() != appliedMargins_) ApplyPlacement();
    RememberGeometry();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RememberGeometry();
}

}  // namespace vmf
