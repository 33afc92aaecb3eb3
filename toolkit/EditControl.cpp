#include "EditControl.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace {

// QLineEdit pads the cursor rectangle it reports by this much on the left of the caret.
constexpr int kLineCursorPad = 5;

} // namespace

CEditControl::CEditControl(QLineEdit* pLine)
    : m_pLine(pLine)
{
}

CEditControl::CEditControl(QPlainTextEdit* pText)
    : m_pText(pText)
{
}

bool CEditControl::IsValid() const
{
    return m_pLine || m_pText;
}

QWidget* CEditControl::Widget() const
{
    if (m_pLine)
        return m_pLine;
    return m_pText;
}

QWidget* CEditControl::ClientWidget() const
{
    if (m_pLine)
        return m_pLine;
    return m_pText ? m_pText->viewport() : nullptr;
}

bool CEditControl::IsReadOnly() const
{
    if (m_pLine)
        return m_pLine->isReadOnly();
    return m_pText && m_pText->isReadOnly();
}

std::pair<int, int> CEditControl::GetSel() const
{
    if (m_pLine) {
        if (!m_pLine->hasSelectedText())
            return {m_pLine->cursorPosition(), m_pLine->cursorPosition()};
        return {m_pLine->selectionStart(), m_pLine->selectionEnd()};
    }
    if (m_pText) {
        const QTextCursor cursor = m_pText->textCursor();
        return {cursor.selectionStart(), cursor.selectionEnd()};
    }
    return {0, 0};
}

void CEditControl::SetSel(int nStart, int nEnd)
{
    if (m_pLine) {
        const int nLength = static_cast<int>(m_pLine->text().size());
        nStart = std::clamp(nStart, 0, nLength);
        nEnd = nEnd < 0 ? nLength : std::min(nEnd, nLength);
        if (nStart == nEnd)
            m_pLine->setCursorPosition(nEnd);
        else
            m_pLine->setSelection(nStart, nEnd - nStart);
    } else if (m_pText) {
        QTextCursor cursor(m_pText->document());
        const int nLast = m_pText->document()->characterCount() - 1;
        cursor.setPosition(std::clamp(nStart, 0, nLast));
        cursor.setPosition(nEnd < 0 ? nLast : std::min(nEnd, nLast), QTextCursor::KeepAnchor);
        m_pText->setTextCursor(cursor);
    }
}

QString CEditControl::GetSelectedText() const
{
    if (m_pLine)
        return m_pLine->selectedText();
    if (m_pText)
        return m_pText->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n');
    return {};
}

void CEditControl::ReplaceSel(const QString& text)
{
    if (m_pLine) {
        m_pLine->insert(text);
    } else if (m_pText) {
        QTextCursor cursor = m_pText->textCursor();
        cursor.insertText(text);
        m_pText->setTextCursor(cursor);
    }
}

void CEditControl::Clear()
{
    if (m_pLine) {
        if (m_pLine->hasSelectedText())
            m_pLine->insert(QString());
    } else if (m_pText) {
        QTextCursor cursor = m_pText->textCursor();
        cursor.removeSelectedText();
        m_pText->setTextCursor(cursor);
    }
}

void CEditControl::SetWindowText(const QString& text)
{
    if (m_pLine)
        m_pLine->setText(text);
    else if (m_pText)
        m_pText->setPlainText(text);
}

QString CEditControl::GetWindowText() const
{
    if (m_pLine)
        return m_pLine->text();
    return m_pText ? m_pText->toPlainText() : QString();
}

int CEditControl::CharFromPos(QPoint point) const
{
    if (m_pLine)
        return m_pLine->cursorPositionAt(point);
    return m_pText ? m_pText->cursorForPosition(point).position() : 0;
}

std::optional<QPoint> CEditControl::PosFromChar(int nIndex) const
{
    if (m_pLine) {
        const QString text = m_pLine->displayText();
        if (nIndex < 0 || nIndex > text.size())
            return std::nullopt;
        // QLineEdit tells only where its own caret is; the same layout of the same text gives the
        // offset from a layout x to a client x, which holds for every index.
        QTextLayout layout(text, m_pLine->font());
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        const QRect caret = m_pLine->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const qreal offset = caret.x() + kLineCursorPad - line.cursorToX(m_pLine->cursorPosition());
        return QPoint(qRound(line.cursorToX(nIndex) + offset), caret.y());
    }
    if (m_pText) {
        if (nIndex < 0 || nIndex >= m_pText->document()->characterCount())
            return std::nullopt;
        QTextCursor cursor(m_pText->document());
        cursor.setPosition(nIndex);
        return m_pText->cursorRect(cursor).topLeft();
    }
    return std::nullopt;
}

int CEditControl::GetLineCount() const
{
    return m_pText && !m_pLine ? m_pText->document()->blockCount() : 1;
}

int CEditControl::LineIndex(int nLine) const
{
    if (m_pLine || !m_pText)
        return nLine == 0 ? 0 : -1;
    const QTextBlock block = m_pText->document()->findBlockByNumber(nLine);
    return block.isValid() ? block.position() : -1;
}

int CEditControl::LineLength(int nIndex) const
{
    if (m_pLine)
        return static_cast<int>(m_pLine->text().size());
    if (!m_pText)
        return 0;
    const QTextBlock block = m_pText->document()->findBlock(nIndex);
    return block.isValid() ? block.length() - 1 : 0;
}

void CEditControl::ScrollCaret()
{
    // A QLineEdit keeps its caret in view by itself.
    if (m_pText)
        m_pText->ensureCursorVisible();
}

void CEditControl::SetRedraw(bool bRedraw)
{
    if (QWidget* pWidget = Widget())
        pWidget->setUpdatesEnabled(bRedraw);
}

void CEditControl::UpdateWindow()
{
    if (QWidget* pWidget = ClientWidget())
        pWidget->update();
}
