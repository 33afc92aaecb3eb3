// Which screen rectangle applies: the monitor nearest a window, a rectangle or a point, whole or
// reduced to its work area (without panels and task bars), with the primary screen as the fallback.
// Whole monitor = QScreen::geometry(), work area = QScreen::availableGeometry().
// User-interface thread only (QScreen is not thread-safe).
#pragma once

#include "Rect.h"

#include <cstddef>
#include <optional>
#include <vector>

class QWidget;
class QWindow;

struct MonitorInfo {
    Rect rcMonitor; // the whole monitor
    Rect rcWork;    // its work area
};

// The monitors in the platform's order, the primary first; empty without a GUI application.
std::vector<MonitorInfo> GetMonitors();

// Index of the monitor nearest `rc` in `monitors` (largest shared area first, then smallest
// distance; the earlier monitor wins a tie), or nothing when there are no monitors.
std::optional<std::size_t> NearestMonitor(const std::vector<MonitorInfo>& monitors, const Rect& rc);

// Tests: these monitors stand in for the screens until ResetMonitorsForTesting (the first is primary).
void SetMonitorsForTesting(std::vector<MonitorInfo> monitors);
void ResetMonitorsForTesting();

// The primary monitor's whole rectangle (empty when there is no screen at all).
Rect GetPrimaryScreenRect();
// The primary monitor's work area, or its whole rectangle when the work area is empty.
Rect GetPrimaryWorkArea();

// The monitor nearest the window's frame rectangle; without a window, the primary fallback.
Rect GetMonitorRectFromWindow(const QWidget* pWnd, bool bWholeMonitor);
Rect GetMonitorRectFromWindow(const QWindow* pWindow, bool bWholeMonitor);
// The monitor sharing the largest area with the rectangle; when none does, the nearest one.
Rect GetMonitorRectFromRect(const Rect& rc, bool bWholeMonitor);
// The monitor holding the point; when none does, the nearest one.
Rect GetMonitorRectFromPoint(int x, int y, bool bWholeMonitor);
