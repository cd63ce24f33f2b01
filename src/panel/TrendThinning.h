#pragma once
// Thinning a trend line for drawing: of the points that fall into one pixel
// column keep the first, the lowest, the highest and the last, in their
// order, so the drawn line looks the same as with every point while a full
// series (86399 records) becomes a few points per column.

#include <vector>

namespace vmf {

struct TrendXY {
    double x = 0, y = 0;
    int index = 0;  // the point's position in the unthinned series
};

// Points of xs/ys (same length, xs rising) inside [x0, x1], thinned to
// `columns` pixel columns. NaN values are left out; a point just outside each
// end is kept so the line runs to the edge.
std::vector<TrendXY> ThinTrend(const std::vector<double>& xs, const std::vector<double>& ys,
                               double x0, double x1, int columns);

// The index of the x nearest to x in rising xs, or -1 when xs is empty.
int NearestIndex(const std::vector<double>& xs, double x);

}  // namespace vmf
