#include "panel/GraphMath.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>

#include "store/TextFormat.h"

namespace vmf {

GraphLayout ComputeGraphLayout(int panelHeight) {
    const int H = panelHeight;
    GraphLayout l;
    l.frameHeight = H - FRAME_HEIGHT_MARGIN;
    l.info = {5, 5, 595, 35};
    l.graph = {5, 40, 595, H - 120};
    l.colourBar = {5, H - 115, 595, H - 95};
    l.message = {5, H - 90, 595, H - 40};
    l.plot.right = l.graph.right - 40;
    l.plot.left = l.plot.right - PLOT_WIDTH;
    l.plot.top = l.graph.top + 5;
    l.plot.bottom = l.graph.bottom - 25;
    l.plotH = l.plot.bottom - l.plot.top;
    return l;
}

int TickStep(int graphMax, int graphMin) {
    // In 64 bits: limits near the int range must not wrap into a wrong step.
    const int64_t R = int64_t{graphMax} - graphMin;
    if (R <= 0) return 0;
    if (R <= 1000) return 100;
    if (R <= 2000) return 500;
    if (R < 10000) return 1000;
    return 5000;
}

int DeriveRatioMin(int ratioMax, int graphMin, int graphMax) {
    if (graphMax == 0) return 0;
    // C++ integer division truncates toward zero, as the derived value always did.
    const int64_t v = int64_t{ratioMax} * graphMin / graphMax;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

std::vector<AxisTick> LeftAxisTicks(int graphMax, int graphMin, int ratioMax,
                                    const GraphLayout& layout) {
    std::vector<AxisTick> ticks;
    const int step = TickStep(graphMax, graphMin);
    if (step == 0 || graphMax == 0) return ticks;
    const int64_t R = int64_t{graphMax} - graphMin;
    // First multiple of step at or above graphMin (floor division for negatives).
    int64_t first = int64_t{graphMin} / step * step;
    if (first < graphMin) first += step;
    for (int64_t v = first; v < graphMax; v += step) {
        const int y = static_cast<int>(layout.plot.bottom - (v - graphMin) * layout.plotH / R);
        // Above about 5000 * plotH counts several ticks fall on one pixel row;
        // the first of them stands for the row. Without this a typed limit of
        // two thousand million would draw 400000 lines and labels per redraw.
        if (!ticks.empty() && ticks.back().y == y) continue;
        AxisTick t;
        t.value = static_cast<int>(v);
        t.y = y;
        t.leftLabel = CFormat("%4d", t.value);
        t.rightLabel = CFormat("%3.0f", static_cast<double>(v) * ratioMax / graphMax);
        ticks.push_back(std::move(t));
    }
    return ticks;
}

const std::vector<WavelengthTick>& WavelengthTicks() {
    static const std::vector<WavelengthTick> ticks = [] {
        std::vector<WavelengthTick> t;
        // Index 510 (850 nm) is never visited, so the axis ends with 800 nm.
        for (int i = 0; i < PLOT_WIDTH - 1; ++i) {
            const int nm = 340 + i;
            if (nm % 50 == 0) t.push_back({i, nm, CFormat("%d", nm)});
        }
        return t;
    }();
    return ticks;
}

int ClampHeight(float value, int plotH) {
    // Compare before converting: a float beyond the int range (or NaN) has no
    // defined conversion.
    if (!(value > 0.0f)) return 0;
    if (value >= static_cast<float>(plotH)) return plotH < 0 ? 0 : plotH;
    return static_cast<int>(value);
}

int ValueHeight(float value, int lo, int hi, int plotH) {
    if (std::isnan(value)) return 0;
    if (hi == lo) return value > static_cast<float>(lo) ? (plotH < 0 ? 0 : plotH) : 0;
    // Single precision throughout, as the curves have always been scaled.
    // The span in 64 bits: limits near the int range must not wrap.
    const float span = static_cast<float>(int64_t{hi} - lo);
    const float h = (value - static_cast<float>(lo)) * static_cast<float>(plotH) / span;
    return ClampHeight(std::trunc(h), plotH);
}

AxisLimit HitTestAxisCorner(int panelX, int panelY, int panelHeight) {
    const int x = panelX - FRAME_X;
    const int y = panelY - FRAME_Y;
    const GraphRect G = ComputeGraphLayout(panelHeight).graph;
    const bool left = G.left <= x && x <= G.left + 50;
    const bool right = G.right - 50 <= x && x <= G.right;
    const bool top = G.top <= y && y <= G.top + 30;
    const bool bottom = G.bottom - 30 <= y && y <= G.bottom;
    if (left && top) return AxisLimit::GraphMax;
    if (left && bottom) return AxisLimit::GraphMin;
    if (right && top) return AxisLimit::RatioMax;
    return AxisLimit::None;
}

int AxisLimitFloor(AxisLimit which) {
    switch (which) {
        case AxisLimit::GraphMax:
            return 500;
        case AxisLimit::GraphMin:
            return -500;
        case AxisLimit::RatioMax:
            return 25;
        case AxisLimit::None:
            break;
    }
    return 0;
}

int ApplyAxisLimit(AxisLimit which, double entered) {
    const int floorValue = AxisLimitFloor(which);
    if (std::isnan(entered)) return floorValue;
    const double t = std::trunc(entered);
    int v;
    if (t >= static_cast<double>(INT_MAX)) {
        v = INT_MAX;
    } else if (t <= static_cast<double>(INT_MIN)) {
        v = INT_MIN;
    } else {
        v = static_cast<int>(t);
    }
    return v < floorValue ? floorValue : v;
}

RoundTicks RoundAxisTicks(double lo, double hi, int maxTicks, double minStep) {
    RoundTicks t;
    if (!std::isfinite(lo) || !std::isfinite(hi)) return t;
    if (hi < lo) std::swap(lo, hi);
    if (hi == lo) hi = lo + std::max(1.0, minStep);
    maxTicks = std::max(maxTicks, 2);
    const double rough = std::max((hi - lo) / (maxTicks - 1), minStep);
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (;; power *= 10) {
        for (const double m : {1.0, 2.0, 2.5, 5.0}) {
            const double step = m * power;
            if (step < minStep) continue;
            const double a = std::floor(lo / step + 1e-9) * step;
            const double b = std::ceil(hi / step - 1e-9) * step;
            const int count = static_cast<int>(std::lround((b - a) / step)) + 1;
            if (count > maxTicks) continue;
            t.min = a;
            t.max = b;
            t.step = step;
            t.count = count;
            // 2.5 x 10^n needs one digit more than 10^n itself.
            const int digits = -static_cast<int>(std::floor(std::log10(power) + 1e-9));
            t.decimals = std::max(0, digits + (m == 2.5 ? 1 : 0));
            return t;
        }
    }
}

}  // namespace vmf
