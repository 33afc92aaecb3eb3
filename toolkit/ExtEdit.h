// An edit field with text drag and drop, shell file drops, a help text for the help tip and a
// formatted append that keeps the field small. It takes over a QLineEdit (single-line) or a
// QPlainTextEdit (multi-line): either one it makes itself, or one that exists already (a dialog
// template's field); the widget stays owned by its parent.
//
// The drag source builds its data straight from the selection: the clipboard is never touched.
#pragma once

#include "EditControl.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include <memory>

class CEditDropTarget;
struct TIPREQUEST;
class QDropEvent;
class QLineEdit;
class QMimeData;
class QMouseEvent;
class QPlainTextEdit;

class CExtEdit : public QObject {
    Q_OBJECT

public:
    CExtEdit();
    ~CExtEdit() override;

    // Makes a field of its own as a child of pParent (for a dialog to bind to a template id).
    QLineEdit* Create(QWidget* pParent);
    QPlainTextEdit* CreateMultiLine(QWidget* pParent);
    // Takes over an existing field; false for nullptr or a widget that is no edit field.
    bool Attach(QWidget* pEdit);
    // The field, or nullptr once it is gone.
    QWidget* GetWidget() const { return m_edit.Widget(); }
    CEditControl& GetEditControl() { return m_edit; }

    // Makes the field a drop target for text and a drag source of its selection.
    bool RegisterDropTarget();
    // Dropped local files replace the whole text with the first one's path.
    void DragAcceptFiles(bool bAccept);

    // Appends after the last character, keeping the field below the line and character limits.
    void AppendText(const QString& text);
    // Inserts at the caret; LF becomes a line break (a space in a single-line field), other
    // control characters are dropped, TAB passes.
    void InsertText(const QString& text);
    // printf-style; appends the whole formatting, however long. Returns its character count.
    int AppendFormat(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void SetAutoRedraw(bool bAutoRedraw);

    bool IsDragEnabled() const { return m_bDragEnabled; }
    const CEditDropTarget* GetDropTarget() const { return m_pDropTarget.get(); }

    unsigned m_nHelpTextId = 0; // string id of the help text; 0 for none
    int m_nMaxLines = 500;      // trimming starts when the last line's index passes this
    int m_nMaxChars = 30000;    // ... or when the last line starts past this character index
    int m_nTrimLines = 50;      // lines removed beyond the excess

protected:
    // Called with the drag's data just before the drag starts.
    virtual void OnPrepareDragData(QMimeData* pData);
    // Runs the drag (taking ownership of pData) and returns the action the drop took,
    // Qt::IgnoreAction when nothing was dropped.
    virtual Qt::DropAction DoDragDrop(QMimeData* pData, Qt::DropActions actions);

    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void Bind(const CEditControl& edit);
    void Detach();
    void OnDestroy();
    void UpdateAcceptDrops();

    bool OnLButtonDown(QMouseEvent* pEvent);
    bool OnMouseMove(QMouseEvent* pEvent);
    bool OnLButtonUp(QMouseEvent* pEvent);
    void OnDragDelay();
    void StartDrag();
    void EndDrag();
    struct PendingDrag;
    void ReplayClick(const PendingDrag& click, bool bWithRelease);
    bool OnDragEvent(QEvent* pEvent);
    void OnDropFiles(const QStringList& paths);
    bool OnChildNotify(TIPREQUEST* pRequest);

    CEditControl m_edit;
    bool m_bDragEnabled = false;
    std::unique_ptr<CEditDropTarget> m_pDropTarget;
    bool m_bAutoRedraw = true;
    bool m_bAcceptFiles = false;
    bool m_bFileDrag = false; // the drag now hovering carries files

    // A press on a selection waiting to become a drag.
    struct PendingDrag {
        std::unique_ptr<QMimeData> pData;
        int nStart = 0, nEnd = 0;          // the dragged range
        QRect rcStart;                     // the drag begins once the pointer leaves it
        Qt::DropActions actions;
        QPoint ptClick, ptGlobal;          // the press, client and screen coordinates
        Qt::KeyboardModifiers modifiers;
    };
    std::unique_ptr<PendingDrag> m_pPending;
    QTimer m_dragDelay;
};
