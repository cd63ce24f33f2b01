#pragma once
// Frame control 1000: the left part of the panel. It paints the graph's
// backing image (its GraphRenderer's) on every paint event; drawing happens
// only through the renderer, and every drawing call schedules a repaint of
// the frame, whether it is made here or on the renderer directly.
//
// A left button press emits clicked() with the point in panel coordinates
// (the frame sits at (5, 30) in the panel), so the panel's axis-limit hit
// test (HitTestAxisCorner) works on the same numbers as for a click beside
// the frame. The event is accepted; the panel does not see it twice.

#include <QPoint>
#include <QString>
#include <QWidget>
#include <memory>

#include "panel/GraphRenderer.h"

namespace vmf {

class GraphFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int CONTROL_ID = 1000;

    // With its own renderer.
    explicit GraphFrame(QWidget* parent = nullptr);
    // Showing a renderer the caller owns; it must outlive every paint of
    // this frame (the frame never touches it from its destructor).
    GraphFrame(GraphRenderer& renderer, QWidget* parent);

    // Places the frame at (5, 30, 600, H - 35) in its parent; the resize
    // sizes the backing image for the panel client height H.
    void LayoutForPanelHeight(int panelHeight);

    GraphRenderer& renderer() { return *renderer_; }
    const GraphRenderer& renderer() const { return *renderer_; }

    void DrawGraph(const GraphInput& input) { renderer_->DrawGraph(input); }
    void DrawColourBar() { renderer_->DrawColourBar(); }
    void ShowMessage(const QString& line1, const QString& line2 = {}) {
        renderer_->ShowMessage(line1, line2);
    }
    void ShowInfo(const QString& text) { renderer_->ShowInfo(text); }

signals:
    void clicked(QPoint panelPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Attach();

    std::unique_ptr<GraphRenderer> own_;
    GraphRenderer* renderer_ = nullptr;
};

}  // namespace vmf
