// Thinning a trend line per pixel column keeps what the eye sees: every
// column's lowest and highest point (a single spike survives), the ends, a
// point just outside a zoomed range, and no NaN; a click finds the nearest x.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "panel/TrendThinning.h"

namespace vmf {
namespace {

TEST(TrendThinning, KeepsExtremesEndsAndEdgesWithoutNaN) {
    std::vector<double> xs, ys;
    for (int i = 0; i < 10000; ++i) {
        xs.push_back(i);
        ys.push_back(i == 5003 ? 100.0 : i == 7000 ? -50.0 : std::sin(i * 0.01));
    }
    ys[1234] = std::nan("");
    const auto thin = ThinTrend(xs, ys, 0, 9999, 100);
    EXPECT_LE(thin.size(), 404u);  // 4 a column, the last x alone in one more
    auto has = [&](int index) {
        return std::any_of(thin.begin(), thin.end(), [&](const TrendXY& p) { return p.index == index; });
    };
    EXPECT_TRUE(has(0));
    EXPECT_TRUE(has(9999));
    EXPECT_TRUE(has(5003));
    EXPECT_TRUE(has(7000));
    EXPECT_FALSE(has(1234));
    EXPECT_TRUE(std::is_sorted(thin.begin(), thin.end(),
                               [](const TrendXY& a, const TrendXY& b) { return a.x < b.x; }));

    const auto zoomed = ThinTrend(xs, ys, 2000.5, 3000.5, 2000);  // more columns than points
    ASSERT_FALSE(zoomed.empty());
    EXPECT_EQ(zoomed.front().index, 2000);
    EXPECT_EQ(zoomed.back().index, 3001);
    EXPECT_EQ(zoomed.size(), 1002u);

    EXPECT_EQ(NearestIndex(xs, 41.4), 41);
    EXPECT_EQ(NearestIndex(xs, 41.6), 42);
    EXPECT_EQ(NearestIndex(xs, -5), 0);
    EXPECT_EQ(NearestIndex(xs, 1e9), 9999);
    EXPECT_EQ(NearestIndex({}, 1), -1);
}

}  // namespace
}  // namespace vmf
