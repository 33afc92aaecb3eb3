// The edit operations the extended edit field needs, answered by a QLineEdit (single-line) or a
// QPlainTextEdit (multi-line). Character indices count a line break as one character; "lines" of
// a multi-line field are its paragraphs, not the rows that word wrap makes of them.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <optional>
#include <utility>


class CEditControl {
public:
    CEditControl() = default;
    explicit CEditControl(QLineEdit* pLine);
    explicit CEditControl(QPlainTextEdit* pText);

    // False once the widget is gone (or before one is given).
    bool IsValid() const;
    // The field as a whole, and the widget that gets its mouse and drag events and in whose
    // coordinates all points below are given (the viewport of a multi-line field).
    QWidget* Widget() const;
    QWidget* ClientWidget() const;

    bool IsMultiLine() const { return !m_pLine && m_pText; }
    bool IsReadOnly() const;

    // Start and end of the selection; equal when nothing is selected.
    std::pair<int, int> GetSel() const;
    // Selects nStart..nEnd with the caret at nEnd; nEnd -1 means the end of the text.
    void SetSel(int nStart, int nEnd);
    QString GetSelectedText() const; // line breaks as "\n"
    // Replaces the selection (or inserts at the caret); the caret ends after the new text.
    void ReplaceSel(const QString& text);
    // Deletes the selection; nothing happens without one.
    void Clear();
    void SetWindowText(const QString& text);
    QString GetWindowText() const;

    // The caret index nearest a client point.
    int CharFromPos(QPoint point) const;
    // Top-left of the character cell at nIndex (the end of the text included), client coordinates;
    // nothing for an index outside the text.
    std::optional<QPoint> PosFromChar(int nIndex) const;

    int GetLineCount() const;         // 1 for an empty field
    int LineIndex(int nLine) const;   // index of the line's first character, -1 when no such line
    int LineLength(int nIndex) const; // length of the line holding character nIndex

    void ScrollCaret();
    void SetRedraw(bool bRedraw);
    void UpdateWindow();

private:
    QPointer<QLineEdit> m_pLine;
    QPointer<QPlainTextEdit> m_pText;
};
