// The frame's commands and where they appear: the one table of actions, the
// menus, the toolbar, the recent-file entries and the menus' enabling. A new
// command is a FrameCommand value, a row in CreateActions' table and a line
// in CreateMenus.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "resources/AppIcons.h"

namespace vmf {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

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
    const bool idle = !PanelMeasuring() && !fileJobs_->Running();
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

void CMainFrame::AddFileCommand(QAction* action) {
    const QList<QAction*> items = fileMenu_->actions();
    const qsizetype after = items.indexOf(actions_[FrameCommand::FileSaveAs]) + 1;
    fileMenu_->insertAction(after < items.size() ? items[after] : nullptr, action);
}

}  // namespace vmf
