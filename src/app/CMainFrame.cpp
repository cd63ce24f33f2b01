// The frame's construction, the panel it carries and the file commands on
// the one store, with dropped files and the close request.

#include "app/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>

#include "app/CAboutDlg.h"
#include "common/DocumentNaming.h"
#include "common/UserDialogs.h"
#include "resources/AppIcons.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

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
      fileJobs_(new FileJobRunner(this)),
      session_(doc, dialogs, recent_, fileJobs_) {
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    connect(fileJobs_, &FileJobRunner::runningChanged, this, &CMainFrame::OnFileWorkRunning);
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

// --- Panel and document -----------------------------------------------------

void CMainFrame::SetPanel(FramePanel panel) {
    panel_ = std::move(panel);
    if (panel_.widget) {
        // The panel is a form laid out for about 805 x 645 pixels; it scrolls
        // when the window is smaller, and grows with it when larger, so no
        // control is ever cut off at the default 740 x 640. The panel keeps
        // its graph inside the visible part, so only the controls scroll.
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

QAction* CMainFrame::Action(FrameCommand command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

bool CMainFrame::PanelMeasuring() const { return panel_.isMeasuring && panel_.isMeasuring(); }

bool CMainFrame::RefuseDuringFileWork() {
    if (!fileJobs_->Running()) return false;
    dialogs_.Notify(kFileWorkRunning);
    return true;
}

void CMainFrame::OnFileWorkRunning(bool running) {
    // The panel's commands read or change the store the worker is reading
    // or about to replace; they wait with the file commands. The graph keeps
    // painting.
    if (panel_.widget) panel_.widget->setEnabled(!running);
    UpdateFileMenu();
    if (!running && closeAfterFileWork_) {
        closeAfterFileWork_ = false;
        // After the command that ran the work has returned.
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

DocumentSession::OpenOutcome CMainFrame::OpenDocumentFile(const QString& path) {
    // While measuring, the worker writes into the store between the panel's
    // polls; loading a file then would pull the arrays out from under it.
    if (PanelMeasuring()) {
        QApplication::beep();
        return DocumentSession::OpenOutcome::Cancelled;
    }
    if (RefuseDuringFileWork()) return DocumentSession::OpenOutcome::Cancelled;
    const auto outcome = session_.OpenPath(QFileInfo(path).absoluteFilePath().toStdString());
    // The list gained the file (or lost a missing one) whoever asked: the
    // program's command line too, which does not go through AfterOpen.
    RebuildRecentMenu();
    return outcome;
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
    if (RefuseDuringFileWork()) return;
    if (!session_.New()) return;
    if (panel_.initialUpdate) panel_.initialUpdate();
    UpdateCaption();
    RebuildRecentMenu();
}

void CMainFrame::OnFileOpen() {
    if (PanelMeasuring()) return QApplication::beep();
    if (RefuseDuringFileWork()) return;
    AfterOpen(session_.Open());
}

void CMainFrame::OnFileSave() {
    if (PanelMeasuring()) return QApplication::beep();
    if (RefuseDuringFileWork()) return;
    session_.Save();
    UpdateCaption();
    RebuildRecentMenu();
}

void CMainFrame::OnFileSaveAs() {
    if (PanelMeasuring()) return QApplication::beep();
    if (RefuseDuringFileWork()) return;
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
    if (fileJobs_->Running()) {
        // The worker reads or writes the store: the window goes only after
        // it has stopped, never from under it.
        event->ignore();
        if (dialogs_.AskOkCancel(kCloseDuringFileWork)) {
            closeAfterFileWork_ = true;
            fileJobs_->Cancel();
        }
        return;
    }
    if (PanelMeasuring()) {
        // The save prompt must not run while a worker may write the store,
        // nor leave the measurement going on underneath it.
        event->ignore();
        if (closeWait_ && closeWait_->isActive()) return;  // already stopping to close
        if (!dialogs_.AskOkCancel(kAskStopAndClose)) return;
        if (panel_.stopMeasuring) panel_.stopMeasuring();
        CloseOnceHandedOver();
        return;
    }
    if (busy.load() != 0 || !session_.SaveModified()) {
        event->ignore();
        RebuildRecentMenu();
        return;
    }
    RememberGeometry();
    RebuildRecentMenu();
    event->accept();
}

void CMainFrame::CloseOnceHandedOver() {
    if (!closeWait_) {
        closeWait_ = new QTimer(this);
        closeWait_->setInterval(10);  // the panel's own polling step
        connect(closeWait_, &QTimer::timeout, this, [this] {
            if (PanelMeasuring() || busy.load() != 0) return;
            closeWait_->stop();
            close();  // now the normal close: the save prompt, then the window goes
        });
    }
    closeWait_->start();
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

}  // namespace vmf
