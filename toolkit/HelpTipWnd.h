// Help tips: a small popup next to a resting mouse pointer, in the palette's tooltip colours. It keeps
// no texts: every 100 ms it looks at the pointer, and after five still ticks it asks the widget under
// it for its text with a TIPREQUEST (TipRequest.h), again every five ticks while the pointer stays.
// Widgets that cannot answer are redirected to one that can, usually their dialog, which answers by
// the control id carried in the request. Tips are on while the popup exists (Toggle).
//
// User-interface thread only. The popup is owned by the widget given to Toggle, so it goes when that
// widget goes; IsOn keeps its value then, as it only changes in Toggle.
#pragma once

#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class CHelpTipPopup;
class QPainter;

class CHelpTipWnd {
public:
    // What the tip reads of the platform. Native() gives the real answers; tests give their own,
    // since the offscreen platform has neither a pointer nor a mouse.
    struct Platform {
        std::function<QPoint()> cursorPos;                  // pointer position, screen coordinates
        std::function<QWidget*(const QPoint&)> widgetAt;    // the widget under a screen point
        std::function<QWidget*()> foregroundWindow;         // active window; nullptr while the application is inactive
        bool bMousePresent = false;
        bool bSystemShadow = false; // the platform draws the popup's drop shadow
        bool bMenuDropLeft = false; // drop-down menus open to the left of their button
        int nCursorHeight = 32;     // pixels

        static Platform Native();
    };

    CHelpTipWnd();
    explicit CHelpTipWnd(Platform platform);
    ~CHelpTipWnd();
    CHelpTipWnd(const CHelpTipWnd&) = delete;
    CHelpTipWnd& operator=(const CHelpTipWnd&) = delete;

    // Switches tips on (creates the hidden popup, owned by pParent, and starts polling) or off
    // (destroys it). False, and nothing changes, while a tick or another Toggle runs or when no
    // mouse is present.
    bool Toggle(QWidget* pParent);
    bool IsOn() const { return m_bOn; }
    bool CanToggle() const { return !m_bBusy && m_bMousePresent; }

    // Requests for hWndFrom go to hWndTo, carrying hWndFrom's control id. Replaces an earlier
    // redirection of hWndFrom; nothing is recorded unless both widgets exist. Always 0.
    int RedirectTip(QWidget* hWndFrom, QWidget* hWndTo);
    // Removes the first redirection of hWndFrom; true when there was one.
    bool RemoveRedirect(QWidget* hWndFrom);

    QFont* GetTipFont() { return &m_fontTip; }
    // Bit 0 lets tips show while the application is not in the foreground.
    void SetTipFlags(quint32 dwFlags) { m_dwTipFlags = dwFlags; }
    quint32 GetTipFlags() const { return m_dwTipFlags; }

    // The popup while tips are on, else nullptr; and the id of its polling timer (0 for none).
    QWidget* GetTipWindow() const;
    int GetTimerId() const { return m_nTimerId; }

private:
    friend class CHelpTipPopup;

    // Popup events.
    void OnCreate(CHelpTipPopup& popup);
    void OnDestroy(CHelpTipPopup& popup);
    void OnTimer(int nIDEvent);
    void OnActivateApp();
    void OnSysColorChange();
    void OnPaint(QPainter& painter);

    void Tick();
    // Sends the text request to pWnd and shows, moves or hides the tip by the answer.
    void AskForTip(QWidget* pWnd, unsigned nIdFrom, const QPoint& pt);
    QWidget* FindTipTarget(QWidget* pWnd, unsigned* pnIdFrom) const;
    bool IsForeground(const QWidget* pOwner) const;
    QSize CalcTipSize(const QString& text);
    QPoint PlaceTip(const QPoint& ptPointer, QPoint ptProposed, const QSize& size) const;
    void ShowTip(const QRect& rcTip, bool bAnimate, bool bOldTipOnScreen);
    void HideTip();
    // Fills in the tip's body: background, frame and text. bPrint: the whole rectangle is body.
    void DrawTip(QPainter& painter, QRect rect, bool bPrint) const;
    void DrawShadow(QPainter& painter, const QRect& rcBody) const;

    Platform m_platform;
    quint32 m_dwTipFlags = 0;
    QString m_szText; // the text last measured, which is the text painted
    // The measured text split at "\n" and its line height, kept for the paints that follow.
    QStringList m_lines;
    int m_nLineHeight = 0;
    QFont m_fontTip;
    QPoint m_ptLast;
    QPointer<QWidget> m_hWndLast;
    bool m_bOn = false;
    bool m_bBusy = false;
    bool m_bMousePresent = false;
    int m_nTimerId = 0;
    unsigned m_nStillTicks = 0;
    std::vector<QPointer<QWidget>> m_listFrom;
    std::vector<QPointer<QWidget>> m_listTo; // same positions as m_listFrom
    unsigned m_nPeriod = 100;                // ms
    unsigned m_nShowEvery = 5;               // a request on every m_nShowEvery-th still tick
    bool m_bSystemShadow = false;
    QPointer<CHelpTipPopup> m_pPopup;
};
