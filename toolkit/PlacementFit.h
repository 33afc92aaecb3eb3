// Where a restored window goes, as pure functions over rectangles and a monitor set:
// 1. its size is limited: never larger than the largest monitor's work area (no window manager
//    caps it for us, and a window of 32767 × 32767 pixels takes gigabytes and never paints), never
//    smaller than the dialog's template;
// 2. the recorded placement is fitted to the monitor now nearest it (proportional position, edges
//    it was docked to kept, a window hanging over an edge pulled back);
// 3. a window whose top edge lies on no work area, or that shows less than half of itself on the
//    work areas, is moved onto the nearest monitor's work area, whole where it fits, so that it can
//    always be seen and grabbed.
// Coordinates are 64-bit on the way: a stored placement may hold any integers, and a window's size
// must not be lost to an edge that no longer fits an int.
#pragma once

#include "MonitorGeometry.h"
#include "Rect.h"

#include <vector>

struct WindowBox {
    long long x = 0;
    long long y = 0;
    long long width = 0;
    long long height = 0;

    static WindowBox FromRect(const Rect& rc) { return {rc.left, rc.top, rc.Width(), rc.Height()}; }
    // Each edge saturated to an int.
    Rect ToRect() const;
    bool operator==(const WindowBox&) const = default;
};

// A monitor's work area, or the whole monitor when the platform reports no work area.
Rect WorkAreaOf(const MonitorInfo& monitor);

// Step 1: the top-left corner stays; without monitors only the minimum applies.
WindowBox LimitWindowSize(const WindowBox& window, long long nMinWidth, long long nMinHeight,
                          const std::vector<MonitorInfo>& monitors);

// Step 2: the window moved to its new top-left corner; the size stays. `rcMonitor` is the whole
// rectangle of the monitor that held the window when it was recorded, `rcNearest` that of the
// monitor nearest it now, dX and dY the recorded position as fractions of the old monitor's width
// and height.
WindowBox CalcPlacementOrigin(const WindowBox& window, const Rect& rcMonitor, const Rect& rcNearest, double dX,
                              double dY);

// Step 3: the window unchanged when it can be seen, else moved; the size stays.
WindowBox KeepOnWorkArea(const WindowBox& window, const std::vector<MonitorInfo>& monitors);

// The three steps in order, for a recorded window rectangle.
Rect FitPlacement(const Rect& rcWindow, const Rect& rcMonitor, double dX, double dY, long long nMinWidth,
                  long long nMinHeight, const std::vector<MonitorInfo>& monitors);
