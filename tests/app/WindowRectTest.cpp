// Bringing a window whose title bar no screen shows back onto a screen.

#include <gtest/gtest.h>

#include "app/WindowRect.h"

namespace vmf {
namespace {

bool operator==(const WindowPlacement& a, const WindowPlacement& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(WindowRectTest, OnlyAnUnreachableTitleBarMovesAndOntoTheNearestScreen) {
    const std::vector<WindowPlacement> two = {{0, 0, 1024, 768}, {1024, 0, 2944, 1080}};
    // Reachable somewhere: left alone, also half off the top or mostly off
    // the side, and on the second screen.
    for (const WindowPlacement p : {WindowPlacement{0, 0, 740, 640}, WindowPlacement{284, -10, 1024, 630},
                                    WindowPlacement{-700, 100, 40, 740},
                                    WindowPlacement{2500, 500, 3240, 1140}})
        EXPECT_TRUE(OntoReachableScreen(p, two, 20) == p) << p.left << "," << p.top;
    // Title bar above every screen, 20 px high: 3 px showing is not enough.
    EXPECT_TRUE((OntoReachableScreen({100, -17, 840, 623}, two, 20) == WindowPlacement{100, 0, 840, 640}));
    // Far to the right of the second screen: onto its right edge.
    EXPECT_TRUE((OntoReachableScreen({5000, 300, 5740, 940}, two, 20) ==
                 WindowPlacement{2204, 300, 2944, 940}));
    // Below the first screen only (the second is taller): onto the first.
    EXPECT_TRUE((OntoReachableScreen({10, 900, 750, 1540}, two, 20) == WindowPlacement{10, 128, 750, 768}));
    // Larger than the screen: its top-left corner goes to the screen's.
    EXPECT_TRUE((OntoReachableScreen({-3000, -3000, -1000, -1000}, {{0, 0, 1024, 768}}, 20) ==
                 WindowPlacement{0, 0, 2000, 2000}));
    // No screen known: nothing to go by.
    EXPECT_TRUE((OntoReachableScreen({-3000, -3000, -2260, -2360}, {}, 20) ==
                 WindowPlacement{-3000, -3000, -2260, -2360}));
}

}  // namespace
}  // namespace vmf
