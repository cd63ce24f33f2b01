// The frame's status bar with its lock-key panes, and the window placement
// kept across runs.

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

#include "app/CMainFrame.h"
#include "app/LockKeys.h"

namespace vmf {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

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

FrameMargins CMainFrame::CurrentMargins() const {
    if (const QWindow* w = windowHandle()) {
        const QMargins m = w->frameMargins();
        return {m.left(), m.top(), m.right(), m.bottom()};
    }
    return {};
}

void CMainFrame::ApplyPlacement() {
    appliedMargins_ = CurrentMargins();
    std::vector<WindowPlacement> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect a = screen->availableGeometry();
        screens.push_back({a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
    }
    // Before the window manager has framed the window its title bar's height
    // is not known; a common one stands in until then.
    constexpr int kAssumedTitleHeight = 20;
    const WindowPlacement outer = OntoReachableScreen(
        placement_, screens, appliedMargins_.top > 0 ? appliedMargins_.top : kAssumedTitleHeight);
    const ClientRect c = ClientFromPlacement(outer, appliedMargins_);
    // The stored corner is the frame's: move() places the frame there, even
    // before the window manager has said how wide its borders are, whereas a
    // client position computed with borders still unknown would put the
    // frame a title bar higher at every start.
    resize(c.width, c.height);
    move(outer.left, outer.top);
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
