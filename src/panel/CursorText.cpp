#include "panel/CursorText.h"

#include <algorithm>

#include "store/TextFormat.h"

namespace vmf {

std::optional<int> PlotIndexAt(const GraphLayout& layout, int x, int y) {
    const GraphRect& p = layout.plot;
    if (y < p.top || y > p.bottom) return std::nullopt;
    const int k = x - p.left;
    if (k < 0 || k >= GRID_POINTS) return std::nullopt;
    return k;
}

std::string CursorText(const CursorCurves& c, int k) {
    std::string out = CFormat("%d nm", GRID_START_NM + k);
    if (!c.ws || k < 0 || k >= GRID_POINTS) return out;
    const size_t i = static_cast<size_t>(k);
    const int heads = std::clamp(c.headCount, 0, MAX_HEADS);
    auto passes = [&](int u) { return !c.selectedOnly || u == c.selectedHead; };
    for (int u = 0; u < heads; ++u)
        if (passes(u))
            CFormatAppend(out, "   ヘッド%d %.1f", u + 1,
                          static_cast<double>(c.ws->displaySpectrum[static_cast<size_t>(u)][i]));
    if (c.barDisplay) return out;  // bars only: no other curve is drawn
    if (c.compare && c.compareDrawable)
        for (int u = 0; u < std::clamp(c.compareHeadCount, 0, MAX_HEADS); ++u)
            CFormatAppend(out, "   比較%d %.1f", u + 1,
                          static_cast<double>((*c.compare)[static_cast<size_t>(u)][i]));
    if (c.method != MeasuringMethod::LightSource)
        for (int u = 0; u < heads; ++u)
            if (passes(u))
                CFormatAppend(out, "   ヘッド%d 比率 %.1f %%", u + 1,
                              static_cast<double>(c.ws->displayRatio[static_cast<size_t>(u)][i]));
    return out;
}

}  // namespace vmf
