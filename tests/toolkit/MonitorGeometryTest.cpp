#include "MonitorGeometry.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Two monitors side by side: a 1024 × 768 primary with a 40-pixel panel at its bottom, and a
// 1280 × 1024 one to its right with a panel at its top.
const MonitorInfo kLeft{{0, 0, 1024, 768}, {0, 0, 1024, 728}};
const MonitorInfo kRight{{1024, 0, 2304, 1024}, {1024, 30, 2304, 1024}};

class MonitorGeometryTest : public testing::Test {
protected:
    void SetUp() override { SetMonitorsForTesting({kLeft, kRight}); }
    void TearDown() override { ResetMonitorsForTesting(); }
};

TEST(RectTest, ConvertsFromQRectWithExclusiveEdges)
{
    const Rect rect = Rect::FromQRect(QRect(10, 20, 30, 40));
    EXPECT_EQ(rect, (Rect{10, 20, 40, 60}));
    EXPECT_EQ(rect.ToQRect(), QRect(10, 20, 30, 40));
}

TEST_F(MonitorGeometryTest, PointOnAMonitorGivesThatMonitor)
{
    EXPECT_EQ(GetMonitorRectFromPoint(1023, 767, true), kLeft.rcMonitor);
    EXPECT_EQ(GetMonitorRectFromPoint(1024, 0, true), kRight.rcMonitor); // left edges belong to the monitor
}

TEST_F(MonitorGeometryTest, PointOutsideEveryMonitorGivesTheNearestNotThePrimary)
{
    EXPECT_EQ(GetMonitorRectFromPoint(3000, 100, true), kRight.rcMonitor);
    EXPECT_EQ(GetMonitorRectFromPoint(1000, 1010, true), kRight.rcMonitor); // below the primary, near the other
    EXPECT_EQ(GetMonitorRectFromPoint(-500, 900, true), kLeft.rcMonitor);
}

TEST_F(MonitorGeometryTest, WorkAreaLeavesOutThePanels)
{
    EXPECT_EQ(GetMonitorRectFromPoint(10, 10, false), kLeft.rcWork);
    EXPECT_EQ(GetMonitorRectFromPoint(2000, 10, false), kRight.rcWork);
    EXPECT_EQ(GetPrimaryScreenRect(), kLeft.rcMonitor);
    EXPECT_EQ(GetPrimaryWorkArea(), kLeft.rcWork);
}

TEST_F(MonitorGeometryTest, RectangleGoesToTheMonitorWithTheLargestShare)
{
    EXPECT_EQ(GetMonitorRectFromRect(Rect{900, 100, 1200, 300}, true), kRight.rcMonitor);
    EXPECT_EQ(GetMonitorRectFromRect(Rect{800, 100, 1100, 300}, true), kLeft.rcMonitor);
    // Outside both: below the left monitor, nearer it than the taller right one.
    EXPECT_EQ(GetMonitorRectFromRect(Rect{100, 1100, 300, 1200}, true), kLeft.rcMonitor);
    EXPECT_EQ(GetMonitorRectFromRect(Rect{2400, 1100, 2500, 1200}, true), kRight.rcMonitor);
    // At the ends of the int range the squared distances pass 64 bits.
    EXPECT_EQ(GetMonitorRectFromRect(Rect{INT_MIN, INT_MIN, INT_MIN, INT_MIN}, true), kLeft.rcMonitor);
    EXPECT_EQ(GetMonitorRectFromRect(Rect{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, true), kRight.rcMonitor);
}

TEST_F(MonitorGeometryTest, WindowUsesItsFrameAndNoWindowFallsBackToThePrimary)
{
    EXPECT_EQ(GetMonitorRectFromWindow(static_cast<const QWidget*>(nullptr), true), kLeft.rcMonitor);
    EXPECT_EQ(GetMonitorRectFromWindow(static_cast<const QWidget*>(nullptr), false), kLeft.rcWork);

    QWidget window;
    window.setGeometry(1500, 200, 300, 200);
    EXPECT_EQ(GetMonitorRectFromWindow(&window, true), kRight.rcMonitor);
}

TEST_F(MonitorGeometryTest, EmptyWorkAreaFallsBackToTheScreen)
{
    SetMonitorsForTesting({MonitorInfo{{0, 0, 800, 600}, {}}});
    EXPECT_EQ(GetPrimaryWorkArea(), (Rect{0, 0, 800, 600}));
}

} // namespace
