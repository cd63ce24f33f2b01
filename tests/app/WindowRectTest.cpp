// Bringing a window whose title bar no screen shows back onto a screen.

#include <gtest/gtest.h>

#include "app/WindowRect.h"

namespace vmf {

TEST(WindowRectTest, OnlyAnUnreachableTitleBarMovesAndOntoTheNearestScreen) {
    const std::vector<WindowPlacement> two = {{0, 0, 1024, 768}, {1024, 0, 2944, 1080}};
    auto at = [&](WindowPlacement p, const std::vector<WindowPlacement>& screens = {}) {
        const WindowPlacement q = OntoReachableScreen(p, screens.empty() ? two : screens, 20);
        return std::vector<int>{q.left, q.top, q.right, q.bottom};
    };
    // Enough of the title bar on some screen: left alone.
    EXPECT_EQ(at({284, -10, 1024, 630}), (std::vector<int>{284, -10, 1024, 630}));
    EXPECT_EQ(at({-700, 100, 40, 740}), (std::vector<int>{-700, 100, 40, 740}));
    EXPECT_EQ(at({2500, 500, 3240, 1140}), (std::vector<int>{2500, 500, 3240, 1140}));
    // 3 of its 20 pixels showing is not enough; beside the second screen;
    // below the first only; larger than the screen.
    EXPECT_EQ(at({100, -17, 840, 623}), (std::vector<int>{100, 0, 840, 640}));
    EXPECT_EQ(at({5000, 300, 5740, 940}), (std::vector<int>{2204, 300, 2944, 940}));
    EXPECT_EQ(at({10, 900, 750, 1540}), (std::vector<int>{10, 128, 750, 768}));
    EXPECT_EQ(at({-3000, -3000, -1000, -1000}, {{0, 0, 1024, 768}}),
              (std::vector<int>{0, 0, 2000, 2000}));
}

}  // namespace vmf
