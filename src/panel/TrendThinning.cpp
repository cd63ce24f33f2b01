#include "panel/TrendThinning.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vmf {

std::vector<TrendXY> ThinTrend(const std::vector<double>& xs, const std::vector<double>& ys,
                               double x0, double x1, int columns) {
    std::vector<TrendXY> out;
    const size_t n = std::min(xs.size(), ys.size());
    if (n == 0 || !(x1 >= x0)) return out;
    columns = std::max(columns, 1);
    size_t begin = static_cast<size_t>(std::lower_bound(xs.begin(), xs.begin() + n, x0) - xs.begin());
    size_t end = static_cast<size_t>(std::upper_bound(xs.begin(), xs.begin() + n, x1) - xs.begin());
    if (begin > 0) --begin;
    if (end < n) ++end;
    const double width = x1 > x0 ? (x1 - x0) / columns : 1.0;

    // Per column: first, lowest, highest, last (indices into xs/ys).
    long column = 0;
    bool open = false;
    std::array<size_t, 4> keep{};
    auto flush = [&] {
        if (!open) return;
        std::sort(keep.begin(), keep.end());
        const auto last = std::unique(keep.begin(), keep.end());
        for (auto it = keep.begin(); it != last; ++it)
            out.push_back({xs[*it], ys[*it], static_cast<int>(*it)});
        open = false;
    };
    for (size_t i = begin; i < end; ++i) {
        if (std::isnan(ys[i])) continue;
        const long c = static_cast<long>(std::floor((xs[i] - x0) / width));
        if (!open || c != column) {
            flush();
            column = c;
            keep = {i, i, i, i};
            open = true;
            continue;
        }
        if (ys[i] < ys[keep[1]]) keep[1] = i;
        if (ys[i] > ys[keep[2]]) keep[2] = i;
        keep[3] = i;
    }
    flush();
    return out;
}

int NearestIndex(const std::vector<double>& xs, double x) {
    if (xs.empty()) return -1;
    const auto it = std::lower_bound(xs.begin(), xs.end(), x);
    if (it == xs.begin()) return 0;
    if (it == xs.end()) return static_cast<int>(xs.size()) - 1;
    const auto before = it - 1;
    return static_cast<int>((x - *before <= *it - x ? before : it) - xs.begin());
}

}  // namespace vmf
