#include "MonitorGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace {

std::optional<std::vector<MonitorInfo>>& InjectedMonitors()
{
    static std::optional<std::vector<MonitorInfo>> monitors;
    return monitors;
}

// The span of pixels a rectangle covers on one axis; an empty rectangle covers its first pixel,
// so that it still has a position to measure from.
struct Span {
    long long first, last;
};

Span HorizontalSpan(const Rect& rc) { return {rc.left, std::max<long long>(rc.left, rc.right - 1LL)}; }
Span VerticalSpan(const Rect& rc) { return {rc.top, std::max<long long>(rc.top, rc.bottom - 1LL)}; }

long long Gap(const Span& a, const Span& b)
{
    return std::max({0LL, b.first - a.last, a.first - b.last});
}

// In double: gaps reach 2^32 for rectangles at the ends of the int range, and their squares
// would overflow 64 bits.
double DistanceSquared(const Rect& a, const Rect& b)
{
    const auto dx = static_cast<double>(Gap(HorizontalSpan(a), HorizontalSpan(b)));
    const auto dy = static_cast<double>(Gap(VerticalSpan(a), VerticalSpan(b)));
    return dx * dx + dy * dy;
}

long long IntersectionArea(const Rect& a, const Rect& b)
{
    const long long width = std::min<long long>(a.right, b.right) - std::max<long long>(a.left, b.left);
    const long long height = std::min<long long>(a.bottom, b.bottom) - std::max<long long>(a.top, b.top);
    return (width > 0 && height > 0) ? width * height : 0;
}

Rect PrimaryFallback(bool bWholeMonitor)
{
    return bWholeMonitor ? GetPrimaryScreenRect() : GetPrimaryWorkArea();
}

Rect MonitorNearest(const Rect& rc, bool bWholeMonitor)
{
    const std::vector<MonitorInfo> monitors = GetMonitors();
    const std::optional<std::size_t> index = NearestMonitor(monitors, rc);
    if (!index)
        return PrimaryFallback(bWholeMonitor);
    return bWholeMonitor ? monitors[*index].rcMonitor : monitors[*index].rcWork;
}

} // namespace

std::optional<std::size_t> NearestMonitor(const std::vector<MonitorInfo>& monitors, const Rect& rc)
{
    std::optional<std::size_t> best;
    long long bestArea = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const long long area = IntersectionArea(monitors[i].rcMonitor, rc);
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    if (best)
        return best;
    double bestDistance = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const double distance = DistanceSquared(monitors[i].rcMonitor, rc);
        if (!best || distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

std::vector<MonitorInfo> GetMonitors()
{
    if (InjectedMonitors())
        return *InjectedMonitors();
    std::vector<MonitorInfo> monitors;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return monitors;
    // screens() lists the primary screen first.
    for (const QScreen* screen : QGuiApplication::screens())
        monitors.push_back({Rect::FromQRect(screen->geometry()), Rect::FromQRect(screen->availableGeometry())});
    return monitors;
}

void SetMonitorsForTesting(std::vector<MonitorInfo> monitors)
{
    InjectedMonitors() = std::move(monitors);
}

void ResetMonitorsForTesting()
{
    InjectedMonitors().reset();
}

Rect GetPrimaryScreenRect()
{
    const std::vector<MonitorInfo> monitors = GetMonitors();
    return monitors.empty() ? Rect() : monitors.front().rcMonitor;
}

Rect GetPrimaryWorkArea()
{
    const std::vector<MonitorInfo> monitors = GetMonitors();
    if (monitors.empty() || monitors.front().rcWork.IsEmpty())
        return GetPrimaryScreenRect();
    return monitors.front().rcWork;
}

Rect GetMonitorRectFromWindow(const QWidget* pWnd, bool bWholeMonitor)
{
    if (!pWnd)
        return PrimaryFallback(bWholeMonitor);
    return MonitorNearest(Rect::FromQRect(pWnd->window()->frameGeometry()), bWholeMonitor);
}

Rect GetMonitorRectFromWindow(const QWindow* pWindow, bool bWholeMonitor)
{
    if (!pWindow)
        return PrimaryFallback(bWholeMonitor);
    return MonitorNearest(Rect::FromQRect(pWindow->frameGeometry()), bWholeMonitor);
}

Rect GetMonitorRectFromRect(const Rect& rc, bool bWholeMonitor)
{
    return MonitorNearest(rc, bWholeMonitor);
}

Rect GetMonitorRectFromPoint(int x, int y, bool bWholeMonitor)
{
    // A one-pixel rectangle: the monitor holding the pixel shares area with it, else the nearest.
    return MonitorNearest(Rect{x, y, Rect::Saturate(x + 1LL), Rect::Saturate(y + 1LL)}, bWholeMonitor);
}
