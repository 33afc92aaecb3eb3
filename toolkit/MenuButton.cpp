#include "MenuButton.h"

#include "CommandTarget.h"
#include "MenuTemplate.h"
#include "MessageCatalogue.h"

#include <QAction>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int kCaptionLength = 31; // the caption is read into 32 characters with the terminator
constexpr int kFocusInset = 2;

// A text of menu `nIDMenu` in the user's language.
QString Text(unsigned nIDMenu, std::string_view text)
{
    if (text.empty())
        return QString();
    const std::string_view shown = TranslateMessage(MenuTemplateContext(nIDMenu), text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

// Menu `nId` of the resources as a menu holding one sub-menu per pop-up, items carrying their
// command id as data; nullptr when the resources have no such menu.
std::unique_ptr<QMenu> LoadMenu(unsigned nId)
{
    const MenuTemplate* pTemplate = FindMenuTemplate(nId);
    if (!pTemplate)
        return nullptr;
    auto pMenu = std::make_unique<QMenu>();
    for (const MenuPopupTemplate& popupTemplate : pTemplate->popups) {
        QMenu* pPopup = pMenu->addMenu(Text(nId, popupTemplate.text));
        for (const MenuItemTemplate& item : popupTemplate.items) {
            if (item.nId == 0)
                pPopup->addSeparator();
            else
                pPopup->addAction(Text(nId, item.text))->setData(item.nId);
        }
    }
    return pMenu;
}

// The first 31 characters, without leaving half of a surrogate pair at the end.
QString DrawnCaption(const QString& text)
{
    if (text.size() <= kCaptionLength)
        return text;
    const int nLength = text.at(kCaptionLength - 1).isHighSurrogate() ? kCaptionLength - 1 : kCaptionLength;
    return text.left(nLength);
}

} // namespace

CMenuButton::CMenuButton(QWidget* pParent)
    : QPushButton(pParent)
{
    // Enter goes to the dialog's default button, and a right click opens only this button's menu,
    // never a context menu of the dialog behind it.
    setAutoDefault(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setFocusPolicy(Qt::TabFocus);
    OnSetCursor();
}

CMenuButton::~CMenuButton() = default;

bool CMenuButton::SetDropMenu(unsigned nIDMenu, int nSubMenu)
{
    m_pMenu.reset();
    if (nIDMenu != 0) {
        m_pMenu = LoadMenu(nIDMenu);
        m_nSubMenu = nSubMenu;
    }
    return m_pMenu != nullptr;
}

bool CMenuButton::TrackMenu(bool bAtPointer, bool bLeftButton)
{
    // Qt menus select an item with whichever button is released over it; there is no left-only
    // tracking to ask for, so both buttons track every pop-up.
    Q_UNUSED(bLeftButton);
    QMenu* pPopup = GetSubMenu();
    if (!pPopup)
        return false;

    QPoint point = QCursor::pos();
    if (!bAtPointer) {
        // The centre of the window rectangle, its right and bottom edges exclusive.
        const QPoint topLeft = mapToGlobal(QPoint(0, 0));
        point = QPoint((2 * topLeft.x() + width()) / 2, (2 * topLeft.y() + height()) / 2);
    }
    UpdateMenuItems(*pPopup);

    const QAction* pChosen = pPopup->exec(point);
    auto* pTarget = dynamic_cast<CCommandTarget*>(parentWidget());
    if (pChosen && pTarget) {
        // Posted, as a command is: the owner acts once the menu and this handler are done.
        const unsigned nId = pChosen->data().toUInt();
        QTimer::singleShot(0, parentWidget(), [pTarget, nId] { pTarget->ExecuteCommand(nId); });
    }
    return true;
}

QMenu* CMenuButton::GetSubMenu() const
{
    if (!m_pMenu)
        return nullptr;
    const QList<QAction*> popups = m_pMenu->actions();
    if (m_nSubMenu < 0 || m_nSubMenu >= popups.size())
        return nullptr;
    return popups.at(m_nSubMenu)->menu();
}

void CMenuButton::UpdateMenuItems(QMenu& popup) const
{
    const auto* pTarget = dynamic_cast<const CCommandTarget*>(parentWidget());
    for (QAction* pItem : popup.actions()) {
        if (pItem->isSeparator() || pItem->menu())
            continue;
        const unsigned nId = pItem->data().toUInt();
        if (!pTarget || !pTarget->HandlesCommand(nId)) {
            pItem->setEnabled(false);
            continue;
        }
        pItem->setEnabled(pTarget->IsCommandEnabled(nId));
        // Only a checked item is checkable, so unchecked items show no empty box.
        const bool bChecked = pTarget->IsCommandChecked(nId);
        pItem->setCheckable(bChecked);
        pItem->setChecked(bChecked);
    }
}

void CMenuButton::paintEvent(QPaintEvent* /*pEvent*/)
{
    QPainter painter(this);
    DrawItem(painter);
}

void CMenuButton::DrawItem(QPainter& painter)
{
    // The active colours in every state: no pushed look and no greyed caption.
    const QRect rcItem = rect();
    const QColor textColor = palette().color(QPalette::Active, m_nTextColorIndex);
    painter.fillRect(rcItem, palette().color(QPalette::Active, m_nBkColorIndex));
    painter.setPen(textColor);
    painter.setFont(font());
    painter.drawText(rcItem, Qt::AlignCenter | Qt::TextSingleLine, DrawnCaption(text()));
    if (hasFocus()) {
        QPen pen(textColor, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        // A 1-pixel pen draws on the right and bottom edges of the rectangle it is given.
        painter.drawRect(rcItem.adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
    }
}

void CMenuButton::mousePressEvent(QMouseEvent* pEvent)
{
    // No default processing: no pushed state, no click.
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonDown();
    else if (pEvent->button() == Qt::RightButton)
        OnRButtonDown();
    pEvent->accept();
}

void CMenuButton::OnLButtonDown()
{
    TrackMenu(true, true);
}

void CMenuButton::OnRButtonDown()
{
    TrackMenu(true, false);
}

void CMenuButton::keyPressEvent(QKeyEvent* pEvent)
{
    if (!OnKeyDown(pEvent->key()))
        QPushButton::keyPressEvent(pEvent);
}

bool CMenuButton::OnKeyDown(int nKey)
{
    if (nKey != Qt::Key_Space)
        return false;
    TrackMenu(false, true);
    return true;
}

void CMenuButton::showEvent(QShowEvent* pEvent)
{
    // A dialog template may have given the button click focus along with its tab stop; a click
    // must leave the focus where it is, so keep only the tab part.
    setFocusPolicy((focusPolicy() & Qt::TabFocus) ? Qt::TabFocus : Qt::NoFocus);
    QPushButton::showEvent(pEvent);
}

void CMenuButton::changeEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::EnabledChange)
        OnSetCursor();
    QPushButton::changeEvent(pEvent);
}

void CMenuButton::OnSetCursor()
{
    if (isEnabled())
        setCursor(Qt::UpArrowCursor);
    else
        unsetCursor();
}

bool CMenuButton::event(QEvent* pEvent)
{
    // A mnemonic would click the button: it drops the menu as Space does.
    if (pEvent->type() == QEvent::Shortcut) {
        TrackMenu(false, true);
        return true;
    }
    return QPushButton::event(pEvent);
}
