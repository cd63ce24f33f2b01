#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "panel/GraphMath.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

TEST(GraphLayout, BoxesAndPlotBoxForPanelHeight) {
    const GraphLayout l = ComputeGraphLayout(640);
    EXPECT_EQ(l.info, (GraphRect{5, 5, 595, 35}));
    EXPECT_EQ(l.graph, (GraphRect{5, 40, 595, 520}));
    EXPECT_EQ(l.colourBar, (GraphRect{5, 525, 595, 545}));
    EXPECT_EQ(l.message, (GraphRect{5, 550, 595, 600}));
    EXPECT_EQ(l.plot, (GraphRect{44, 45, 555, 495}));
    EXPECT_EQ(l.plot.Width(), 511);
    EXPECT_EQ(l.plotH, 450);
    EXPECT_EQ(l.frameHeight, 605);
    // The colour bar's blocks start where the plot box does.
    EXPECT_EQ(l.colourBar.right - 511 - 40, l.plot.left);
}

TEST(GraphAxis, TickStepAtItsBoundaries) {
    EXPECT_EQ(TickStep(1000, 0), 100);
    EXPECT_EQ(TickStep(1001, 0), 500);
    EXPECT_EQ(TickStep(2000, 0), 500);
    EXPECT_EQ(TickStep(2001, 0), 1000);
    EXPECT_EQ(TickStep(9999, 0), 1000);
    EXPECT_EQ(TickStep(10000, 0), 5000);
    EXPECT_EQ(TickStep(1000, -500), 500);
    // An empty or inverted range has no ticks, and a range wider than int
    // does not wrap into a small one.
    EXPECT_EQ(TickStep(500, 500), 0);
    EXPECT_EQ(TickStep(500, 800), 0);
    EXPECT_EQ(TickStep(INT_MAX, INT_MIN), 5000);
}

TEST(GraphAxis, RatioMinIsDerivedWithTruncationTowardZero) {
    EXPECT_EQ(DeriveRatioMin(160, 0, 8192), 0);
    EXPECT_EQ(DeriveRatioMin(160, -500, 1000), -80);
    EXPECT_EQ(DeriveRatioMin(160, -500, 8192), -9);  // -9.77 truncates toward zero
    EXPECT_EQ(DeriveRatioMin(160, -500, 0), 0);      // a zero maximum never divides
    EXPECT_EQ(DeriveRatioMin(INT_MAX, INT_MIN, 1), INT_MIN);
}

std::vector<int> Values(const std::vector<AxisTick>& ticks) {
    std::vector<int> v;
    for (const AxisTick& t : ticks) v.push_back(t.value);
    return v;
}

TEST(GraphAxis, DefaultLimitsGiveTicksUpTo8000WithRightLabels) {
    const GraphLayout l = ComputeGraphLayout(640);
    const std::vector<AxisTick> t = LeftAxisTicks(8192, 0, 160, l);
    EXPECT_EQ(Values(t), (std::vector<int>{0, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000}));
    ASSERT_EQ(t.size(), 9u);
    EXPECT_EQ(t[0].y, 495);
    EXPECT_EQ(t[1].y, 495 - 1000 * 450 / 8192);
    EXPECT_EQ(t[8].y, 495 - 8000 * 450 / 8192);
    const std::vector<std::string> left{"   0", "1000", "2000", "3000", "4000",
                                        "5000", "6000", "7000", "8000"};
    const std::vector<std::string> right{"  0", " 20", " 39", " 59", " 78",
                                         " 98", "117", "137", "156"};
    for (size_t i = 0; i < t.size(); ++i) {
        EXPECT_EQ(t[i].leftLabel, left[i]) << i;
        EXPECT_EQ(t[i].rightLabel, right[i]) << i;
    }
}

TEST(GraphAxis, NegativeMinimumIncludesNegativeMultiples) {
    const GraphLayout l = ComputeGraphLayout(640);
    const std::vector<AxisTick> t = LeftAxisTicks(1000, -500, 160, l);
    EXPECT_EQ(Values(t), (std::vector<int>{-500, 0, 500}));
    EXPECT_EQ(t[0].y, 495);
    EXPECT_EQ(t[1].y, 495 - 500 * 450 / 1500);
    EXPECT_EQ(t[0].leftLabel, "-500");
    EXPECT_EQ(t[0].rightLabel, "-80");
    // A minimum off the step grid starts at the next multiple above it.
    EXPECT_EQ(Values(LeftAxisTicks(1000, -450, 160, l)), (std::vector<int>{0, 500}));
    EXPECT_EQ(Values(LeftAxisTicks(1000, 30, 160, l)),
              (std::vector<int>{100, 200, 300, 400, 500, 600, 700, 800, 900}));
}

TEST(GraphAxis, NoTicksWithoutAUsableRange) {
    const GraphLayout l = ComputeGraphLayout(640);
    EXPECT_TRUE(LeftAxisTicks(500, 500, 160, l).empty());
    EXPECT_TRUE(LeftAxisTicks(500, 900, 160, l).empty());
    EXPECT_TRUE(LeftAxisTicks(0, -1000, 160, l).empty());  // right labels would divide by zero
}

TEST(GraphAxis, HugeRangesKeepOneTickPerPixelRow) {
    const GraphLayout l = ComputeGraphLayout(640);
    const std::vector<AxisTick> t = LeftAxisTicks(2000000000, -500, 160, l);
    ASSERT_FALSE(t.empty());
    EXPECT_LE(t.size(), static_cast<size_t>(l.plotH + 1));
    EXPECT_EQ(t.front().value, 0);
    for (size_t i = 1; i < t.size(); ++i) ASSERT_LT(t[i].y, t[i - 1].y) << i;
    EXPECT_GE(t.back().y, l.plot.top);
    // Ordinary ranges are untouched: 5000 * 450 counts still gives every tick.
    EXPECT_EQ(LeftAxisTicks(2250000, 0, 160, l).size(), 450u);
}

TEST(GraphAxis, WavelengthGridStopsAt800) {
    const std::vector<WavelengthTick>& w = WavelengthTicks();
    ASSERT_EQ(w.size(), 10u);
    for (size_t i = 0; i < w.size(); ++i) {
        EXPECT_EQ(w[i].nm, 350 + 50 * static_cast<int>(i));
        EXPECT_EQ(w[i].index, w[i].nm - 340);
        EXPECT_EQ(w[i].label, std::to_string(w[i].nm));
    }
}

TEST(GraphHeights, ScaledTruncatedAndClampedToThePlotBox) {
    EXPECT_EQ(ValueHeight(4096.0f, 0, 8192, 450), 225);
    EXPECT_EQ(ValueHeight(1000.0f, 0, 8192, 450), 54);  // 54.93 truncates
    EXPECT_EQ(ValueHeight(9000.0f, 0, 8192, 450), 450);
    EXPECT_EQ(ValueHeight(-20.0f, 0, 8192, 450), 0);
    EXPECT_EQ(ValueHeight(0.0f, -500, 1000, 450), 150);
    EXPECT_EQ(ValueHeight(-80.0f, -80, 160, 450), 0);
    EXPECT_EQ(ValueHeight(1e30f, 0, 8192, 450), 450);
    EXPECT_EQ(ValueHeight(-std::numeric_limits<float>::infinity(), 0, 8192, 450), 0);
    EXPECT_EQ(ValueHeight(std::nanf(""), 0, 8192, 450), 0);
}

TEST(GraphHeights, EmptyOrInvertedScaleNeverDividesByZero) {
    EXPECT_EQ(ValueHeight(510.0f, 500, 500, 450), 450);
    EXPECT_EQ(ValueHeight(500.0f, 500, 500, 450), 0);
    EXPECT_EQ(ValueHeight(-10.0f, 500, 500, 450), 0);
    // Inverted: the formula's sign flips, the clamp keeps it inside the box.
    EXPECT_EQ(ValueHeight(100.0f, 900, 500, 450), 450);
    EXPECT_EQ(ValueHeight(1000.0f, 900, 500, 450), 0);
    EXPECT_EQ(ValueHeight(100.0f, INT_MIN, INT_MAX, 450), 225);
    EXPECT_EQ(ClampHeight(-1.0f, 450), 0);
    EXPECT_EQ(ClampHeight(3e9f, 450), 450);
    EXPECT_EQ(ClampHeight(99.9f, 450), 99);
    EXPECT_EQ(ClampHeight(10.0f, -5), 0);  // a collapsed plot box
}

TEST(GraphPens, HeadLevelsWrapIn8Bits) {
    const int d[10] = {255, 205, 155, 105, 55, 5, 211, 161, 111, 61};
    const int c[10] = {128, 78, 28, 234, 184, 134, 84, 34, 240, 190};
    for (int u = 0; u < 10; ++u) {
        EXPECT_EQ(BrightLevel(u), d[u]) << u;
        EXPECT_EQ(DimLevel(u), c[u]) << u;
    }
    EXPECT_EQ(MeasuredColour(0), (Rgb{0, 255, 0}));
    EXPECT_EQ(ComparisonColour(1), (Rgb{205, 0, 0}));
    EXPECT_EQ(RatioColour(6), (Rgb{60, 60, 211}));
    EXPECT_EQ(GainColour(3), (Rgb{234, 0, 105}));
}

TEST(GraphClick, CornersSelectTheLimitInPanelCoordinates) {
    const int H = 640;  // G = (5, 40, 595, 520) in the frame; the frame is at (5, 30)
    // Top-left: frame x 5..55, y 40..70 -> panel x 10..60, y 70..100.
    EXPECT_EQ(HitTestAxisCorner(10, 70, H), AxisLimit::GraphMax);
    EXPECT_EQ(HitTestAxisCorner(60, 100, H), AxisLimit::GraphMax);
    EXPECT_EQ(HitTestAxisCorner(9, 80, H), AxisLimit::None);
    EXPECT_EQ(HitTestAxisCorner(61, 80, H), AxisLimit::None);
    EXPECT_EQ(HitTestAxisCorner(30, 101, H), AxisLimit::None);
    // Bottom-left: frame y 490..520 -> panel y 520..550.
    EXPECT_EQ(HitTestAxisCorner(10, 520, H), AxisLimit::GraphMin);
    EXPECT_EQ(HitTestAxisCorner(60, 550, H), AxisLimit::GraphMin);
    EXPECT_EQ(HitTestAxisCorner(30, 551, H), AxisLimit::None);
    EXPECT_EQ(HitTestAxisCorner(30, 519, H), AxisLimit::None);
    // Top-right: frame x 545..595 -> panel x 550..600.
    EXPECT_EQ(HitTestAxisCorner(550, 70, H), AxisLimit::RatioMax);
    EXPECT_EQ(HitTestAxisCorner(600, 100, H), AxisLimit::RatioMax);
    EXPECT_EQ(HitTestAxisCorner(601, 80, H), AxisLimit::None);
    EXPECT_EQ(HitTestAxisCorner(549, 80, H), AxisLimit::None);
    // Bottom-right edits nothing; neither does the middle.
    EXPECT_EQ(HitTestAxisCorner(580, 530, H), AxisLimit::None);
    EXPECT_EQ(HitTestAxisCorner(300, 300, H), AxisLimit::None);
    // On a panel so low that the corners overlap, the maximum wins.
    EXPECT_EQ(HitTestAxisCorner(20, 80, 170), AxisLimit::GraphMax);
}

TEST(GraphClick, EnteredLimitsAreTruncatedAndRaisedToTheirFloor) {
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::GraphMax, 300.0), 500);
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::GraphMax, 4095.99), 4095);
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::RatioMax, 30.9), 30);
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::RatioMax, 24.9), 25);
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::GraphMin, -800.0), -500);
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::GraphMin, -499.9), -499);  // toward zero, not down
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::GraphMin, 7000.0), 7000);  // nothing caps it below graphMax
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::GraphMax, 1e20), INT_MAX);
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::GraphMin, -1e20), -500);
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::GraphMax, std::nan("")), 500);
    EXPECT_EQ(ApplyAxisLimit(AxisLimit::RatioMax, std::numeric_limits<double>::infinity()),
              INT_MAX);
}

TEST(TrendAxis, TicksFallOnOneTwoTwoAndAHalfOrFiveTimesAPowerOfTen) {
    auto ticks = [](double lo, double hi, double minStep) {
        const RoundTicks t = RoundAxisTicks(lo, hi, 9, minStep);
        return CFormat("%g %g %g %d %d", t.min, t.max, t.step, t.count, t.decimals);
    };
    EXPECT_EQ(ticks(681.9, 699.0, 0), "680 700 2.5 9 1");  // not 681.9 .. 699.0
    EXPECT_EQ(ticks(0.3127, 0.3291, 0), "0.3125 0.33 0.0025 8 4");
    EXPECT_EQ(ticks(0, 1, 1.0), "0 1 1 2 0");  // no record: no tick between 0 and 1
    EXPECT_EQ(ticks(5, 5, 0), "5 6 0.2 6 1");  // one value: a range around it
}

}  // namespace
}  // namespace vmf
