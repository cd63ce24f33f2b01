// The axis limits set by clicks on the graph's corners.

#include <QMouseEvent>

#include "panel/CEditNumDlg.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/GraphMath.h"

namespace vmf {

// --- Axis limits by clicks on the graph corners -------------------------------

void Cvarnello_mfView::mousePressEvent(QMouseEvent* event) {
    // Clicks on the frame arrive through GraphFrame::clicked; these are the
    // ones beside it, which the hit test turns away.
    if (event->button() == Qt::LeftButton) OnGraphClick(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void Cvarnello_mfView::OnGraphClick(QPoint panelPos) {
    if (!shown_) return;
    const AxisLimit which =
        HitTestAxisCorner(panelPos.x(), panelPos.y() - graphTop_, LayoutHeight());
    int* target = nullptr;
    switch (which) {
        case AxisLimit::GraphMax:
            target = &options_.graphMax;
            break;
        case AxisLimit::GraphMin:
            target = &options_.graphMin;
            break;
        case AxisLimit::RatioMax:
            target = &options_.ratioMax;
            break;
        case AxisLimit::None:
            return;
    }
    const QString label =
        which == AxisLimit::GraphMin ? QStringLiteral("最小値") : QStringLiteral("最大値");
    std::optional<float> entered;
    if (numberEditor_) {
        entered = numberEditor_(label, static_cast<float>(*target));
    } else {
        CEditNumDlg dlg(this);
        dlg.label = label;
        dlg.value = static_cast<float>(*target);
        if (dlg.exec() == QDialog::Accepted) entered = dlg.value;
    }
    if (!entered) return;
    *target = ApplyAxisLimit(which, *entered);
    DrawGraph();
}

}  // namespace vmf
