#pragma once
// Frame control 1000: the left part of the panel. It owns the graph's
// backing image (through its GraphRenderer) and paints it on every paint
// event; drawing happens only through the calls below, each of which
// schedules a repaint of the frame.
//
// A left button press emits clicked() with the point in panel coordinates
// (the frame sits at (5, 30) in the panel), so the panel's axis-limit hit
// test (HitTestAxisCorner) works on the same numbers as for a click beside
// the frame. The event is accepted; the panel does not see it twice.

#include <QPoint>
#include <QString>
#include <QWidget>

#include "panel/GraphRenderer.h"

namespace vmf {

class GraphFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int CONTROL_ID = 1000;

    explicit GraphFrame(QWidget* parent = nullptr);

    // Places the frame at (5, 30, 600, H - 35) in its parent and sizes the
    // backing image for the panel client height H.
    void LayoutForPanelHeight(int panelHeight);

    GraphRenderer& renderer() { return renderer_; }
    const GraphRenderer& renderer() const { return renderer_; }

    void DrawGraph(const GraphInput& input);
    void DrawColourBar();
    void ShowMessage(const QString& line1, const QString& line2 = {});
    void ShowInfo(const QString& text);

signals:
    void clicked(QPoint panelPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    GraphRenderer renderer_;
};

}  // namespace vmf
