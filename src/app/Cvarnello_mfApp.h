#pragma once
// The application object: the single-instance guard, the settings store,
// the device library, the one store, the main frame and its panel, kept for
// the whole run.
//
// main() runs, in this order: AcquireInstanceLock (before any window system
// work, so a second start ends at once), QApplication, InitInstance, the
// event loop, ExitInstance (the frame and panel go while QApplication still
// exists: the panel writes its options, the frame its placement).

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "app/SingleInstanceLock.h"
#include "common/PanelOptions.h"

namespace vmf {

class CMainFrame;
class Cvarnello_mfDoc;
class Cvarnello_mfView;
class CTrendDlg;
class DeviceLibrary;
class JournalKeeper;
class QtSettingsBackend;
class QtUserDialogs;

struct AppOptions {
    std::string benchText;       // --bench TEXT; empty lets VMF_BENCH decide
    QString file;                // data file to open at start
    bool quitAfterShow = false;  // --quit-after-show: end once the window is exposed
    // --settings FILE: an INI file instead of the per-user settings, so a
    // test run or a portable copy never touches the operator's own options.
    QString settingsFile;
    QString helpText;  // --help: print this and end (empty otherwise)
};

class Cvarnello_mfApp {
public:
    Cvarnello_mfApp();
    ~Cvarnello_mfApp();
    Cvarnello_mfApp(const Cvarnello_mfApp&) = delete;
    Cvarnello_mfApp& operator=(const Cvarnello_mfApp&) = delete;

    // False when another instance runs: the caller ends at once, silently.
    // A lock that cannot be set up at all does not stop the program.
    bool AcquireInstanceLock();
    // A second start: leaves the file for the running instance, which opens
    // it as File Open would. Silent whatever happens.
    void HandOverFile(const QString& file) const;

    // The options of a command line (arguments()[0] is the program). Returns
    // nothing and fills error for an option it does not know.
    static std::optional<AppOptions> ParseCommandLine(const QStringList& arguments, QString& error);

    // Builds everything and shows the main window. False when start-up must
    // end (a data file named on the command line could not be opened).
    bool InitInstance(const AppOptions& options);
    // Destroys the frame (and with it the panel), then the store and the
    // device library. Safe to call twice.
    void ExitInstance();

    CMainFrame* mainFrame() const { return frame_; }
    Cvarnello_mfView* view() const { return view_; }
    Cvarnello_mfDoc& doc() const { return *doc_; }

private:
    // The "色彩値" window under the 表示 menu, following the panel.
    // A modeless window opened (and brought up) from the 表示 menu.
    void AddViewMenuWindow(QWidget* window, const QString& text, const QString& tip);
    void AddColourValuesWindow(Cvarnello_mfView* view);
    // The "トレンド" window in the 表示 menu; true when it was open at the last exit.
    bool AddTrendWindow(Cvarnello_mfView* view);
    // The device text comes back whenever the status bar's message is cleared.
    void KeepDeviceTextInStatusBar(const QString& text);
    // Opens the files later starts handed over, one per poll, when the
    // window is free to (no measurement, no file work, no open dialog).
    void WatchHandOvers();

    SingleInstanceLock instanceMutex_;
    std::unique_ptr<QtSettingsBackend> settings_;
    std::unique_ptr<QtUserDialogs> dialogs_;
    RecentFolders folders_;  // where each kind of file dialog starts
    std::unique_ptr<DeviceLibrary> devices_;
    std::unique_ptr<Cvarnello_mfDoc> doc_;
    std::unique_ptr<JournalKeeper> journals_;  // recovery journals of the store's recordings
    CMainFrame* frame_ = nullptr;              // owned here, deleted in ExitInstance
    Cvarnello_mfView* view_ = nullptr;         // owned by the frame
    CTrendDlg* trendWindow_ = nullptr;         // owned by the frame
};

}  // namespace vmf
