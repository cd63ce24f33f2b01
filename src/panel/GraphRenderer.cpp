#include "panel/GraphRenderer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "spectrum/ResponseCurve.h"
#include "spectrum/WavelengthColour.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

namespace {

QPen MakePen(const QColor& colour) {
    // Cosmetic, one pixel, flat cap: a flat cap leaves out a line's end point
    // (for lines drawn rightwards or downwards, as the grid lines are), so a
    // grid line stops short of P.right / P.bottom like a line-to does.
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

QPen MakePen(Rgb c) { return MakePen(QColor(c.r, c.g, c.b)); }

int ClampCount(int n, int bound) { return std::clamp(n, 0, bound); }

// Rounds a / n to the nearest integer, halves away from zero (n > 0).
int RoundDiv(int a, int n) { return a >= 0 ? (2 * a + n) / (2 * n) : -((-2 * a + n) / (2 * n)); }

// Direct pixel writes into a 32-bit image, clipped to it.
class PixelWriter {
public:
    explicit PixelWriter(QImage& img)
        : bits_(reinterpret_cast<QRgb*>(img.bits())),
          stride_(img.bytesPerLine() / 4),
          width_(img.width()),
          height_(img.height()) {}

    void Plot(int x, int y, QRgb c) {
        if (static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
            static_cast<unsigned>(y) < static_cast<unsigned>(height_)) {
            bits_[static_cast<ptrdiff_t>(y) * stride_ + x] = c;
        }
    }

    // The pixels of the line from p0 toward p1 with p1 itself left out, as
    // a move-to/line-to pair draws it: max(|dx|, |dy|) pixels, one per step
    // along the major axis, the minor coordinate rounded to the nearest.
    void Segment(QPoint p0, QPoint p1, QRgb c) {
        const int dx = p1.x() - p0.x();
        const int dy = p1.y() - p0.y();
        const int n = std::max(std::abs(dx), std::abs(dy));
        for (int i = 0; i < n; ++i)
            Plot(p0.x() + RoundDiv(i * dx, n), p0.y() + RoundDiv(i * dy, n), c);
    }

    // Consecutive segments; only the very last point stays undrawn.
    void Polyline(const std::vector<QPoint>& pts, QRgb c) {
        for (size_t i = 1; i < pts.size(); ++i) Segment(pts[i - 1], pts[i], c);
    }

private:
    QRgb* bits_;
    ptrdiff_t stride_;
    int width_, height_;
};

}  // namespace

GraphRenderer::GraphRenderer() {
    for (int u = 0; u < MAX_HEADS; ++u) {
        measuredPens_[u] = MakePen(MeasuredColour(u));
        comparisonPens_[u] = MakePen(ComparisonColour(u));
        ratioPens_[u] = MakePen(RatioColour(u));
        gainPens_[u] = MakePen(GainColour(u));
    }
    gridPen_ = MakePen(GRID_COLOUR);
    responsePen_ = MakePen(RESPONSE_COLOUR);
    boxPen_ = MakePen(QColor(0, 0, 0));
    for (int k = 0; k < GRID_POINTS; ++k) {
        const Rgb8 c = GridPenColour(k);
        wavelengthPens_[k] = MakePen(QColor(c.red, c.green, c.blue));
    }
    points_.reserve(std::max(GRID_POINTS, MAX_CHANNELS));
    SetFont(QFont());
}

void GraphRenderer::SetFont(const QFont& font) {
    font_ = font;
    textCache_.clear();
}

void GraphRenderer::Resize(int panelHeight) {
    panelHeight_ = panelHeight;
    layout_ = ComputeGraphLayout(panelHeight);
    const int h = std::max(0, layout_.frameHeight);
    if (image_.width() == FRAME_WIDTH && image_.height() == h) return;
    QImage next(FRAME_WIDTH, h, QImage::Format_RGB32);
    if (next.isNull()) {
        image_ = QImage();
        Changed();
        return;
    }
    next.fill(background_);
    if (!image_.isNull()) {
        // Between redraws the frame keeps showing what was drawn last.
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(next);
    Changed();
}

void GraphRenderer::Clear() {
    if (image_.isNull()) return;
    image_.fill(background_);
    Changed();
}

void GraphRenderer::Changed() const {
    if (changed_) changed_();
}

void GraphRenderer::BeginPainter(QPainter& p) {
    p.begin(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font_);
}

void GraphRenderer::DrawBox(QPainter& p, const GraphRect& r) const {
    const int w = r.Width();
    const int h = r.Height();
    if (w <= 0 || h <= 0) return;
    p.fillRect(QRect(r.left, r.top, w, h), Qt::white);
    // A cosmetic outline of QRect(x, y, w, h) covers x..x+w, so w - 1 puts
    // the border on left..right-1 as the box convention has it.
    p.setPen(boxPen_);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(r.left, r.top, w - 1, h - 1));
}

void GraphRenderer::DrawLine(QPainter& p, int x0, int y0, int x1, int y1) {
    // A painter draws a zero-length line as one pixel; a line-to draws none.
    if (x0 == x1 && y0 == y1) return;
    p.drawLine(x0, y0, x1, y1);
}

void GraphRenderer::DrawText(QPainter& p, int x, int y, const QString& text, bool reused) {
    if (text.isEmpty()) return;
    // (x, y) is the top-left corner of the text, as a static text is placed.
    p.setPen(QColor(0, 0, 0));
    if (!reused) {
        p.drawStaticText(QPoint(x, y), QStaticText(text));
        return;
    }
    // The axis labels repeat from draw to draw; a laid-out text is reused.
    // Limit edits bring new labels, so the cache is dropped when it grows.
    auto it = textCache_.find(text);
    if (it == textCache_.end()) {
        if (textCache_.size() > 512) textCache_.clear();
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        st.setPerformanceHint(QStaticText::AggressiveCaching);
        st.prepare(QTransform(), font_);
        it = textCache_.insert(text, st);
    }
    p.drawStaticText(QPoint(x, y), it.value());
}

bool GraphRenderer::Passes(const GraphInput& in, int u) {
    return !in.selectedOnly || u == in.selectedHead;
}

void GraphRenderer::DrawGraph(const GraphInput& in) {
    // The derived minimum is stored even when nothing can be drawn, so the
    // saved setting always matches the limits it came from.
    const int ratioMin = DeriveRatioMin(in.ratioMax, in.graphMin, in.graphMax);
    if (in.ratioMin) *in.ratioMin = ratioMin;
    if (image_.isNull()) return;

    QPainter p;
    BeginPainter(p);
    DrawBox(p, layout_.graph);
    DrawBox(p, layout_.plot);
    DrawAxes(p, in);

    p.end();
    if (in.ws && in.doc) {
        if (in.barDisplay) {
            DrawBars(in);
        } else {
            DrawCurves(in, ratioMin);
        }
    }
    Changed();
}

void GraphRenderer::DrawCurves(const GraphInput& in, int ratioMin) {
    const int heads = ClampCount(in.doc->headCount, MAX_HEADS);
    for (int u = 0; u < heads; ++u) {
        if (Passes(in, u))
            DrawCurve(measuredPens_[u], in.ws->displaySpectrum[u], in.graphMin, in.graphMax);
    }
    if (in.compareDrawable && in.compareSpectrum) {
        const int n = ClampCount(in.compareHeadCount, MAX_HEADS);
        for (int u = 0; u < n; ++u)
            DrawCurve(comparisonPens_[u], (*in.compareSpectrum)[u], in.graphMin, in.graphMax);
    }
    if (in.method == MeasuringMethod::Reflectance || in.method == MeasuringMethod::Transmittance) {
        for (int u = 0; u < heads; ++u) {
            if (Passes(in, u))
                DrawCurve(ratioPens_[u], in.ws->displayRatio[u], ratioMin, in.ratioMax);
        }
    }
    if (in.maintenanceMode) DrawMaintenance(in);
}

void GraphRenderer::DrawAxes(QPainter& p, const GraphInput& in) {
    const GraphRect& P = layout_.plot;
    const std::vector<WavelengthTick>& wave = WavelengthTicks();
    p.setPen(gridPen_);
    for (const WavelengthTick& t : wave)
        DrawLine(p, P.left + t.index, P.top, P.left + t.index, P.bottom);
    for (const WavelengthTick& t : wave)
        DrawText(p, P.left + t.index - 10, P.bottom + 2, QString::fromStdString(t.label), true);

    const std::vector<AxisTick> ticks =
        LeftAxisTicks(in.graphMax, in.graphMin, in.ratioMax, layout_);
    p.setPen(gridPen_);
    for (const AxisTick& t : ticks) DrawLine(p, P.left, t.y, P.right, t.y);
    for (const AxisTick& t : ticks) {
        DrawText(p, P.left - 35, t.y - 10, QString::fromStdString(t.leftLabel), true);
        DrawText(p, P.right + 5, t.y - 10, QString::fromStdString(t.rightLabel), true);
    }
}

void GraphRenderer::DrawBars(const GraphInput& in) {
    // Every head's bar at grid index k uses the same wavelength pen k, so the
    // overlapping bars of several heads paint exactly the pixels of the
    // tallest one; drawing only that one gives the same image with a tenth
    // of the lines.
    const GraphRect& P = layout_.plot;
    const int heads = ClampCount(in.doc->headCount, MAX_HEADS);
    std::array<int, GRID_POINTS> tallest{};
    bool any = false;
    for (int u = 0; u < heads; ++u) {
        if (!Passes(in, u)) continue;
        any = true;
        const auto& row = in.ws->displaySpectrum[u];
        for (int k = 0; k < GRID_POINTS; ++k) {
            tallest[k] =
                std::max(tallest[k], ValueHeight(row[k], in.graphMin, in.graphMax, layout_.plotH));
        }
    }
    if (!any) return;
    PixelWriter px(image_);
    for (int k = 0; k < GRID_POINTS; ++k) {
        // The bar runs up from P.bottom and leaves out its end point, so it
        // covers rows P.bottom - h + 1 .. P.bottom.
        const QRgb c = wavelengthPens_[k].color().rgb();
        for (int y = P.bottom - tallest[k] + 1; y <= P.bottom; ++y) px.Plot(P.left + k, y, c);
    }
}

void GraphRenderer::DrawCurve(const QPen& pen, const std::array<float, GRID_POINTS>& row, int lo,
                              int hi) {
    const GraphRect& P = layout_.plot;
    points_.clear();
    for (int k = 0; k < GRID_POINTS; ++k) {
        points_.emplace_back(P.left + k, P.bottom - ValueHeight(row[k], lo, hi, layout_.plotH));
    }
    DrawPolyline(pen);
}

void GraphRenderer::DrawPolyline(const QPen& pen) {
    if (points_.size() < 2) return;
    PixelWriter(image_).Polyline(points_, pen.color().rgb());
}

void GraphRenderer::DrawMaintenance(const GraphInput& in) {
    const GraphRect& P = layout_.plot;
    const int plotH = layout_.plotH;

    points_.clear();
    for (int k = 0; k < GRID_POINTS; ++k) {
        const double pct = responseCurve[static_cast<size_t>(GRID_START_NM + k - CURVE_START_NM)];
        const float h = static_cast<float>(pct * plotH / 100.0);
        points_.emplace_back(P.left + k, P.bottom - ClampHeight(std::trunc(h), plotH));
    }
    DrawPolyline(responsePen_);

    const int heads = ClampCount(in.doc->headCount, MAX_HEADS);
    for (int u = 0; u < heads; ++u) {
        if (!Passes(in, u)) continue;
        points_.clear();
        const int channels = ClampCount(in.doc->channelCount[u], MAX_CHANNELS);
        for (int c = 0; c < channels; ++c) {
            const float x = in.doc->wavelengthNm[u][c] - static_cast<float>(GRID_START_NM);
            // Written as a positive test so a NaN wavelength is skipped too.
            if (!(x >= 0.0f && x <= static_cast<float>(PLOT_WIDTH))) continue;
            const float g = in.doc->gain[u][c];
            // A zero gain is an unmeasured channel: its inverse is off the top.
            const int h =
                g == 0.0f ? plotH : ClampHeight(std::trunc(static_cast<float>(plotH) / g), plotH);
            points_.emplace_back(P.left + static_cast<int>(x), P.bottom - h);
        }
        DrawPolyline(gainPens_[u]);
    }
}

void GraphRenderer::DrawColourBar() {
    if (image_.isNull()) return;
    const GraphRect& bar = layout_.colourBar;
    QPainter p;
    BeginPainter(p);
    DrawBox(p, bar);
    const int x0 = bar.right - PLOT_WIDTH - 40;
    const int h = bar.Height() - 10;
    if (h > 0) {
        for (int k = 0; k <= 50; ++k) {
            const Rgb8 c = WavelengthColourRgb(k);
            p.fillRect(QRect(x0 + 10 * k, bar.top + 5, 10, h), QColor(c.red, c.green, c.blue));
        }
    }
    p.end();
    Changed();
}

void GraphRenderer::ShowMessage(const QString& line1, const QString& line2) {
    if (image_.isNull()) return;
    const GraphRect& m = layout_.message;
    QPainter p;
    BeginPainter(p);
    DrawBox(p, m);
    DrawText(p, m.left + 10, m.top + 5, line1, false);
    DrawText(p, m.left + 10, m.top + 25, line2, false);
    p.end();
    Changed();
}

void GraphRenderer::ShowInfo(const QString& text) {
    if (image_.isNull()) return;
    const GraphRect& r = layout_.info;
    QPainter p;
    BeginPainter(p);
    DrawBox(p, r);
    DrawText(p, r.left + 10, r.top + 5, text, false);
    p.end();
    Changed();
}

}  // namespace vmf
