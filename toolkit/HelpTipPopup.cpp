#include "HelpTipPopup.h"

#include "HelpTipWnd.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimerEvent>
#include <QVariantAnimation>

namespace {

constexpr int kAnimationMs = 100;

} // namespace

CHelpTipPopup::CHelpTipPopup(CHelpTipWnd& tip, QWidget* pOwner)
    : QWidget(pOwner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus)
    , m_tip(tip)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The tip paints every pixel itself, the shadow strips from the picture of the screen behind.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] { m_tip.OnActivateApp(); });
    m_tip.OnCreate(*this);
}

CHelpTipPopup::~CHelpTipPopup()
{
    StopAnimation();
    m_tip.OnDestroy(*this);
}

void CHelpTipPopup::TakeBackdrop(const QRect& rcScreen, bool bOldTipOnScreen)
{
    QImage image;
    QScreen* screen = QGuiApplication::screenAt(rcScreen.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect geometry = screen->geometry();
        image = screen->grabWindow(0, rcScreen.x() - geometry.x(), rcScreen.y() - geometry.y(), rcScreen.width(),
                                   rcScreen.height())
                    .toImage();
    }
    if (image.isNull()) {
        // Nothing to read (no screen, or a platform that cannot read it): a plain window colour.
        image = QImage(rcScreen.size(), QImage::Format_RGB32);
        image.fill(palette().color(QPalette::Window));
    } else if (image.size() != rcScreen.size()) {
        image = image.scaled(rcScreen.size());
    }
    image = image.convertToFormat(QImage::Format_RGB32);

    const QRect rcOld = m_rcBackdrop.intersected(rcScreen);
    if (bOldTipOnScreen && !rcOld.isEmpty() && !m_imgBackdrop.isNull()) {
        QPainter painter(&image);
        painter.drawImage(rcOld.topLeft() - rcScreen.topLeft(), m_imgBackdrop,
                          rcOld.translated(-m_rcBackdrop.topLeft()));
    }
    m_imgBackdrop = image;
    m_rcBackdrop = rcScreen;
}

QImage CHelpTipPopup::BackdropImage() const
{
    const QRect rcWindow = geometry();
    QImage image(rcWindow.size(), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    if (!m_imgBackdrop.isNull()) {
        QPainter painter(&image);
        painter.drawImage(m_rcBackdrop.topLeft() - rcWindow.topLeft(), m_imgBackdrop);
    }
    return image;
}

void CHelpTipPopup::Animate(const QRect& rcBody, const QRect& rcFinal, bool bFade, bool bDownward)
{
    StopAnimation();
    m_rcAnimateBody = rcBody;
    m_rcAnimateFinal = rcFinal;
    m_bDownward = bDownward;
    m_bPrinting = true;
    m_nSlideOffset = 0;

    auto* animation = new QVariantAnimation(this);
    animation->setDuration(kAnimationMs);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    if (bFade) {
        setGeometry(rcBody);
        setWindowOpacity(0.0);
        connect(animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { setWindowOpacity(value.toDouble()); });
    } else {
        const auto slide = [this](const QVariant& value) {
            const int nHeight = std::max(1, static_cast<int>(value.toDouble() * m_rcAnimateBody.height()));
            QRect rc = m_rcAnimateBody;
            if (m_bDownward)
                rc.setHeight(nHeight);
            else
                rc.setTop(rc.bottom() + 1 - nHeight);
            // Downward, the body's lower part enters first; upward, its upper part.
            m_nSlideOffset = m_bDownward ? nHeight - m_rcAnimateBody.height() : 0;
            setGeometry(rc);
            update();
        };
        slide(0.0);
        connect(animation, &QVariantAnimation::valueChanged, this, slide);
    }
    connect(animation, &QVariantAnimation::finished, this, &CHelpTipPopup::FinishAnimation);
    m_pAnimation = animation;
    show();
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void CHelpTipPopup::StopAnimation()
{
    if (!m_pAnimation)
        return;
    // A stopped animation deletes itself; it must not finish the showing after that.
    m_pAnimation->disconnect(this);
    m_pAnimation->stop();
    m_pAnimation = nullptr;
    if (m_bPrinting) {
        m_bPrinting = false;
        m_nSlideOffset = 0;
        setWindowOpacity(1.0);
    }
}

void CHelpTipPopup::FinishAnimation()
{
    m_pAnimation = nullptr;
    m_bPrinting = false;
    m_nSlideOffset = 0;
    setWindowOpacity(1.0);
    // Only now does the popup get its shadow strips, if it draws them itself.
    setGeometry(m_rcAnimateFinal);
    update();
}

void CHelpTipPopup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_bPrinting) {
        painter.translate(0, m_nSlideOffset);
        m_tip.DrawTip(painter, QRect(QPoint(0, 0), m_rcAnimateBody.size()), true);
        return;
    }
    m_tip.OnPaint(painter);
}

void CHelpTipPopup::timerEvent(QTimerEvent* event)
{
    m_tip.OnTimer(event->timerId());
}

void CHelpTipPopup::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        m_tip.OnSysColorChange();
}
