#include "app/Cvarnello_mfApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <QWindow>

#include "app/CMainFrame.h"
#include "app/QtSettingsBackend.h"
#include "app/QtUserDialogs.h"
#include "device/DeviceLibraryFactory.h"
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
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("INI file to keep the settings in"),
                                      QStringLiteral("FILE"));
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
    options.benchText = parser.value(bench).toStdString();
    options.quitAfterShow = parser.isSet(quit);
    options.settingsFile = parser.value(settings);
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) options.file = files.first();
    return options;
}

bool Cvarnello_mfApp::InitInstance(const AppOptions& options) {
    QApplication::setWindowIcon(ApplicationIcon());
    settings_ = options.settingsFile.isEmpty()
                    ? std::make_unique<QtSettingsBackend>()
                    : std::make_unique<QtSettingsBackend>(options.settingsFile);
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
    ctx.fileWork = &frame_->fileWork();
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
