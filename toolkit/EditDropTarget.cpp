#include "EditDropTarget.h"

#include "EditControl.h"

#include <QPainter>
#include <QWidget>

namespace {

constexpr int kMarkHeight = 8; // the mark covers the top of the character cell
constexpr int kBarWidth = 2;   // width of an insertion point's bar

// A transparent sheet over the edit's client area that inverts one rectangle of what lies beneath.
class CDropMark : public QWidget {
public:
    CDropMark(QWidget* pClient, const QRect& rcMark)
        : QWidget(pClient)
        , m_rcMark(rcMark)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

    void SetMark(const QRect& rcMark)
    {
        setGeometry(parentWidget()->rect());
        raise();
        update(m_rcMark);
        m_rcMark = rcMark;
        update(m_rcMark);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_rcMark.isEmpty())
            return;
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(m_rcMark, Qt::white);
    }

private:
    QRect m_rcMark;
};

} // namespace

CEditDropTarget::~CEditDropTarget() = default;

void CEditDropTarget::Revoke()
{
    delete m_pMark.data();
    m_rcFeedback = QRect();
}

Qt::DropAction CEditDropTarget::ChooseEffect(const CEditControl& edit, const QMimeData* pData,
                                             Qt::KeyboardModifiers keys, Qt::DropActions actions)
{
    if (edit.IsReadOnly() || !pData || !pData->hasText())
        return Qt::IgnoreAction;
    // A source that offers copy only (a read-only field, most other programs) is copied from
    // without Ctrl, rather than refused.
    const Qt::DropAction effect =
        (keys & Qt::ControlModifier) || !(actions & Qt::MoveAction) ? Qt::CopyAction : Qt::MoveAction;
    return (actions & effect) ? effect : Qt::IgnoreAction;
}

Qt::DropAction CEditDropTarget::OnDragEnter(CEditControl& edit, const QMimeData* pData, Qt::KeyboardModifiers keys,
                                            Qt::DropActions actions, QPoint point)
{
    std::tie(m_nSelStart, m_nSelEnd) = edit.GetSel();
    m_nDropPos = 0;
    return OnDragOver(edit, pData, keys, actions, point);
}

Qt::DropAction CEditDropTarget::OnDragOver(CEditControl& edit, const QMimeData* pData, Qt::KeyboardModifiers keys,
                                           Qt::DropActions actions, QPoint point)
{
    const Qt::DropAction effect = ChooseEffect(edit, pData, keys, actions);
    if (effect != Qt::IgnoreAction)
        DrawFeedback(edit, point, effect);
    return effect;
}

void CEditDropTarget::OnDragLeave(CEditControl& edit)
{
    DrawFeedback(edit, std::nullopt, Qt::IgnoreAction);
}

void CEditDropTarget::DrawFeedback(CEditControl& edit, std::optional<QPoint> point, Qt::DropAction effect)
{
    QRect rcNew;
    if (point) {
        const int c = edit.CharFromPos(*point);
        // A self-copy, a self-move outside the selection and any drop on a field without a
        // selection go to the pointer; the rest replace (or, moving onto itself, keep) the selection.
        const bool bSelection = m_nSelStart != m_nSelEnd;
        const bool bAtPointer = !bSelection
            || (m_bSelfDrag
                && (effect == Qt::CopyAction
                    || (effect == Qt::MoveAction && (c < m_nSelStart || c > m_nSelEnd))));
        const int nFrom = bAtPointer ? c : m_nSelStart;
        const int nTo = bAtPointer ? c : m_nSelEnd;
        m_nDropPos = nFrom;
        const std::optional<QPoint> ptFrom = edit.PosFromChar(nFrom);
        const std::optional<QPoint> ptTo = edit.PosFromChar(nTo);
        if (ptFrom && ptTo) {
            rcNew = QRect(*ptFrom, QSize(ptTo->x() - ptFrom->x(), ptTo->y() + kMarkHeight - ptFrom->y()))
                        .normalized();
            if (rcNew.width() == 0)
                rcNew.setWidth(kBarWidth);
        }
    }
    if (rcNew == m_rcFeedback)
        return;
    m_rcFeedback = rcNew;
    QWidget* pClient = edit.ClientWidget();
    if (!pClient)
        return;
    if (!m_pMark)
        m_pMark = new CDropMark(pClient, QRect());
    static_cast<CDropMark*>(m_pMark.data())->SetMark(m_rcFeedback);
    m_pMark->setVisible(!m_rcFeedback.isEmpty());
}

bool CEditDropTarget::OnDrop(CEditControl& edit, const QMimeData* pData, Qt::DropAction effect, QPoint point)
{
    DrawFeedback(edit, std::nullopt, Qt::IgnoreAction);
    // Empty text would only delete the selection it replaces: nothing is dropped then.
    if (!pData || !pData->hasText() || pData->text().isEmpty())
        return false;
    PrepareDrop(edit, effect, point);
    InsertDropText(edit, pData->text());
    return true;
}

void CEditDropTarget::PrepareDrop(CEditControl& edit, Qt::DropAction effect, QPoint point)
{
    if (m_nSelStart != m_nSelEnd && m_bSelfDrag) {
        if (effect == Qt::CopyAction) {
            m_nSelStart = m_nSelEnd = 0;
        } else if (effect == Qt::MoveAction) {
            // Before or onto the dragged text: delete it now (the drop position does not shift)
            // and tell the source not to. After it: the source deletes it once the drop is done.
            if (m_nDropPos <= m_nSelEnd) {
                edit.SetSel(m_nSelStart, m_nSelEnd);
                edit.Clear();
                m_bSelfDrag = false;
            }
            edit.SetSel(m_nDropPos, m_nDropPos);
        }
    }
    // Without a selection to replace, the caret goes where the text was dropped.
    if (m_nSelStart == m_nSelEnd) {
        const int c = edit.CharFromPos(point);
        edit.SetSel(c, c);
    }
}

bool CEditDropTarget::InsertDropText(CEditControl& edit, QString text)
{
    bool bWhole = true;
    if (!edit.IsMultiLine()) {
        qsizetype nBreak = 0;
        while (nBreak < text.size() && text[nBreak] != u'\r' && text[nBreak] != u'\n')
            ++nBreak;
        if (nBreak < text.size()) {
            text.truncate(nBreak);
            bWhole = false;
        }
    }
    edit.ReplaceSel(text);
    return bWhole;
}
