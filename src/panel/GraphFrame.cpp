#include "panel/GraphFrame.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace vmf {

GraphFrame::GraphFrame(QWidget* parent)
    : QWidget(parent), own_(std::make_unique<GraphRenderer>()), renderer_(own_.get()) {
    Attach();
}

GraphFrame::GraphFrame(GraphRenderer& renderer, QWidget* parent)
    : QWidget(parent), renderer_(&renderer) {
    Attach();
}

void GraphFrame::Attach() {
    setProperty("ctrlId", CONTROL_ID);
    // The image covers the whole frame; nothing underneath needs erasing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    renderer_->SetFont(font());
    renderer_->SetBackground(palette().color(QPalette::Window));
    renderer_->SetChangedCallback([this] { update(); });
    if (height() > 0) renderer_->Resize(height() + FRAME_HEIGHT_MARGIN);
}

void GraphFrame::LayoutForPanelHeight(int panelHeight) {
    setGeometry(FRAME_X, FRAME_Y, FRAME_WIDTH, std::max(0, panelHeight - FRAME_HEIGHT_MARGIN));
    // A resize to the same size sends no event, but the renderer still has
    // to know H (the boxes depend on it even when the image size does not).
    if (renderer_->PanelHeight() != panelHeight) renderer_->Resize(panelHeight);
}

void GraphFrame::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QImage& img = renderer_->image();
    const QRect r = event->rect();
    // Whatever the image does not cover (a frame wider than 600 pixels, or
    // before the first resize) shows the window colour.
    p.fillRect(r, palette().color(QPalette::Window));
    if (!img.isNull()) p.drawImage(r.topLeft(), img, r);
}

void GraphFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    renderer_->Resize(event->size().height() + FRAME_HEIGHT_MARGIN);
}

void GraphFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked(mapToParent(event->position().toPoint()));
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void GraphFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) renderer_->SetFont(font());
    if (event->type() == QEvent::PaletteChange)
        renderer_->SetBackground(palette().color(QPalette::Window));
    QWidget::changeEvent(event);
}

}  // namespace vmf
