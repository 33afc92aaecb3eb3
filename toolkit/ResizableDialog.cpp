#include "ResizableDialog.h"

#include "IconResource.h"
#include "InstanceCount.h"
#include "MonitorGeometry.h"
#include "PlacementFit.h"
#include "PlacementText.h"
#include "ProfileStore.h"
#include "ResourceString.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionSizeGrip>

namespace {

constexpr int kMaxLayoutIds = 123;     // the four counts and the ids fill 128 slots
constexpr int kSizeMoveSettleMs = 300; // a move or resize resting this long has finished

int ClampToInt(long long value)
{
    return Rect::Saturate(value);
}

} // namespace

CResizableDialog::CResizableDialog(unsigned nIDTemplate, unsigned nIDIcon, int nInstance, QWidget* pParent)
    : CTemplateDialog(nIDTemplate, pParent)
    , m_nInstance(nInstance > 0 ? nInstance : CountInstances())
    , m_fontMessage(QFontDatabase::systemFont(QFontDatabase::GeneralFont))
{
    Construct(nIDIcon);
}

CResizableDialog::CResizableDialog(const DialogTemplate& dialogTemplate, unsigned nIDIcon, int nInstance,
                                   QWidget* pParent)
    : CTemplateDialog(dialogTemplate, pParent)
    , m_nInstance(nInstance > 0 ? nInstance : CountInstances())
    , m_fontMessage(QFontDatabase::systemFont(QFontDatabase::GeneralFont))
{
    Construct(nIDIcon);
}

void CResizableDialog::Construct(unsigned nIDIcon)
{
    if (nIDIcon != 0)
        m_hIcon = LoadIconResource(nIDIcon);

    m_timerSizeMove.setSingleShot(true);
    m_timerSizeMove.setInterval(kSizeMoveSettleMs);
    connect(&m_timerSizeMove, &QTimer::timeout, this, [this] { OnExitSizeMove(); });

    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        for (QScreen* screen : QGuiApplication::screens())
            WatchScreen(screen);
        connect(application, &QGuiApplication::screenAdded, this, [this](QScreen* pScreen) {
            WatchScreen(pScreen);
            PostDisplayChange();
        });
        connect(application, &QGuiApplication::screenRemoved, this, [this] { PostDisplayChange(); });
    }
}

CResizableDialog::~CResizableDialog() = default;

bool CResizableDialog::SetLayout(const std::vector<int>& anStretchX, const std::vector<int>& anMoveX,
                                 const std::vector<int>& anStretchY, const std::vector<int>& anMoveY)
{
    m_bLayoutSet = true;
    const std::vector<int>* lists[] = {&anStretchX, &anMoveX, &anStretchY, &anMoveY};
    std::size_t total = 0;
    for (const std::vector<int>* list : lists)
        total += list->size();
    if (total > kMaxLayoutIds)
        return false;

    std::size_t slot = 0;
    for (const std::vector<int>* list : lists) {
        m_anLayout[slot++] = static_cast<int>(list->size());
        for (int nId : *list)
            m_anLayout[slot++] = nId;
    }
    m_bResizeX = !anStretchX.empty() || !anMoveX.empty();
    m_bResizeY = !anStretchY.empty() || !anMoveY.empty();
    OnGetMinMaxInfo();
    update();
    return true;
}

bool CResizableDialog::LoadPlacementById(unsigned nIDSection, unsigned nIDEntry)
{
    const QString section = LoadQString(nIDSection);
    const QString entry = LoadQString(nIDEntry);
    if (section.isEmpty() || entry.isEmpty())
        return false;
    return LoadPlacement(section, QString::asprintf("%s%d", entry.toUtf8().constData(), m_nInstance));
}

bool CResizableDialog::SavePlacementById(unsigned nIDSection, unsigned nIDEntry)
{
    const QString section = LoadQString(nIDSection);
    const QString entry = LoadQString(nIDEntry);
    if (section.isEmpty() || entry.isEmpty())
        return false;
    return SavePlacement(section, QString::asprintf("%s%d", entry.toUtf8().constData(), m_nInstance));
}

bool CResizableDialog::LoadPlacement(const QString& section, const QString& entry)
{
    m_bTrackPlacement = true;
    const QString value = GetProfileString(section, entry);
    if (value.isEmpty()) {
        CenterWindow();
        RecordPlacement();
        return false;
    }

    const PlacementText stored = PlacementText::Parse(value.toStdString());
    // A short or unreadable value leaves the current placement in force.
    RecordPlacement();
    if (stored.nNumbers >= 4) {
        m_rcPlacement = stored.rcWindow;
        m_rcPlacementMonitor = GetMonitorRectFromRect(m_rcPlacement, true);
        UpdatePlacementFractions();
    }
    if (stored.nNumbers == 9) {
        m_rcPlacementMonitor = stored.rcMonitor;
        UpdatePlacementFractions();
    }
    ApplyPlacement();
    return true;
}

bool CResizableDialog::SavePlacement(const QString& section, const QString& entry)
{
    const std::string value = PlacementText::Format(m_rcPlacement, m_rcPlacementMonitor);
    return WriteProfileString(section, entry, QString::fromStdString(value));
}

int CResizableDialog::CountInstances()
{
    return CountRunningCopies();
}

Rect CResizableDialog::GetWindowRect() const
{
    return Rect::FromQRect(frameGeometry());
}

bool CResizableDialog::OnInitDialog()
{
    m_rcInitial = GetWindowRect();
    m_cyClient = height();
    m_cxClient = width();
    m_sizeInitialClient = size();
    if (!m_hIcon.isNull())
        setWindowIcon(m_hIcon);
    ApplyMessageFont();
    OnGetMinMaxInfo();
    return CTemplateDialog::OnInitDialog();
}

void CResizableDialog::OnSize(SizeType nType, int cx, int cy)
{
    if (m_bLayoutSet)
        setUpdatesEnabled(false);
    if (nType != SIZE_MINIMIZED && m_cyClient != 0) {
        const int dx = cx - m_cxClient;
        const int dy = cy - m_cyClient;
        std::size_t slot = 0;
        for (int nList = 0; nList < 4; ++nList) {
            const int nCount = m_anLayout[slot++];
            for (int i = 0; i < nCount; ++i) {
                QWidget* control = GetDlgItem(m_anLayout[slot++]);
                if (!control)
                    continue;
                QRect rect = control->geometry(); // client coordinates of the dialog
                switch (nList) {
                case 0: rect.setWidth(rect.width() + dx); break;
                case 1: rect.moveLeft(rect.left() + dx); break;
                case 2: rect.setHeight(rect.height() + dy); break;
                case 3: rect.moveTop(rect.top() + dy); break;
                }
                control->setGeometry(rect);
            }
        }
        m_cyClient = cy;
        m_cxClient = cx;
        update(m_rcGrip.ToQRect()); // the grip drawn at the old corner goes
    }
    if (m_bLayoutSet) {
        setUpdatesEnabled(true);
        update();
    }
}

void CResizableDialog::OnGetMinMaxInfo()
{
    if (m_cyClient == 0)
        return;
    // Qt limits the client size; the initial client size is the initial window size less the frame.
    const QSize minimum = m_sizeInitialClient;
    setMinimumSize(minimum);
    setMaximumSize(m_bResizeX ? QWIDGETSIZE_MAX : minimum.width(), m_bResizeY ? QWIDGETSIZE_MAX : minimum.height());
}

void CResizableDialog::OnPaint()
{
    // Minimised windows are drawn by the window system from the window icon.
    if (!m_bResizeX && !m_bResizeY)
        return;
    const int nExtent = SizeGripExtent();
    m_rcGrip = Rect{width() - nExtent, height() - nExtent, width(), height()};

    QPainter painter(this);
    QStyleOptionSizeGrip option;
    option.initFrom(this);
    option.rect = m_rcGrip.ToQRect();
    option.corner = Qt::BottomRightCorner;
    style()->drawControl(QStyle::CE_SizeGrip, &option, &painter, this);
}

void CResizableDialog::OnSettingChange()
{
    ApplyMessageFont();
}

void CResizableDialog::OnExitSizeMove()
{
    if (m_bProgramMove) {
        m_bProgramMove = false;
        if (m_bReapplyWithFrame && isVisible()) {
            m_bReapplyWithFrame = false;
            if (frameGeometry() != geometry())
                ApplyPlacement();
        }
        return;
    }
    if (m_bTrackPlacement && !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        RecordPlacement();
}

void CResizableDialog::OnDisplayChange()
{
    // A maximised or minimised window is fitted by the window system; it returns to the placement
    // through the next display change or move.
    if (m_bTrackPlacement && !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        ApplyPlacement();
}

void CResizableDialog::ApplyMessageFont()
{
    m_fontMessage = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    for (QObject* object : children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow())
            continue;
        const bool bVisible = child->isVisible();
        if (bVisible)
            child->setUpdatesEnabled(false);
        child->setFont(m_fontMessage);
        SetEditMargins(child);
        if (bVisible) {
            child->setUpdatesEnabled(true);
            child->update();
        }
    }
}

void CResizableDialog::SetEditMargins(QWidget* pChild)
{
    QLineEdit* edit = qobject_cast<QLineEdit*>(pChild);
    if (auto* combo = qobject_cast<QComboBox*>(pChild)) {
        edit = combo->lineEdit(); // none for a drop-down list
        if (edit)
            edit->deselect();
    }
    if (edit)
        edit->setTextMargins(1, 0, 1, 0);
}

void CResizableDialog::RecordPlacement()
{
    m_rcPlacement = GetWindowRect();
    m_rcPlacementMonitor = GetMonitorRectFromWindow(this, true);
    UpdatePlacementFractions();
}

void CResizableDialog::UpdatePlacementFractions()
{
    const long long nWidth = m_rcPlacementMonitor.Width();
    const long long nHeight = m_rcPlacementMonitor.Height();
    m_dPlacementX = nWidth != 0
        ? static_cast<double>(static_cast<long long>(m_rcPlacement.left) - m_rcPlacementMonitor.left) / nWidth
        : 0.5;
    m_dPlacementY = nHeight != 0
        ? static_cast<double>(static_cast<long long>(m_rcPlacement.top) - m_rcPlacementMonitor.top) / nHeight
        : 0.5;
}

void CResizableDialog::ApplyPlacement()
{
    // The smallest window is the template's client size (as in OnGetMinMaxInfo) plus the frame as
    // the window system reports it now: on X11 the frame is known only once the window is shown.
    const int nMinWidth = m_sizeInitialClient.width() + frameGeometry().width() - width();
    const int nMinHeight = m_sizeInitialClient.height() + frameGeometry().height() - height();
    SetWindowRect(FitPlacement(m_rcPlacement, m_rcPlacementMonitor, m_dPlacementX, m_dPlacementY, nMinWidth,
                               nMinHeight, GetMonitors()));
}

void CResizableDialog::CenterWindow()
{
    const Rect rcWindow = GetWindowRect();
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const Rect rcArea = (owner && owner->isVisible()) ? Rect::FromQRect(owner->frameGeometry())
                                                      : GetMonitorRectFromWindow(this, false);
    const long long x = rcArea.left + (rcArea.Width() - rcWindow.Width()) / 2;
    const long long y = rcArea.top + (rcArea.Height() - rcWindow.Height()) / 2;
    SetWindowRect(Rect{ClampToInt(x), ClampToInt(y), ClampToInt(x + rcWindow.Width()),
                       ClampToInt(y + rcWindow.Height())});
}

void CResizableDialog::SetWindowRect(const Rect& rcWindow)
{
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const int nLeft = client.left() - frame.left();
    const int nTop = client.top() - frame.top();
    const int nRight = frame.right() - client.right();
    const int nBottom = frame.bottom() - client.bottom();

    m_bProgramMove = true;
    m_bReapplyWithFrame = !isVisible();
    setGeometry(ClampToInt(static_cast<long long>(rcWindow.left) + nLeft),
                ClampToInt(static_cast<long long>(rcWindow.top) + nTop),
                ClampToInt(rcWindow.Width() - nLeft - nRight), ClampToInt(rcWindow.Height() - nTop - nBottom));
    m_timerSizeMove.start();
}

void CResizableDialog::WatchScreen(QScreen* pScreen)
{
    connect(pScreen, &QScreen::geometryChanged, this, [this] { PostDisplayChange(); });
}

void CResizableDialog::PostDisplayChange()
{
    // The screen list is settled only after the notification that announced the change.
    QMetaObject::invokeMethod(this, [this] { OnDisplayChange(); }, Qt::QueuedConnection);
}

int CResizableDialog::SizeGripExtent() const
{
    const int nExtent = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    return nExtent > 0 ? nExtent : fontMetrics().height() + 4;
}

bool CResizableDialog::event(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::ApplicationFontChange) {
        const bool bResult = CTemplateDialog::event(pEvent);
        OnSettingChange();
        return bResult;
    }
    return CTemplateDialog::event(pEvent);
}

void CResizableDialog::changeEvent(QEvent* pEvent)
{
    CTemplateDialog::changeEvent(pEvent);
    // A resize while minimised was not laid out; restoring lays out the whole change in one pass.
    if (pEvent->type() == QEvent::WindowStateChange && !isMinimized()
        && (width() != m_cxClient || height() != m_cyClient))
        OnSize(isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED, width(), height());
}

void CResizableDialog::moveEvent(QMoveEvent* pEvent)
{
    CTemplateDialog::moveEvent(pEvent);
    if (isVisible())
        m_timerSizeMove.start();
}

void CResizableDialog::resizeEvent(QResizeEvent* pEvent)
{
    CTemplateDialog::resizeEvent(pEvent);
    const SizeType nType = isMinimized() ? SIZE_MINIMIZED : isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
    OnSize(nType, pEvent->size().width(), pEvent->size().height());
    if (isVisible())
        m_timerSizeMove.start();
}

void CResizableDialog::paintEvent(QPaintEvent* pEvent)
{
    CTemplateDialog::paintEvent(pEvent);
    OnPaint();
}

void CResizableDialog::showEvent(QShowEvent* pEvent)
{
    CTemplateDialog::showEvent(pEvent);
    // Where the window system puts the window as it appears is not a move by the user.
    if (!pEvent->spontaneous()) {
        m_bProgramMove = true;
        m_timerSizeMove.start();
    }
}
