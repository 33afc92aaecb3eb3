#include "PlacementFit.h"

#include <gtest/gtest.h>

namespace {

// A 1024 × 768 primary with a 40-pixel panel at its bottom, and a 1280 × 1024 monitor to its
// right with a 30-pixel panel at its top.
const MonitorInfo kLeft{{0, 0, 1024, 768}, {0, 0, 1024, 728}};
const MonitorInfo kRight{{1024, 0, 2304, 1024}, {1024, 30, 2304, 1024}};
const std::vector<MonitorInfo> kBoth{kLeft, kRight};

TEST(PlacementFitTest, SizeIsLimitedToTheLargestWorkAreaAndTheMinimum)
{
    const struct {
        WindowBox window;
        long long nMinWidth, nMinHeight;
        std::vector<MonitorInfo> monitors;
        WindowBox expected;
    } kCases[] = {
        {{7, 9, 100000, 100000}, 300, 200, kBoth, {7, 9, 1280, 994}}, // kRight's work area
        {{7, 9, 100000, 100000}, 300, 200, {kLeft}, {7, 9, 1024, 728}},
        {{7, 9, 100000, 100000}, 300, 200, {}, {7, 9, 100000, 100000}},
        {{7, 9, 0, -50}, 300, 200, kBoth, {7, 9, 300, 200}},
        {{7, 9, 600, 400}, 300, 200, kBoth, {7, 9, 600, 400}},
        {{7, 9, 600, 400}, 1500, 1100, kBoth, {7, 9, 1500, 1100}}, // the template wins
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(LimitWindowSize(c.window, c.nMinWidth, c.nMinHeight, c.monitors), c.expected)
            << c.window.x << " " << c.window.width << " " << c.monitors.size();
    }
}

TEST(PlacementFitTest, WindowThatCannotBeSeenMovesOntoTheNearestWorkArea)
{
    const struct {
        WindowBox window;
        WindowBox expected;
    } kCases[] = {
        {{100, 100, 400, 300}, {100, 100, 400, 300}},   // on screen
        {{2100, 100, 400, 300}, {2100, 100, 400, 300}}, // more than half shown
        {{2150, 100, 400, 300}, {1904, 100, 400, 300}}, // less than half shown
        {{1200, 10, 400, 300}, {1200, 30, 400, 300}},   // top edge under the panel
        {{100, 740, 400, 300}, {100, 428, 400, 300}},   // top edge in the panel
        {{-500, -400, 400, 300}, {0, 0, 400, 300}},
        {{INT_MAX, INT_MAX, 400, 300}, {1904, 724, 400, 300}},
        {{INT_MIN, INT_MIN, 400, 300}, {0, 0, 400, 300}},
        {{-2000, 100, 1200, 900}, {0, 0, 1200, 900}}, // larger than the work area: its corner
    };
    for (const auto& c : kCases)
        EXPECT_EQ(KeepOnWorkArea(c.window, kBoth), c.expected) << c.window.x << "," << c.window.y;
    EXPECT_EQ(KeepOnWorkArea({-500, -400, 400, 300}, {}), (WindowBox{-500, -400, 400, 300}));
}

} // namespace
