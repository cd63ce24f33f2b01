#include "panel/CursorReadout.h"

#include <QEvent>
#include <QMouseEvent>
#include <algorithm>

#include "panel/CursorText.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/GraphFrame.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

CursorReadout::CursorReadout(Cvarnello_mfView& view) : QObject(&view), view_(view) {
    view_.frame().setMouseTracking(true);
    view_.frame().installEventFilter(this);
}

QString CursorReadout::TextAt(int x, int y) const {
    const auto k = PlotIndexAt(view_.frame().renderer().Layout(), x, y);
    if (!k) return {};
    CursorCurves c;
    c.ws = &view_.workspace();
    c.headCount = view_.doc().headCount;
    const PanelState& s = view_.state();
    c.barDisplay = s.barDisplay;
    c.selectedOnly = s.selectedOnly;
    c.selectedHead = s.selectedHead;
    c.method = s.method;
    if (const auto& compare = view_.compareStore()) {
        c.compare = &view_.compareSpectrum();
        c.compareHeadCount = std::clamp(compare->headCount, 0, MAX_HEADS);
        const int h = s.compareHead;
        c.compareDrawable = h >= 0 && h < c.compareHeadCount && compare->recordCount[h] > 0;
    }
    return QString::fromStdString(CursorText(c, *k));
}

void CursorReadout::Show(const QString& text) {
    if (text == last_) return;
    last_ = text;
    emit view_.statusText(text);
}

bool CursorReadout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        Show(TextAt(p.x(), p.y()));
    } else if (event->type() == QEvent::Leave) {
        Show(QString());
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vmf
