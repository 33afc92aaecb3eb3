// The help tip's popup window: a never-activated, always-on-top tooltip window owned by the widget
// tips were switched on for. It hands its timer, paint, palette and application-state events to its
// CHelpTipWnd, and keeps the two things a window of its own must: the picture of the screen behind
// it (from which its own shadow is drawn) and the show animation.
#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

class CHelpTipWnd;
class QVariantAnimation;

class CHelpTipPopup : public QWidget {
    Q_OBJECT

public:
    // Creating the popup is the tip's OnCreate, destroying it its OnDestroy.
    CHelpTipPopup(CHelpTipWnd& tip, QWidget* pOwner);
    ~CHelpTipPopup() override;

    // Reads the screen behind `rcScreen` before the popup shows there. bOldTipOnScreen: the popup
    // was shown a moment ago and the screen may still show it, so where the old rectangle and the
    // new one meet, the picture taken for the old one is used.
    void TakeBackdrop(const QRect& rcScreen, bool bOldTipOnScreen);
    // The screen behind the popup as an image of the popup's size, in popup coordinates.
    QImage BackdropImage() const;

    // Shows the popup at rcBody (the tip without its own shadow strips) with a 100 ms fade or
    // slide (downward: it slides from top to bottom), then gives it rcFinal.
    void Animate(const QRect& rcBody, const QRect& rcFinal, bool bFade, bool bDownward);
    void StopAnimation();
    // True while the animation runs: the whole client area is the tip's body then.
    bool IsPrinting() const { return m_bPrinting; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FinishAnimation();

    CHelpTipWnd& m_tip;
    QImage m_imgBackdrop; // the screen behind m_rcBackdrop, in logical pixels
    QRect m_rcBackdrop;
    QPointer<QVariantAnimation> m_pAnimation;
    QRect m_rcAnimateBody;
    QRect m_rcAnimateFinal;
    bool m_bDownward = true;
    bool m_bPrinting = false;
    int m_nSlideOffset = 0; // how far the body's picture is drawn above the top while it slides
};
