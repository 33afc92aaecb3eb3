#include "PlacementFit.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kDockDistance = 40; // closer than this to a monitor edge counts as docked
constexpr int kPullBack = 5;      // a window pulled back onto a monitor ends this far inside

// monitor extent × fraction, truncated toward zero; kept far inside 64 bits whatever was stored.
long long ScaledOffset(long long extent, double fraction)
{
    const double product = std::trunc(static_cast<double>(extent) * fraction);
    return static_cast<long long>(std::clamp(product, -4.0e12, 4.0e12));
}

// One axis of the window, of the monitor that held it and of the monitor nearest it now.
struct Span {
    long long start;
    long long end;
};

// The new start of the window on one axis: proportional to the old monitor; kept at its distance
// from an edge it was docked to (the end edge wins over the start); otherwise pulled back inside.
long long FitOnAxis(Span window, Span oldMonitor, Span nowMonitor, double fraction)
{
    const long long extent = window.end - window.start;
    long long start = nowMonitor.start + ScaledOffset(nowMonitor.end - nowMonitor.start, fraction);
    if (window.start - oldMonitor.start < kDockDistance)
        start = nowMonitor.start + (window.start - oldMonitor.start);
    else if (start < nowMonitor.start)
        start = nowMonitor.start + kPullBack;
    if (oldMonitor.end - window.end < kDockDistance)
        start = nowMonitor.end - (oldMonitor.end - window.end) - extent;
    else if (start + extent > nowMonitor.end)
        start = nowMonitor.end - extent - kPullBack;
    return start;
}

long long Overlap(long long start, long long extent, long long areaStart, long long areaEnd)
{
    return std::min(start + extent, areaEnd) - std::max(start, areaStart);
}

// Inside [areaStart, areaEnd) as near `start` as possible; at the area's start when it is too small.
long long PlaceInside(long long start, long long extent, long long areaStart, long long areaEnd)
{
    if (extent > areaEnd - areaStart)
        return areaStart;
    return std::clamp(start, areaStart, areaEnd - extent);
}

} // namespace

Rect WindowBox::ToRect() const
{
    return Rect{Rect::Saturate(x), Rect::Saturate(y), Rect::Saturate(x + width), Rect::Saturate(y + height)};
}

Rect WorkAreaOf(const MonitorInfo& monitor)
{
    return monitor.rcWork.IsEmpty() ? monitor.rcMonitor : monitor.rcWork;
}

WindowBox LimitWindowSize(const WindowBox& window, long long nMinWidth, long long nMinHeight,
                          const std::vector<MonitorInfo>& monitors)
{
    WindowBox limited = window;
    const auto largest = std::max_element(monitors.begin(), monitors.end(), [](const auto& a, const auto& b) {
        const Rect workA = WorkAreaOf(a), workB = WorkAreaOf(b);
        return workA.Width() * workA.Height() < workB.Width() * workB.Height();
    });
    if (largest != monitors.end()) {
        const Rect work = WorkAreaOf(*largest);
        limited.width = std::min(limited.width, work.Width());
        limited.height = std::min(limited.height, work.Height());
    }
    limited.width = std::max(limited.width, nMinWidth);
    limited.height = std::max(limited.height, nMinHeight);
    return limited;
}

WindowBox CalcPlacementOrigin(const WindowBox& window, const Rect& rcMonitor, const Rect& rcNearest, double dX,
                              double dY)
{
    // The monitor that held the window still has the same geometry: nothing moves.
    if (rcNearest == rcMonitor)
        return window;
    WindowBox fitted = window;
    fitted.x = FitOnAxis({window.x, window.x + window.width}, {rcMonitor.left, rcMonitor.right},
                         {rcNearest.left, rcNearest.right}, dX);
    fitted.y = FitOnAxis({window.y, window.y + window.height}, {rcMonitor.top, rcMonitor.bottom},
                         {rcNearest.top, rcNearest.bottom}, dY);
    return fitted;
}

WindowBox KeepOnWorkArea(const WindowBox& window, const std::vector<MonitorInfo>& monitors)
{
    bool bTopEdgeShown = false;
    double dShownArea = 0; // in double: a window and the monitors may be as large as ints allow
    for (const MonitorInfo& monitor : monitors) {
        const Rect work = WorkAreaOf(monitor);
        const long long across = Overlap(window.x, window.width, work.left, work.right);
        const long long down = Overlap(window.y, window.height, work.top, work.bottom);
        if (across <= 0)
            continue;
        if (window.y >= work.top && window.y < work.bottom)
            bTopEdgeShown = true;
        if (down > 0)
            dShownArea += static_cast<double>(across) * static_cast<double>(down);
    }
    const double dArea = static_cast<double>(window.width) * static_cast<double>(window.height);
    if (monitors.empty() || (bTopEdgeShown && 2 * dShownArea >= dArea))
        return window;

    const std::optional<std::size_t> nearest = NearestMonitor(monitors, window.ToRect());
    const Rect work = WorkAreaOf(monitors[nearest.value_or(0)]);
    WindowBox moved = window;
    moved.x = PlaceInside(window.x, window.width, work.left, work.right);
    moved.y = PlaceInside(window.y, window.height, work.top, work.bottom);
    return moved;
}

Rect FitPlacement(const Rect& rcWindow, const Rect& rcMonitor, double dX, double dY, long long nMinWidth,
                  long long nMinHeight, const std::vector<MonitorInfo>& monitors)
{
    const WindowBox limited = LimitWindowSize(WindowBox::FromRect(rcWindow), nMinWidth, nMinHeight, monitors);
    const std::optional<std::size_t> nearest = NearestMonitor(monitors, limited.ToRect());
    const Rect rcNearest = nearest ? monitors[*nearest].rcMonitor : Rect{};
    return KeepOnWorkArea(CalcPlacementOrigin(limited, rcMonitor, rcNearest, dX, dY), monitors).ToRect();
}
