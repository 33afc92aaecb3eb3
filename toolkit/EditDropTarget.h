// The drop target of an extended edit field: takes dropped text, draws the insertion mark while a
// drag hovers over the field and moves text within the field when the field is the drag's source.
#pragma once

#include <QMimeData>
#include <QPointer>
#include <QRect>

#include <optional>

class CEditControl;
class QWidget;

class CEditDropTarget {
public:
    CEditDropTarget() = default;
    virtual ~CEditDropTarget();
    CEditDropTarget(const CEditDropTarget&) = delete;
    CEditDropTarget& operator=(const CEditDropTarget&) = delete;

    // The action a drop would take (Qt::IgnoreAction to refuse). `actions` are those the source
    // allows; points are in the edit's client coordinates.
    Qt::DropAction OnDragEnter(CEditControl& edit, const QMimeData* pData, Qt::KeyboardModifiers keys,
                               Qt::DropActions actions, QPoint point);
    Qt::DropAction OnDragOver(CEditControl& edit, const QMimeData* pData, Qt::KeyboardModifiers keys,
                              Qt::DropActions actions, QPoint point);
    void OnDragLeave(CEditControl& edit);
    // True when text was inserted.
    bool OnDrop(CEditControl& edit, const QMimeData* pData, Qt::DropAction effect, QPoint point);
    // Removes the mark's widget from the edit (the drop target is going away).
    void Revoke();

    // Moves the mark to the drop position nearest `point`; no point removes it.
    virtual void DrawFeedback(CEditControl& edit, std::optional<QPoint> point, Qt::DropAction effect);

    // Copy with Ctrl held or when the source does not allow a move, else move; Ignore when the
    // field is read-only or the data holds no text.
    static Qt::DropAction ChooseEffect(const CEditControl& edit, const QMimeData* pData,
                                       Qt::KeyboardModifiers keys, Qt::DropActions actions);

    QRect m_rcFeedback;      // the mark now shown, client coordinates; empty when none
    int m_nSelStart = 0;     // the field's selection when the drag entered it
    int m_nSelEnd = 0;
    int m_nDropPos = 0;      // where the dropped text goes
    bool m_bSelfDrag = false; // the field itself is the drag's source

private:
    void PrepareDrop(CEditControl& edit, Qt::DropAction effect, QPoint point);
    // Single-line fields take the first line only; false when the text was cut.
    bool InsertDropText(CEditControl& edit, QString text);

    QPointer<QWidget> m_pMark; // paints m_rcFeedback inverted over the client area
};
