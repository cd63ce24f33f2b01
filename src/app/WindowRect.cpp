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

namespace {

// Enough of the title bar to take hold of it with the mouse.
constexpr long long kGripWidth = 32;
constexpr long long kGripHeight = 4;

long long Overlap(long long a0, long long a1, long long b0, long long b1) {
    return std::max(0LL, std::min(a1, b1) - std::max(a0, b0));
}

// Squared distance between two rectangles (0 when they touch or overlap).
long long Distance2(const WindowPlacement& a, const WindowPlacement& b) {
    const long long dx = std::max(
        {0LL, static_cast<long long>(b.left) - a.right, static_cast<long long>(a.left) - b.right});
    const long long dy = std::max(
        {0LL, static_cast<long long>(b.top) - a.bottom, static_cast<long long>(a.top) - b.bottom});
    return dx * dx + dy * dy;
}

// The position along one axis that puts [p0, p0 + size) inside [s0, s1),
// its start first when it does not fit.
long long Inside(long long p0, long long size, long long s0, long long s1) {
    return std::max(s0, std::min(p0, s1 - size));
}

}  // namespace

WindowPlacement OntoReachableScreen(const WindowPlacement& outer,
                                    const std::vector<WindowPlacement>& screens, int titleHeight) {
    if (screens.empty()) return outer;
    const long long width = static_cast<long long>(outer.right) - outer.left;
    const long long height = static_cast<long long>(outer.bottom) - outer.top;
    const long long barBottom = static_cast<long long>(outer.top) + std::max(titleHeight, 1);
    const long long needW = std::clamp(width, 1LL, kGripWidth);
    const long long needH = std::min<long long>(std::max(titleHeight, 1), kGripHeight);
    for (const WindowPlacement& s : screens) {
        if (Overlap(outer.left, outer.right, s.left, s.right) >= needW &&
            Overlap(outer.top, barBottom, s.top, s.bottom) >= needH)
            return outer;
    }
    const WindowPlacement title{outer.left, outer.top, outer.right, static_cast<int>(barBottom)};
    const WindowPlacement* nearest = &screens.front();
    for (const WindowPlacement& s : screens)
        if (Distance2(title, s) < Distance2(title, *nearest)) nearest = &s;
    const long long left = Inside(outer.left, width, nearest->left, nearest->right);
    const long long top = Inside(outer.top, height, nearest->top, nearest->bottom);
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
            static_cast<int>(top + height)};
}

}  // namespace vmf
