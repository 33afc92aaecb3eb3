#include "ExtEdit.h"

#include "EditDropTarget.h"
#include "ResourceString.h"
#include "TipRequest.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QUrl>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

constexpr int kFormatBuffer = 1024; // the usual formatting needs no allocation
constexpr int kStartHalfSize = 2;   // the drag starts once the pointer leaves a 4-by-4 square

// The first local file among the dropped URLs, or nothing.
QString FirstLocalFile(const QMimeData* pData)
{
    if (!pData || !pData->hasUrls())
        return {};
    for (const QUrl& url : pData->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

bool IsTextCharacter(QChar ch)
{
    return ch.unicode() >= 0x20 || ch == u'\t';
}

} // namespace

CExtEdit::CExtEdit()
{
    m_dragDelay.setSingleShot(true);
    connect(&m_dragDelay, &QTimer::timeout, this, &CExtEdit::OnDragDelay);
}

CExtEdit::~CExtEdit()
{
    Detach();
}

QLineEdit* CExtEdit::Create(QWidget* pParent)
{
    auto* pLine = new QLineEdit(pParent);
    Bind(CEditControl(pLine));
    return pLine;
}

QPlainTextEdit* CExtEdit::CreateMultiLine(QWidget* pParent)
{
    auto* pText = new QPlainTextEdit(pParent);
    Bind(CEditControl(pText));
    return pText;
}

bool CExtEdit::Attach(QWidget* pEdit)
{
    if (auto* pLine = qobject_cast<QLineEdit*>(pEdit)) {
        Bind(CEditControl(pLine));
        return true;
    }
    if (auto* pText = qobject_cast<QPlainTextEdit*>(pEdit)) {
        Bind(CEditControl(pText));
        return true;
    }
    return false;
}

void CExtEdit::Bind(const CEditControl& edit)
{
    Detach();
    m_edit = edit;
    QWidget* pWidget = m_edit.Widget();
    pWidget->installEventFilter(this);
    if (m_edit.ClientWidget() != pWidget)
        m_edit.ClientWidget()->installEventFilter(this);
    connect(pWidget, &QObject::destroyed, this, &CExtEdit::OnDestroy);
    UpdateAcceptDrops();
}

// Gives the field back as a plain edit (the edit object goes away, or takes another field).
void CExtEdit::Detach()
{
    if (m_pDropTarget)
        m_pDropTarget->Revoke();
    m_pDropTarget.reset();
    if (QWidget* pWidget = m_edit.Widget()) {
        disconnect(pWidget, &QObject::destroyed, this, &CExtEdit::OnDestroy);
        pWidget->removeEventFilter(this);
        m_edit.ClientWidget()->removeEventFilter(this);
        m_bAcceptFiles = false;
        UpdateAcceptDrops();
    }
    OnDestroy();
}

// The widget is being destroyed: its children (the drop mark among them) go with it.
void CExtEdit::OnDestroy()
{
    m_dragDelay.stop();
    m_pPending.reset();
    m_pDropTarget.reset();
    m_bDragEnabled = false;
    m_edit = CEditControl();
}

void CExtEdit::UpdateAcceptDrops()
{
    // Qt's edits take drops of their own; only ours are wanted.
    const bool bAccept = m_pDropTarget || m_bAcceptFiles;
    if (QWidget* pWidget = m_edit.Widget()) {
        pWidget->setAcceptDrops(bAccept);
        m_edit.ClientWidget()->setAcceptDrops(bAccept);
    }
}

bool CExtEdit::RegisterDropTarget()
{
    if (!m_edit.IsValid())
        return false;
    if (!m_pDropTarget)
        m_pDropTarget = std::make_unique<CEditDropTarget>();
    m_bDragEnabled = true;
    UpdateAcceptDrops();
    return true;
}

void CExtEdit::DragAcceptFiles(bool bAccept)
{
    m_bAcceptFiles = bAccept;
    UpdateAcceptDrops();
}

void CExtEdit::OnPrepareDragData(QMimeData*)
{
}

Qt::DropAction CExtEdit::DoDragDrop(QMimeData* pData, Qt::DropActions actions)
{
    auto* pDrag = new QDrag(m_edit.ClientWidget()); // Qt deletes it once the drag is over
    pDrag->setMimeData(pData);
    return pDrag->exec(actions, actions & Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
}

bool CExtEdit::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (!m_edit.IsValid())
        return false;
    if (pEvent->type() == TIPREQUEST::EventType())
        return OnChildNotify(static_cast<TIPREQUEST*>(pEvent));
    switch (pEvent->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
        // Also on the frame of a multi-line field, so that Qt's own drop handling never runs.
        if (pWatched == m_edit.ClientWidget())
            return OnDragEvent(pEvent);
        pEvent->ignore();
        return true;
    default:
        break;
    }
    if (pWatched != m_edit.ClientWidget())
        return false;
    switch (pEvent->type()) {
    case QEvent::MouseButtonPress:
        return OnLButtonDown(static_cast<QMouseEvent*>(pEvent));
    case QEvent::MouseMove:
        return OnMouseMove(static_cast<QMouseEvent*>(pEvent));
    case QEvent::MouseButtonRelease:
        return OnLButtonUp(static_cast<QMouseEvent*>(pEvent));
    default:
        return false;
    }
}

bool CExtEdit::OnLButtonDown(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton || m_pPending)
        return false;
    const auto [nStart, nEnd] = m_edit.GetSel();
    if (!m_bDragEnabled || nStart == nEnd) {
        // Qt's multi-line edit would start a drag of its own from a press on the selection.
        if (nStart != nEnd && m_edit.IsMultiLine() && !(pEvent->modifiers() & Qt::ShiftModifier))
            m_edit.SetSel(nEnd, nEnd);
        return false;
    }
    auto pPending = std::make_unique<PendingDrag>();
    pPending->pData = std::make_unique<QMimeData>();
    pPending->pData->setText(m_edit.GetSelectedText());
    pPending->nStart = nStart;
    pPending->nEnd = nEnd;
    pPending->ptClick = pEvent->position().toPoint();
    pPending->ptGlobal = pEvent->globalPosition().toPoint();
    pPending->modifiers = pEvent->modifiers();
    // A read-only field offers copies only, and the drag begins when the pointer leaves it.
    if (m_edit.IsReadOnly()) {
        pPending->actions = Qt::CopyAction;
        pPending->rcStart = m_edit.ClientWidget()->rect();
    } else {
        pPending->actions = Qt::CopyAction | Qt::MoveAction;
        pPending->rcStart = QRect(pPending->ptClick - QPoint(kStartHalfSize, kStartHalfSize),
                                  pPending->ptClick + QPoint(kStartHalfSize, kStartHalfSize));
    }
    m_pPending = std::move(pPending);
    m_bDragEnabled = false;
    m_pDropTarget->m_bSelfDrag = true;
    m_dragDelay.start(QApplication::startDragTime());
    return true;
}

bool CExtEdit::OnMouseMove(QMouseEvent* pEvent)
{
    if (!m_pPending)
        return false;
    if (!m_pPending->rcStart.contains(pEvent->position().toPoint()))
        StartDrag();
    return true;
}

bool CExtEdit::OnLButtonUp(QMouseEvent* pEvent)
{
    if (!m_pPending || pEvent->button() != Qt::LeftButton)
        return false;
    // Released before a drag began: an ordinary click, whose release follows as it came.
    m_dragDelay.stop();
    const std::unique_ptr<PendingDrag> pPending = std::move(m_pPending);
    ReplayClick(*pPending, false);
    EndDrag();
    return false;
}

// The button was held for the drag delay: the drag begins, unless the release went astray (to a
// popup that grabbed the mouse, say); then the press ends as a click.
void CExtEdit::OnDragDelay()
{
    if (!m_pPending)
        return;
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) {
        StartDrag();
        return;
    }
    const std::unique_ptr<PendingDrag> pPending = std::move(m_pPending);
    ReplayClick(*pPending, true);
    EndDrag();
}

void CExtEdit::StartDrag()
{
    if (!m_pPending)
        return;
    m_dragDelay.stop();
    std::unique_ptr<PendingDrag> pPending = std::move(m_pPending);
    OnPrepareDragData(pPending->pData.get());
    const QPointer<CExtEdit> pSelf(this);
    const Qt::DropAction result = DoDragDrop(pPending->pData.release(), pPending->actions);
    if (!pSelf || !m_edit.IsValid())
        return;
    if (result == Qt::IgnoreAction) {
        ReplayClick(*pPending, true);
    } else if (result == Qt::MoveAction && m_pDropTarget && m_pDropTarget->m_bSelfDrag) {
        // Moved elsewhere, or after the selection within this field: the dragged text goes.
        m_edit.SetSel(pPending->nStart, pPending->nEnd);
        m_edit.ScrollCaret();
        m_edit.Clear();
    }
    EndDrag();
}

void CExtEdit::EndDrag()
{
    if (m_pDropTarget) {
        m_pDropTarget->m_bSelfDrag = false;
        m_bDragEnabled = true;
    }
}

// The press that was held back gets the edit's own handling: the caret goes to the click point.
// The filter lets it pass, as dragging is off until EndDrag.
void CExtEdit::ReplayClick(const PendingDrag& click, bool bWithRelease)
{
    QWidget* pClient = m_edit.ClientWidget();
    if (!pClient)
        return;
    const QPoint ptClick = click.ptClick;
    const QPoint ptGlobal = click.ptGlobal;
    const Qt::KeyboardModifiers modifiers = click.modifiers;
    QMouseEvent press(QEvent::MouseButtonPress, ptClick, ptGlobal, Qt::LeftButton, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(pClient, &press);
    if (bWithRelease) {
        QMouseEvent release(QEvent::MouseButtonRelease, ptClick, ptGlobal, Qt::LeftButton, Qt::NoButton, modifiers);
        QCoreApplication::sendEvent(pClient, &release);
    }
}

bool CExtEdit::OnDragEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::DragLeave) {
        if (m_pDropTarget && !m_bFileDrag)
            m_pDropTarget->OnDragLeave(m_edit);
        m_bFileDrag = false;
        return true;
    }
    auto* pDrop = static_cast<QDropEvent*>(pEvent);
    const QMimeData* pData = pDrop->mimeData();
    const QPoint point = pDrop->position().toPoint();
    if (pEvent->type() == QEvent::DragEnter)
        m_bFileDrag = m_bAcceptFiles && !FirstLocalFile(pData).isEmpty();

    Qt::DropAction effect = Qt::IgnoreAction;
    if (m_bFileDrag) {
        // Files are only ever named here: a move would let the source delete them.
        if (pDrop->possibleActions() & Qt::CopyAction)
            effect = Qt::CopyAction;
        else if (pDrop->possibleActions() & Qt::LinkAction)
            effect = Qt::LinkAction;
        if (pEvent->type() == QEvent::Drop) {
            m_bFileDrag = false;
            if (effect != Qt::IgnoreAction)
                OnDropFiles({FirstLocalFile(pData)});
        }
    } else if (m_pDropTarget) {
        const Qt::KeyboardModifiers keys = pDrop->modifiers();
        const Qt::DropActions actions = pDrop->possibleActions();
        if (pEvent->type() == QEvent::DragEnter) {
            effect = m_pDropTarget->OnDragEnter(m_edit, pData, keys, actions, point);
        } else if (pEvent->type() == QEvent::DragMove) {
            effect = m_pDropTarget->OnDragOver(m_edit, pData, keys, actions, point);
        } else {
            effect = CEditDropTarget::ChooseEffect(m_edit, pData, keys, actions);
            if (effect == Qt::IgnoreAction || !m_pDropTarget->OnDrop(m_edit, pData, effect, point)) {
                m_pDropTarget->DrawFeedback(m_edit, std::nullopt, Qt::IgnoreAction);
                effect = Qt::IgnoreAction;
            }
        }
    }
    if (effect == Qt::IgnoreAction) {
        pDrop->ignore();
    } else {
        pDrop->setDropAction(effect);
        pDrop->accept();
    }
    return true;
}

void CExtEdit::OnDropFiles(const QStringList& paths)
{
    if (!paths.isEmpty())
        m_edit.SetWindowText(paths.front());
}

bool CExtEdit::OnChildNotify(TIPREQUEST* pRequest)
{
    if (m_nHelpTextId == 0 || pRequest->code != HTN_GETTEXT)
        return false;
    const QString text = LoadQString(m_nHelpTextId);
    if (!text.isEmpty())
        pRequest->SetText(text); // refused (szText unchanged) when 512 characters or longer
    pRequest->accept();
    return true;
}

void CExtEdit::AppendText(const QString& text)
{
    if (!m_edit.IsValid())
        return;
    // Qt's edits take inserted text while read-only too, so the read-only state stays as it is.
    m_edit.SetRedraw(false);
    int nLast = m_edit.GetLineCount() - 1;
    if (nLast > m_nMaxLines || m_edit.LineIndex(nLast) > m_nMaxChars) {
        const int nFirst = m_edit.LineIndex(0);
        const int nEnd = m_edit.LineIndex(std::max(nLast - m_nMaxLines, 0) + m_nTrimLines);
        m_edit.SetSel(nFirst, nEnd); // an end of -1 (no such line) takes the whole text
        m_edit.Clear();
        nLast = m_edit.GetLineCount() - 1;
    }
    const int nLineStart = m_edit.LineIndex(nLast);
    const int nEndOfText = nLineStart + m_edit.LineLength(nLineStart);
    m_edit.SetSel(nEndOfText, nEndOfText);
    m_edit.ScrollCaret();
    InsertText(text);
    if (m_bAutoRedraw)
        SetAutoRedraw(true);
}

void CExtEdit::InsertText(const QString& text)
{
    QString filtered;
    filtered.reserve(text.size());
    const QChar lineBreak = m_edit.IsMultiLine() ? QChar(u'\n') : QChar(u' ');
    for (const QChar ch : text) {
        if (IsTextCharacter(ch))
            filtered += ch;
        else if (ch == u'\n')
            filtered += lineBreak;
    }
    if (!filtered.isEmpty())
        m_edit.ReplaceSel(filtered);
}

int CExtEdit::AppendFormat(const char* pszFormat, ...)
{
    char szBuffer[kFormatBuffer];
    va_list args;
    va_start(args, pszFormat);
    va_list argsAgain;
    va_copy(argsAgain, args);
    const int nLength = std::vsnprintf(szBuffer, sizeof szBuffer, pszFormat, args);
    va_end(args);
    if (nLength < 0) {
        va_end(argsAgain);
        return nLength;
    }
    if (nLength < kFormatBuffer) {
        va_end(argsAgain);
        AppendText(QString::fromUtf8(szBuffer, nLength));
        return nLength;
    }
    // Longer than the buffer: format again into a string of the full length, so nothing is lost.
    std::string whole(static_cast<size_t>(nLength) + 1, '\0');
    std::vsnprintf(whole.data(), whole.size(), pszFormat, argsAgain);
    va_end(argsAgain);
    whole.resize(static_cast<size_t>(nLength));
    AppendText(QString::fromStdString(whole));
    return nLength;
}

void CExtEdit::SetAutoRedraw(bool bAutoRedraw)
{
    if (bAutoRedraw && m_edit.IsValid()) {
        m_edit.SetRedraw(true);
        const auto [nStart, nEnd] = m_edit.GetSel();
        m_edit.SetSel(nStart, nEnd);
        m_edit.ScrollCaret();
        m_edit.UpdateWindow();
    }
    m_bAutoRedraw = bAutoRedraw;
}
