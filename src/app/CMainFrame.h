#pragma once
// The main window: menu, toolbar and status bar around the control panel,
// the file commands on the one store, the window placement, dropped files,
// and the busy flag that keeps the window open while a worker talks to the
// heads.
//
// The frame does not know the panel's class: it is handed a FramePanel
// (the widget and the two things the frame asks of it), so the frame is
// tested with a stand-in widget and the application wires the real panel.

#include <QMainWindow>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>

#include "app/DocumentSession.h"
#include "app/RecentFileList.h"
#include "app/WindowRect.h"
#include "common/FileJobRunner.h"
#include "common/PanelOptions.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QTimer;

namespace vmf {

class Cvarnello_mfDoc;
class UserDialogs;

struct FramePanel {
    QWidget* widget = nullptr;              // becomes the central widget; the frame owns it
    std::function<void()> initialUpdate;    // after File New / File Open and at start
    std::function<int*()> maintenanceMode;  // the "hard"/"adjust" option member
    // Flips maintenanceMode and lets the panel follow at once; when unset the
    // frame sets the member itself.
    std::function<void()> toggleMaintenanceMode;
    std::function<bool()> isMeasuring;  // file commands wait while this is true
    // Stops the measurement as the Stop button does; the worker hands over
    // later, and isMeasuring stays true until it has.
    std::function<void()> stopMeasuring;
};

// The question of a close request while measuring.
inline constexpr const char* kAskStopAndClose = "計測中です。計測を停止して終了しますか?";

// The frame's commands, for tests to find their actions.
enum class FrameCommand {
    FileNew,
    FileOpen,
    FileSave,
    FileSaveAs,
    AppExit,
    EditUndo,
    EditCut,
    EditCopy,
    EditPaste,
    HardAdjust,
    ViewToolBar,
    ViewStatusBar,
    AppAbout,
    FilePrint,
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Reads the window placement and the recent-file list from settings.
    CMainFrame(Cvarnello_mfDoc& doc, UserDialogs& dialogs, SettingsBackend& settings,
               QWidget* parent = nullptr);
    // Writes the restored window rectangle (also when minimised) and the
    // recent-file list.
    ~CMainFrame() override;

    // Set by a worker while it talks to the heads; a close request that
    // arrives meanwhile is dropped (the user closes again later), unless a
    // measurement runs: then the close asks to stop it and waits for the
    // worker's hand-over before the save prompt.
    std::atomic<int> busy{0};

    void SetPanel(FramePanel panel);
    // Start-up: the panel's initial update and the caption.
    void InitialUpdate();
    // Opens a file named on the command line, dropped or picked from the
    // recent list, like File Open after its dialog.
    DocumentSession::OpenOutcome OpenDocumentFile(const QString& path);
    // "varnello_mf - <title>", "無題" for a new document.
    void UpdateCaption();
    // A text in the status bar's message pane until the next prompt.
    void ShowStatusText(const QString& text);
    // A command added to the File menu after Save As (the export).
    void AddFileCommand(QAction* action);

    QAction* Action(FrameCommand command) const;
    QList<QAction*> RecentFileActions() const { return recentActions_; }
    QToolBar* ToolBar() const { return toolbar_; }
    QMenu* ViewMenu() const { return viewMenu_; }  // "表示", for the panel's windows
    QLabel* ReadyPane() const { return ready_; }
    DocumentSession& session() { return session_; }
    // Runs the file work of the frame and of the panel (comparison, CSV).
    FileJobRunner& fileWork() { return *fileJobs_; }
    const WindowPlacement& placement() const { return placement_; }

    // The file commands, also reachable through their actions.
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnAppAbout();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void RebuildRecentMenu();
    void UpdateEditMenu();
    void UpdateFileMenu();
    void UpdateLockPanes();
    void AfterOpen(DocumentSession::OpenOutcome outcome);
    bool PanelMeasuring() const;
    // True (after saying why) when file work runs and a command must wait.
    bool RefuseDuringFileWork();
    void OnFileWorkRunning(bool running);
    FrameMargins CurrentMargins() const;
    void ApplyPlacement();
    void RememberGeometry();
    void CloseOnceHandedOver();

    Cvarnello_mfDoc& doc_;
    UserDialogs& dialogs_;
    SettingsBackend& settings_;
    FileJobRunner* fileJobs_;
    bool closeAfterFileWork_ = false;  // the operator chose to cancel and close
    RecentFileList recent_;
    DocumentSession session_;
    FramePanel panel_;
    WindowPlacement placement_;
    // While the window is shown: its client rectangle in normal state and
    // its border widths, kept because neither is reliable once it is hidden.
    ClientRect normalClient_;
    FrameMargins margins_;
    FrameMargins appliedMargins_;
    bool placementSettled_ = false;

    std::map<FrameCommand, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QAction* recentEnd_ = nullptr;
    QList<QAction*> recentActions_;
    QToolBar* toolbar_ = nullptr;
    QLabel* ready_ = nullptr;
    QLabel* capPane_ = nullptr;
    QLabel* numPane_ = nullptr;
    QLabel* scrlPane_ = nullptr;
    QTimer* lockTimer_ = nullptr;
    QTimer* closeWait_ = nullptr;  // polls for the hand-over after "stop and close"
};

}  // namespace vmf
