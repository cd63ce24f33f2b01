#include "app/Cvarnello_mfApp.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "app/CMainFrame.h"
#include "app/InstanceHandOver.h"
#include "app/JapaneseQtLocale.h"
#include "app/JournalKeeper.h"
#include "app/QtSettingsBackend.h"
#include "app/QtTranslations.h"
#include "app/QtUserDialogs.h"
#include "app/TestScriptDriver.h"
#include "device/DeviceLibraryFactory.h"
#include "device/LibraryConventions.h"
#if VMF_HAVE_HDF5
#include "hdf5/Hdf5ExportAction.h"
#endif
#if VMF_HAVE_LIVE_VIEW
#include "live/LiveViewAction.h"
#endif
#include "panel/CColourValuesDlg.h"
#if VMF_HAVE_TREND_WINDOW
#include "panel/CTrendDlg.h"
#endif
#include "panel/CursorReadout.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/HeadSwatches.h"
#include "panel/PanelCommands.h"
#include "panel/ViewContext.h"
#include "resources/AppIcons.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

Cvarnello_mfApp::Cvarnello_mfApp() : instanceMutex_(InstanceLockNameFromEnvironment()) {}

Cvarnello_mfApp::~Cvarnello_mfApp() { ExitInstance(); }

bool Cvarnello_mfApp::AcquireInstanceLock() {
    const auto result = instanceMutex_.TryAcquire();
    // Files a crashed instance never took are not this run's to open.
    if (result == SingleInstanceLock::Result::Acquired)
        TakeHandOvers(HandOverFolder(instanceMutex_.name()));
    return result != SingleInstanceLock::Result::HeldElsewhere;
}

void Cvarnello_mfApp::HandOverFile(const QString& file) const {
    // Absolute: the running instance has another working folder.
    const QString path = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
    std::string error;
    PostHandOver(HandOverFolder(instanceMutex_.name()), path.toStdString(), error);
}

void Cvarnello_mfApp::WatchHandOvers() {
    auto* poll = new QTimer(frame_);
    poll->setInterval(250);
    const auto folder = HandOverFolder(instanceMutex_.name());
    auto pending = std::make_shared<std::vector<std::string>>();
    QObject::connect(poll, &QTimer::timeout, frame_, [this, folder, pending] {
        if (view_->IsMeasuring() || frame_->fileWork().Running() ||
            QApplication::activeModalWidget())
            return;  // the files wait in the folder, or here, until the window is free
        if (pending->empty()) *pending = TakeHandOvers(folder);
        if (pending->empty()) return;
        const QString path = QString::fromStdString(pending->front());
        pending->erase(pending->begin());
        frame_->raise();
        frame_->activateWindow();
        if (frame_->OpenDocumentFile(path) == DocumentSession::OpenOutcome::Opened)
            frame_->InitialUpdate();
    });
    poll->start();
}

std::optional<AppOptions> Cvarnello_mfApp::ParseCommandLine(const QStringList& arguments,
                                                            QString& error) {
    QCommandLineParser parser;
    const QCommandLineOption bench(QStringLiteral("bench"),
                                   QStringLiteral("simulated bench description"),
                                   QStringLiteral("TEXT"));
    const QCommandLineOption quit(QStringLiteral("quit-after-show"),
                                  QStringLiteral("end as soon as the main window is shown"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("INI file to keep the settings in"),
                                      QStringLiteral("FILE"));
    parser.setApplicationDescription(QString::fromUtf8(kDeviceEnvironmentHelp));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOption(bench);
    parser.addOption(quit);
    parser.addOption(settings);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("data file (.vqdata) to open"));
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    AppOptions options;
    if (parser.isSet(help)) options.helpText = parser.helpText();
    options.benchText = parser.value(bench).toStdString();
    options.quitAfterShow = parser.isSet(quit);
    options.settingsFile = parser.value(settings);
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) options.file = files.first();
    return options;
}

bool Cvarnello_mfApp::InitInstance(const AppOptions& options) {
    QApplication::setWindowIcon(ApplicationIcon());
    InstallQtTranslations();
    // Qt's own dialogs follow the program's language rather than the
    // system's: the file types in the file dialog's columns.
    UseJapaneseQtTexts();
    settings_ = options.settingsFile.isEmpty()
                    ? std::make_unique<QtSettingsBackend>()
                    : std::make_unique<QtSettingsBackend>(options.settingsFile);
    dialogs_ = std::make_unique<QtUserDialogs>();
    ReadFolders(*settings_, folders_);
    dialogs_->SetFolders(&folders_);
    std::string note;
    devices_ = CreateDeviceLibrary(options.benchText, note);
    doc_ = std::make_unique<Cvarnello_mfDoc>();
    // The folder the command line falls back to for its journals
    // (store/RecoveryFolder.h computes the same place without Qt).
    journals_ = std::make_unique<JournalKeeper>(
        *doc_, *dialogs_,
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString() +
            "/recovery");

    frame_ = new CMainFrame(*doc_, *dialogs_, *settings_);
    dialogs_->SetParent(frame_);
    // A journal ends only when its records are saved or discarded.
    JournalKeeper* journals = journals_.get();
    doc_->recordsDiscarded = [journals] { journals->Discard(); };
    frame_->session().SetRecordsSettled([journals] { journals->Discard(); });

    ViewContext ctx;
    ctx.doc = doc_.get();
    ctx.devices = devices_.get();
    ctx.dialogs = dialogs_.get();
    ctx.settings = settings_.get();
    ctx.busy = &frame_->busy;
    ctx.fileWork = &frame_->fileWork();
    ctx.deviceNote = note;
    ctx.journal = &journals_->Journal();
    CMainFrame* saver = frame_;
    ctx.saveRecords = [saver] { saver->OnFileSave(); };
    view_ = new Cvarnello_mfView(ctx, frame_);
    Cvarnello_mfView* view = view_;
    FramePanel panel;
    panel.widget = view;
    panel.initialUpdate = [view] { view->OnInitialUpdate(); };
    panel.maintenanceMode = [view] { return &view->options().maintenanceMode; };
    panel.toggleMaintenanceMode = [view] { view->commands().OnToggleMaintenanceMode(); };
    panel.isMeasuring = [view] { return view->IsMeasuring(); };
    panel.stopMeasuring = [view] { view->StopMeasuring(); };
    frame_->SetPanel(panel);
#if VMF_HAVE_HDF5
    CMainFrame* frame = frame_;
    frame_->AddFileCommand(
        CreateHdf5ExportAction(frame_, *doc_, *dialogs_, frame_->fileWork(), panel.isMeasuring,
                               [frame](const QString& text) { frame->ShowStatusText(text); }));
#endif
    QObject::connect(view, &Cvarnello_mfView::documentTitleChanged, frame_,
                     &CMainFrame::UpdateCaption);
    QObject::connect(view, &Cvarnello_mfView::statusText, frame_, &CMainFrame::ShowStatusText);
    AddColourValuesWindow(view);
#if VMF_HAVE_LIVE_VIEW
    CMainFrame* liveStatus = frame_;
    auto* live = new LiveView(
        *view, *settings_, *dialogs_,
        [liveStatus](const QString& text) { liveStatus->ShowStatusText(text); }, frame_);
    frame_->ViewMenu()->addAction(live->MenuAction());
#endif
    const bool trendOpen = AddTrendWindow(view);
    new HeadSwatches(*view);
    new CursorReadout(*view);

    // Without a file the store stays as constructed: a new, untitled document.
    if (!options.file.isEmpty() &&
        frame_->OpenDocumentFile(options.file) != DocumentSession::OpenOutcome::Opened)
        return false;
    frame_->InitialUpdate();
    frame_->show();
    frame_->raise();
    frame_->activateWindow();
    // After show: a message set while the status bar is hidden leaves the
    // "レディ" pane visible underneath it.
    frame_->ShowStatusText(QString::fromStdString(note));
    KeepDeviceTextInStatusBar(QString::fromStdString(note));
    // Asked with the window up, so the question has its parent; restored
    // records re-initialise the panel as a file just opened does.
    if (journals_->OfferRecovery()) frame_->InitialUpdate();
    WatchHandOvers();
#if VMF_HAVE_TREND_WINDOW
    if (trendOpen) trendWindow_->show();
#else
    (void)trendOpen;
#endif

    if (const char* script = std::getenv("VMF_TEST_SCRIPT"); script && *script) {
        std::string error;
        auto steps = ParseTestScript(script, error);
        if (!steps) {
            std::fprintf(stderr, "varnello_mf: VMF_TEST_SCRIPT: %s\n", error.c_str());
            return false;
        }
        auto* driver = new TestScriptDriver(std::move(*steps), *frame_, *view_, *doc_, *dialogs_);
        driver->Begin();
    }

    if (options.quitAfterShow) {
        // Ends once the window system has the window on screen, so the time of
        // a run measures start-up up to a visible main window.
        QTimer* poll = new QTimer(frame_);
        QObject::connect(poll, &QTimer::timeout, frame_, [this, poll] {
            if (frame_->windowHandle() && frame_->windowHandle()->isExposed()) {
                poll->stop();
                frame_->close();
            }
        });
        poll->start(1);
    }
    return true;
}

void Cvarnello_mfApp::KeepDeviceTextInStatusBar(const QString& text) {
    if (text.isEmpty()) return;
    // Status tips and the cursor readout over the graph replace the text for
    // a while and clear the message when they are done: which devices are in
    // use is said again then, rather than "レディ" for the rest of the run.
    QStatusBar* bar = frame_->statusBar();
    QObject::connect(bar, &QStatusBar::messageChanged, bar, [bar, text](const QString& shown) {
        if (shown.isEmpty()) bar->showMessage(text);
    });
}

void Cvarnello_mfApp::AddViewMenuWindow(QWidget* window, const QString& text, const QString& tip) {
    QAction* open = frame_->ViewMenu()->addAction(text);
    open->setStatusTip(tip);
    QObject::connect(open, &QAction::triggered, window, [window] {
        window->show();
        window->raise();
        window->activateWindow();
    });
}

void Cvarnello_mfApp::AddColourValuesWindow(Cvarnello_mfView* view) {
    auto* window = new CColourValuesDlg(PanelColourSource(*view), frame_);
    AddViewMenuWindow(window, QStringLiteral("色彩値(&C)"),
                      QStringLiteral("表示中の記録の色温度、演色評価数、L*a*b* などを表示します"));
    QObject::connect(view, &Cvarnello_mfView::displayedChanged, window,
                     &CColourValuesDlg::ScheduleRefresh);
}

bool Cvarnello_mfApp::AddTrendWindow(Cvarnello_mfView* view) {
#if VMF_HAVE_TREND_WINDOW
    trendWindow_ = new CTrendDlg(*view, settings_.get(), frame_);
    AddViewMenuWindow(trendWindow_, QStringLiteral("トレンド(&R)"),
                      QStringLiteral("記録ごとのピーク、統計値、温度、色彩値の推移を表示します"));
    return trendWindow_->WasOpen();
#else
    // Built without Qt Charts (see CMakeLists.txt): no trend window.
    (void)view;
    return false;
#endif
}

void Cvarnello_mfApp::ExitInstance() {
    // Nothing unsaved left: whatever journal is still open has no more use.
    if (journals_ && doc_ && !doc_->IsModified()) journals_->Discard();
    delete frame_;  // the panel writes its options, the frame its placement
    frame_ = nullptr;
    trendWindow_ = nullptr;
    view_ = nullptr;
    if (settings_) {
        if (dialogs_) WriteFolders(*settings_, folders_);
        settings_->Sync();
    }
    devices_.reset();
    doc_.reset();
    journals_.reset();
    dialogs_.reset();
    settings_.reset();
    instanceMutex_.Release();
}

}  // namespace vmf
