#include "PlacementText.h"

#include <gtest/gtest.h>

namespace {

TEST(PlacementTextTest, ParseReadsIntegersUntilTheFirstFieldThatIsNone)
{
    const struct {
        const char* text;
        int nNumbers;
        Rect rcWindow;
        Rect rcMonitor;
    } kCases[] = {
        {"100 50 500 400 1 0 0 1024 768", 9, {100, 50, 500, 400}, {0, 0, 1024, 768}},
        {"  -5\t-6 +7 8 1 -1280 0 0 1024 99", 9, {-5, -6, 7, 8}, {-1280, 0, 0, 1024}},
        {"-2147483648 0 2147483647 100 1 0 0 1 1", 9, {INT_MIN, 0, INT_MAX, 100}, {0, 0, 1, 1}},
        {"100 50 500 400", 4, {100, 50, 500, 400}, {}},
        {"1 2 3 4 5 6 7 8", 8, {1, 2, 3, 4}, {}},
        {"1 2 3 4x 5 6 7 8 9", 4, {1, 2, 3, 4}, {}},
        {"1 2 3", 3, {}, {}},
        {"1 2 3 2147483648 5 6 7 8 9", 3, {}, {}}, // does not fit an int
        {"1 2 +-3 4", 2, {}, {}},
        {"left 1 2 3 4", 0, {}, {}},
        {"", 0, {}, {}},
    };
    for (const auto& c : kCases) {
        const PlacementText placement = PlacementText::Parse(c.text);
        EXPECT_EQ(placement.nNumbers, c.nNumbers) << c.text;
        EXPECT_EQ(placement.rcWindow, c.rcWindow) << c.text;
        EXPECT_EQ(placement.rcMonitor, c.rcMonitor) << c.text;
    }
}

TEST(PlacementTextTest, FormatWritesNineNumbersThatParseBack)
{
    const Rect rcWindow{INT_MIN, -50, 500, INT_MAX};
    const Rect rcMonitor{-1280, 0, 0, 1024};
    const std::string text = PlacementText::Format(rcWindow, rcMonitor);
    EXPECT_EQ(text, "-2147483648 -50 500 2147483647 1 -1280 0 0 1024");
    const PlacementText again = PlacementText::Parse(text);
    EXPECT_EQ(again.nNumbers, 9);
    EXPECT_EQ(again.rcWindow, rcWindow);
    EXPECT_EQ(again.rcMonitor, rcMonitor);
}

} // namespace
