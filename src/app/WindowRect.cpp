#include "app/WindowRect.h"

#include <algorithm>

namespace vmf {

ClientRect ClientFromPlacement(const WindowPlacement& p, const FrameMargins& m) {
    // 64-bit intermediate: stored values are not validated and may be extreme.
    const long long w = static_cast<long long>(p.right) - p.left - m.left - m.right;
    const long long h = static_cast<long long>(p.bottom) - p.top - m.top - m.bottom;
    return {p.left + m.left, p.top + m.top, static_cast<int>(std::clamp(w, 1LL, 1LL << 20)),
            static_cast<int>(std::clamp(h, 1LL, 1LL << 20))};
}

WindowPlacement PlacementFromClient(const ClientRect& c, const FrameMargins& m) {
    return {c.x - m.left, c.y - m.top, c.x + c.width + m.right, c.y + c.height + m.bottom};
}

}  // namespace vmf
