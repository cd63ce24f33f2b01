#include "app/Cvarnello_mfApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "app/CMainFrame.h"
#include "app/QtSettingsBackend.h"
#include "app/QtUserDialogs.h"
#include "app/TestScriptDriver.h"
#include "device/DeviceLibraryFactory.h"
#include "device/LibraryConventions.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelCommands.h"
#include "panel/ViewContext.h"
#include "resources/AppIcons.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

Cvarnello_mfApp::Cvarnello_mfApp() : instanceMutex_(InstanceLockNameFromEnvironment()) {}

Cvarnello_mfApp::~Cvarnello_mfApp() { ExitInstance(); }

bool Cvarnello_mfApp::AcquireInstanceLock() {
    return instanceMutex_.TryAcquire() != SingleInstanceLock::Result::HeldElsewhere;
}

std::optional<AppOptions> Cvarnello_mfApp::ParseCommandLine(const QStringList& arguments,
                                                            QString& error) {
    QCommandLineParser parser;
    const QCommandLineOption bench(QStringLiteral("bench"),
                                   QStringLiteral("simulated bench description"),
                                   QStringLiteral("TEXT"));
    const QCommandLineOption quit(QStringLiteral("quit-after-show"),
                                  QStringLiteral("end as soon as the main window is shown"));
    parser.setApplicationDescription(QString::fromUtf8(kDeviceEnvironmentHelp));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOption(bench);
    parser.addOption(quit);
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
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) options.file = files.first();
    return options;
}

bool Cvarnello_mfApp::InitInstance(const AppOptions& options) {
    QApplication::setWindowIcon(ApplicationIcon());
    settings_ = std::make_unique<QtSettingsBackend>();
    dialogs_ = std::make_unique<QtUserDialogs>();
    std::string note;
    devices_ = CreateDeviceLibrary(options.benchText, note);
    doc_ = std::make_unique<Cvarnello_mfDoc>();

    frame_ = new CMainFrame(*doc_, *dialogs_, *settings_);
    dialogs_->SetParent(frame_);

    ViewContext ctx;
    ctx.doc = doc_.get();
    ctx.devices = devices_.get();
    ctx.dialogs = dialogs_.get();
    ctx.settings = settings_.get();
    ctx.busy = &frame_->busy;
    ctx.deviceNote = note;
    view_ = new Cvarnello_mfView(ctx, frame_);
    Cvarnello_mfView* view = view_;
    FramePanel panel;
    panel.widget = view;
    panel.initialUpdate = [view] { view->OnInitialUpdate(); };
    panel.maintenanceMode = [view] { return &view->options().maintenanceMode; };
    panel.toggleMaintenanceMode = [view] { view->commands().OnToggleMaintenanceMode(); };
    panel.isMeasuring = [view] { return view->IsMeasuring(); };
    frame_->SetPanel(panel);
    QObject::connect(view, &Cvarnello_mfView::documentTitleChanged, frame_,
                     &CMainFrame::UpdateCaption);
    QObject::connect(view, &Cvarnello_mfView::statusText, frame_, &CMainFrame::ShowStatusText);

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

void Cvarnello_mfApp::ExitInstance() {
    delete frame_;  // the panel writes its options, the frame its placement
    frame_ = nullptr;
    view_ = nullptr;
    if (settings_) settings_->Sync();
    devices_.reset();
    doc_.reset();
    dialogs_.reset();
    settings_.reset();
    instanceMutex_.Release();
}

}  // namespace vmf
