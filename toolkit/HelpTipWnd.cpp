#include "HelpTipWnd.h"

#include "HelpTipPopup.h"
#include "MonitorGeometry.h"
#include "Rect.h"
#include "TemplateDialog.h"
#include "TipRequest.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QInputDevice>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>

#include <algorithm>
#include <cstdlib>

#if defined(KESTRUM_HAVE_XCB)
#include <QtGui/qguiapplication_platform.h>
#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define KESTRUM_ASK_X11_COMPOSITOR 1
#endif
#endif

namespace {

constexpr int kShadow = 3;           // the own shadow strips at the right and the bottom
constexpr int kMargin = 3;           // frame and gap on each side of the text
constexpr int kSoftShadowSlowMs = 100;
constexpr int kHardShadowPaints = 100;

// Shared by every tip window of the process: whether the own shadow is drawn pixel by pixel, and
// how many own-shadow paints still use the hard shadow after the soft one proved slow.
bool g_bSoftShadow = true;
int g_nSoftShadowPause = 0;

#if defined(KESTRUM_ASK_X11_COMPOSITOR)
// A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
bool X11CompositorRunning()
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return false;
    xcb_connection_t* connection = x11->connection();
    int nScreen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    if (const qsizetype dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':'))
        nScreen = display.mid(dot + 1).toInt();
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(nScreen);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, name.size(), name.constData()), nullptr);
    if (!atom)
        return false;
    bool bRunning = false;
    if (atom->atom != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        bRunning = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
    }
    std::free(atom);
    return bRunning;
}
#endif

// Windows, macOS and Wayland compose every window and give popups their shadow (a Wayland client
// also cannot read the screen to draw one itself). On X11 only a running compositing manager draws
// shadows. The offscreen and frame-buffer platforms draw none.
bool PlatformDrawsShadows()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
#if defined(KESTRUM_ASK_X11_COMPOSITOR)
        return X11CompositorRunning();
#else
        return false;
#endif
    }
    return platform == QLatin1String("windows") || platform == QLatin1String("cocoa") ||
           platform.startsWith(QLatin1String("wayland"));
}

// Qt does not tell the pointer's size. X11 cursor themes follow XCURSOR_SIZE; without it, 32 pixels,
// the usual size of a pointer image.
int CursorHeight()
{
    bool bOk = false;
    const int nSize = qEnvironmentVariableIntValue("XCURSOR_SIZE", &bOk);
    return (bOk && nSize > 0) ? nSize : 32;
}

bool MousePresent()
{
    const QList<const QInputDevice*> devices = QInputDevice::devices();
    return std::any_of(devices.begin(), devices.end(), [](const QInputDevice* device) {
        return device->type() == QInputDevice::DeviceType::Mouse;
    });
}

// A Qt control can be made of several widgets where a single window would do: the viewport, scroll
// bars and header of a scrolled view, the line edit of a combo or spin box. Those parts count as
// their control (the edit field of a combo box counts as the combo box). What a scrolled view shows
// inside its viewport (a scroll area's content, an item editor) stays itself.
QWidget* ControlOf(QWidget* pWnd)
{
    QWidget* pControl = pWnd;
    for (QWidget* pPart = pWnd; !pPart->isWindow() && pPart->parentWidget(); pPart = pPart->parentWidget()) {
        QWidget* pParent = pPart->parentWidget();
        if (const auto* area = qobject_cast<QAbstractScrollArea*>(pParent)) {
            if (pPart == area->viewport() && pControl != pPart)
                break;
            pControl = pParent;
        } else if (qobject_cast<QComboBox*>(pParent) || qobject_cast<QAbstractSpinBox*>(pParent)) {
            pControl = pParent;
        }
    }
    return pControl;
}

// The pointer has not left the rest rectangle around `ptNow` since `ptLast`: the point inflated by
// the double-click distance, left and top edges inclusive, right and bottom exclusive. So a move of
// exactly that distance rests when it goes right or down, and moves when it goes left or up.
bool IsAtRest(const QPoint& ptLast, const QPoint& ptNow)
{
    // The platform's double-click distance: how far a pointer may wander and still be "in one place".
    const int nDistance = QGuiApplication::styleHints()->mouseDoubleClickDistance();
    const Rect rcRest{ptNow.x() - nDistance, ptNow.y() - nDistance, ptNow.x() + nDistance, ptNow.y() + nDistance};
    return ptLast.x() >= rcRest.left && ptLast.x() < rcRest.right && ptLast.y() >= rcRest.top &&
           ptLast.y() < rcRest.bottom;
}

// A modal dialog or message box of the application blocks input to every other window: the owner
// counts as disabled then, unless it is that modal window itself.
bool IsOwnerEnabled(const QWidget* pOwner)
{
    if (!pOwner->isEnabled())
        return false;
    const QWidget* pModal = QApplication::activeModalWidget();
    return !pModal || pModal == pOwner->window();
}

QRect WindowRect(const QWidget* pWnd)
{
    if (pWnd->isWindow())
        return pWnd->frameGeometry();
    return QRect(pWnd->mapToGlobal(QPoint(0, 0)), pWnd->size());
}

unsigned ControlId(const QWidget* pWnd)
{
    if (pWnd->isWindow())
        return 0;
    // Widgets that are no template control carry no id.
    const int nId = CTemplateDialog::GetDlgCtrlID(pWnd);
    return nId > 0 ? static_cast<unsigned>(nId) : 0;
}

// Darkens one pixel: every channel c becomes c - f, or 0 when c <= f.
QRgb Darken(QRgb rgb, int f)
{
    const auto channel = [f](int c) { return c > f ? c - f : 0; };
    return qRgb(channel(qRed(rgb)), channel(qGreen(rgb)), channel(qBlue(rgb)));
}

// One block of the soft shadow; f(i, j) is the darkening of column i, row j, and 0 leaves a pixel.
template <typename Darkening>
void DarkenBlock(QImage& image, const QRect& rcBlock, Darkening f)
{
    const QRect rc = rcBlock.intersected(image.rect());
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = rc.left(); x <= rc.right(); ++x) {
            const int nAmount = f(x - rcBlock.left(), y - rcBlock.top());
            if (nAmount > 0)
                line[x] = Darken(line[x], nAmount);
        }
    }
}

void DrawSoftShadow(QImage& image, const QRect& rc)
{
    const int nRight = rc.x() + rc.width();
    const int nBottom = rc.y() + rc.height();
    static constexpr int kBottomRight[3][3] = {{48, 48, 16}, {48, 16, 16}, {16, 16, 0}};
    DarkenBlock(image, QRect(nRight, rc.top(), 3, 3), [](int i, int j) { return j > i ? 32 * j : 0; });
    DarkenBlock(image, QRect(nRight, rc.top() + 3, 3, rc.height() - 3), [](int i, int) { return 80 - 32 * i; });
    DarkenBlock(image, QRect(nRight, nBottom, 3, 3), [](int i, int j) { return kBottomRight[j][i]; });
    DarkenBlock(image, QRect(rc.left() + 3, nBottom, rc.width() - 3, 3), [](int, int j) { return 80 - 32 * j; });
    DarkenBlock(image, QRect(rc.left(), nBottom, 3, 3), [](int i, int j) { return i > j ? 32 * i : 0; });
}

// The hard shadow: the screen behind ANDed with mid gray.
void DrawHardShadow(QImage& image, const QRect& rc)
{
    const int nRight = rc.x() + rc.width();
    const int nBottom = rc.y() + rc.height();
    const auto andGray = [&image](const QRect& rcStrip) {
        const QRect r = rcStrip.intersected(image.rect());
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x)
                line[x] = line[x] & 0xff808080u;
        }
    };
    andGray(QRect(nRight, 3, 3, rc.height()));
    andGray(QRect(3, nBottom, rc.width() - 3, 3));
}

} // namespace

CHelpTipWnd::Platform CHelpTipWnd::Platform::Native()
{
    Platform platform;
    platform.cursorPos = [] { return QCursor::pos(); };
    platform.widgetAt = [](const QPoint& pt) {
        // A disabled control is not "the window under the pointer": the widget holding it is.
        QWidget* pWnd = QApplication::widgetAt(pt);
        while (pWnd && !pWnd->isEnabled() && !pWnd->isWindow())
            pWnd = pWnd->parentWidget();
        return pWnd;
    };
    // The application is in the foreground when it is the active application; its active window
    // is then the foreground window.
    platform.foregroundWindow = []() -> QWidget* {
        if (QGuiApplication::applicationState() != Qt::ApplicationActive)
            return nullptr;
        return QApplication::activeWindow();
    };
    platform.bMousePresent = MousePresent();
    platform.bSystemShadow = PlatformDrawsShadows();
    // Qt opens drop-down menus to the left of their button in a right-to-left layout.
    platform.bMenuDropLeft = QGuiApplication::layoutDirection() == Qt::RightToLeft;
    platform.nCursorHeight = CursorHeight();
    return platform;
}

CHelpTipWnd::CHelpTipWnd()
    : CHelpTipWnd(Platform::Native())
{
}

CHelpTipWnd::CHelpTipWnd(Platform platform)
    : m_platform(std::move(platform))
    , m_fontTip(QFontDatabase::systemFont(QFontDatabase::GeneralFont))
    , m_bMousePresent(m_platform.bMousePresent)
    , m_bSystemShadow(m_platform.bSystemShadow)
{
}

CHelpTipWnd::~CHelpTipWnd()
{
    m_listFrom.clear();
    m_listTo.clear();
    delete m_pPopup.data();
}

bool CHelpTipWnd::Toggle(QWidget* pParent)
{
    if (m_bBusy || !m_bMousePresent)
        return false;
    m_bBusy = true;
    if (m_bOn) {
        delete m_pPopup.data();
        m_bOn = !m_pPopup.isNull();
    } else {
        m_ptLast = m_platform.cursorPos();
        m_hWndLast = nullptr;
        m_pPopup = new CHelpTipPopup(*this, pParent);
        m_bOn = !m_pPopup.isNull();
    }
    m_bBusy = false;
    return true;
}

int CHelpTipWnd::RedirectTip(QWidget* hWndFrom, QWidget* hWndTo)
{
    if (hWndFrom && hWndTo) {
        RemoveRedirect(hWndFrom);
        m_listFrom.emplace_back(hWndFrom);
        m_listTo.emplace_back(hWndTo);
    }
    return 0;
}

bool CHelpTipWnd::RemoveRedirect(QWidget* hWndFrom)
{
    for (std::size_t i = 0; i < m_listFrom.size(); ++i) {
        if (m_listFrom[i] == hWndFrom) {
            m_listFrom.erase(m_listFrom.begin() + static_cast<std::ptrdiff_t>(i));
            m_listTo.erase(m_listTo.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

QWidget* CHelpTipWnd::GetTipWindow() const
{
    return m_pPopup.data();
}

void CHelpTipWnd::OnCreate(CHelpTipPopup& popup)
{
    m_nTimerId = popup.startTimer(static_cast<int>(m_nPeriod));
    m_nStillTicks = 0;
}

void CHelpTipWnd::OnDestroy(CHelpTipPopup& popup)
{
    if (m_nTimerId != 0) {
        popup.killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
}

void CHelpTipWnd::OnTimer(int nIDEvent)
{
    if (m_bBusy)
        return;
    m_bBusy = true;
    if (nIDEvent == m_nTimerId && m_pPopup)
        Tick();
    m_bBusy = false;
}

void CHelpTipWnd::Tick()
{
    const QPoint pt = m_platform.cursorPos();
    QWidget* pWndAt = m_platform.widgetAt(pt);
    if (!pWndAt) {
        // Over the desktop or another program's window: no tip of ours belongs there, and the
        // rest starts over when the pointer comes back.
        HideTip();
        m_hWndLast = nullptr;
        m_ptLast = pt;
        m_nStillTicks = 0;
        return;
    }
    if (pWndAt->window() == m_pPopup) {
        HideTip();
        return;
    }

    unsigned nIdFrom = 0;
    const QPointer<QWidget> pWnd = FindTipTarget(pWndAt, &nIdFrom);
    if (!pWnd)
        return; // redirected to a widget that has gone

    const bool bAtRest = IsAtRest(m_ptLast, pt) && pWnd == m_hWndLast;
    m_hWndLast = pWnd;
    m_ptLast = pt;
    if (!bAtRest) {
        HideTip();
        m_nStillTicks = 0;
        return;
    }
    // Tips come from this thread's own widgets only (a widget of another process is never found).
    if (pWnd->thread() != m_pPopup->thread())
        return;

    QWidget* pOwner = m_pPopup->parentWidget();
    ++m_nStillTicks;
    if (!pOwner || !IsOwnerEnabled(pOwner))
        return;
    if (m_nStillTicks % m_nShowEvery != 0)
        return;
    if (!(m_dwTipFlags & 1) && !IsForeground(pOwner))
        return;
    if (!WindowRect(pOwner).contains(pt) || !pWnd)
        return;
    AskForTip(pWnd, nIdFrom, pt);
}

void CHelpTipWnd::AskForTip(QWidget* pWnd, unsigned nIdFrom, const QPoint& pt)
{
    TIPREQUEST request;
    request.hwndFrom = pWnd;
    request.idFrom = nIdFrom;
    request.code = HTN_GETTEXT;
    request.x = pt.x();
    request.y = pt.y() + m_platform.nCursorHeight;
    request.dwFlags = m_dwTipFlags;
    QCoreApplication::sendEvent(pWnd, &request);
    if (!m_pPopup)
        return; // the answer took the popup's owner with it
    // The answer is shorter than TIPREQUEST::kTextMax characters, also when it was written directly.
    request.szText.truncate(TIPREQUEST::kTextMax - 1);

    const bool bVisible = m_pPopup->isVisible();
    if (bVisible && request.szText.compare(m_szText, Qt::CaseInsensitive) == 0)
        return;

    const QRect rcOld = m_pPopup->geometry();
    const QSize size = CalcTipSize(request.szText);
    const QRect rcTip(PlaceTip(pt, QPoint(request.x, request.y), size), size);

    bool bAnimate = true;
    bool bOldTipOnScreen = false;
    if (bVisible && (!m_bSystemShadow || rcTip != rcOld)) {
        // Shown again without animation. The window system takes a moment to repaint what the old
        // tip covered; the own shadow reads the picture kept from the old showing there instead.
        HideTip();
        bAnimate = false;
        bOldTipOnScreen = true;
    }
    if (request.szText.isEmpty()) {
        HideTip();
        return;
    }
    ShowTip(rcTip, bAnimate, bOldTipOnScreen);
    m_pPopup->update();
}

QWidget* CHelpTipWnd::FindTipTarget(QWidget* pWnd, unsigned* pnIdFrom) const
{
    pWnd = ControlOf(pWnd);
    *pnIdFrom = ControlId(pWnd);
    // In list order, so that a chain of redirections is followed when it was recorded in order.
    for (std::size_t i = 0; i < m_listFrom.size(); ++i) {
        if (m_listFrom[i] == pWnd) {
            pWnd = m_listTo[i];
            if (!pWnd)
                return nullptr;
        }
    }
    return pWnd;
}

bool CHelpTipWnd::IsForeground(const QWidget* pOwner) const
{
    // The foreground window must be the owner's window or a window it owns, such as its message box.
    const QWidget* pTop = pOwner->window();
    for (const QWidget* pWnd = m_platform.foregroundWindow(); pWnd; pWnd = pWnd->parentWidget()) {
        pWnd = pWnd->window();
        if (pWnd == pTop)
            return true;
    }
    return false;
}

QSize CHelpTipWnd::CalcTipSize(const QString& text)
{
    m_szText = text;
    const QFontMetrics metrics = m_pPopup ? QFontMetrics(m_fontTip, m_pPopup) : QFontMetrics(m_fontTip);
    m_lines = text.split(QLatin1Char('\n'));
    m_nLineHeight = metrics.size(Qt::TextExpandTabs, QStringLiteral(" ")).height();
    int nWidth = 0;
    for (const QString& line : m_lines)
        nWidth = std::max(nWidth, line.isEmpty() ? 0 : metrics.size(Qt::TextExpandTabs, line).width());
    // A final "\n" counts as a line of its own.
    const int nPadding = 2 * kMargin + (m_bSystemShadow ? 0 : kShadow);
    return QSize(nWidth + nPadding, static_cast<int>(m_lines.size()) * m_nLineHeight + nPadding);
}

QPoint CHelpTipWnd::PlaceTip(const QPoint& ptPointer, QPoint ptProposed, const QSize& size) const
{
    const Rect rcMonitor = GetMonitorRectFromPoint(ptPointer.x(), ptPointer.y(), true);
    int x = ptProposed.x();
    int y = ptProposed.y();
    if (m_platform.bMenuDropLeft) {
        x -= size.width();
        if (x <= rcMonitor.left)
            x = rcMonitor.left;
    } else if (x >= rcMonitor.right - size.width()) {
        x = rcMonitor.right - size.width();
    }
    // Near the bottom the tip goes above the pointer.
    if (y + size.height() > rcMonitor.bottom)
        y = y - size.height() - m_platform.nCursorHeight - 2;
    return QPoint(x, y);
}

void CHelpTipWnd::ShowTip(const QRect& rcTip, bool bAnimate, bool bOldTipOnScreen)
{
    if (!m_bSystemShadow)
        m_pPopup->TakeBackdrop(rcTip, bOldTipOnScreen);
    m_pPopup->StopAnimation();
    if (bAnimate && QApplication::isEffectEnabled(Qt::UI_AnimateTooltip)) {
        const bool bFade = QApplication::isEffectEnabled(Qt::UI_FadeTooltip);
        const QRect rcBody = m_bSystemShadow ? rcTip : rcTip.adjusted(0, 0, -kShadow, -kShadow);
        const bool bDownward = m_platform.cursorPos().y() < rcTip.y();
        m_pPopup->Animate(rcBody, rcTip, bFade, bDownward);
        return;
    }
    m_pPopup->setGeometry(rcTip);
    m_pPopup->show();
}

void CHelpTipWnd::HideTip()
{
    if (!m_pPopup || !m_pPopup->isVisible())
        return;
    m_pPopup->StopAnimation();
    m_pPopup->hide();
}

void CHelpTipWnd::OnActivateApp()
{
    if (m_bBusy || !m_pPopup || !m_pPopup->isVisible())
        return;
    HideTip();
    m_ptLast = QPoint(0, 0);
}

void CHelpTipWnd::OnSysColorChange()
{
    HideTip();
}

void CHelpTipWnd::DrawTip(QPainter& painter, QRect rect, bool bPrint) const
{
    if (!bPrint && !m_bSystemShadow)
        rect.adjust(0, 0, -kShadow, -kShadow);
    const QPalette palette = m_pPopup ? m_pPopup->palette() : QApplication::palette();
    QColor crBack = palette.color(QPalette::ToolTipBase);
    QColor crText = palette.color(QPalette::ToolTipText);
    if (crBack == crText) {
        crBack = QColor(192, 192, 192);
        crText = Qt::black;
    }
    painter.fillRect(rect, crBack);
    // The 1-pixel frame in the text colour.
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), crText);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), crText);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), crText);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), crText);

    // Left- and top-aligned, one line per "\n" at the measured line height, tabs expanded, nothing
    // wrapped; "&" underlines the character after it.
    const QRect rcText = rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    painter.save();
    painter.setClipRect(rcText);
    painter.setFont(m_fontTip);
    painter.setPen(crText);
    int y = rcText.top();
    for (const QString& line : m_lines) {
        painter.drawText(QRect(rcText.left(), y, rcText.width(), m_nLineHeight),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | Qt::TextShowMnemonic, line);
        y += m_nLineHeight;
    }
    painter.restore();
}

void CHelpTipWnd::OnPaint(QPainter& painter)
{
    const QRect rcClient = m_pPopup->rect();
    DrawTip(painter, rcClient, false);
    if (m_bSystemShadow)
        return;

    if (g_nSoftShadowPause > 0)
        --g_nSoftShadowPause;
    if (g_nSoftShadowPause <= 0)
        g_bSoftShadow = true;

    const QRect rcBody = rcClient.adjusted(0, 0, -kShadow, -kShadow);
    DrawShadow(painter, rcBody);
}

void CHelpTipWnd::DrawShadow(QPainter& painter, const QRect& rcBody) const
{
    QImage image = m_pPopup->BackdropImage();
    const QScreen* screen = m_pPopup->screen();
    if (screen && screen->depth() > 8 && g_bSoftShadow) {
        QElapsedTimer timer;
        timer.start();
        DrawSoftShadow(image, rcBody);
        if (timer.elapsed() > kSoftShadowSlowMs) {
            g_bSoftShadow = false;
            g_nSoftShadowPause = kHardShadowPaints;
        }
    } else {
        DrawHardShadow(image, rcBody);
    }
    // The reserved strips at the right and the bottom: the screen behind, darkened where the shadow falls.
    const QRect rcRight(rcBody.x() + rcBody.width(), 0, kShadow, rcBody.height() + kShadow);
    const QRect rcBottom(0, rcBody.y() + rcBody.height(), rcBody.width(), kShadow);
    painter.drawImage(rcRight, image, rcRight);
    painter.drawImage(rcBottom, image, rcBottom);
}
