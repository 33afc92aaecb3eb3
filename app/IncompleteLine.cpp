// The line under the list and its tip.
#include "IncompleteLine.h"

#include "CountsText.h"
#include "HelpTipWnd.h"
#include "Resource.h"
#include "StringTable.h"

#include <QAccessible>
#include <QEvent>
#include <QLabel>

CIncompleteLine::CIncompleteLine(const CHelpTipWnd& helpTip)
    : m_helpTip(helpTip)
{
}

void CIncompleteLine::Attach(QLabel* pLabel)
{
    m_pLabel = pLabel;
    if (!m_pLabel)
        return;
    m_pLabel->setWordWrap(false);
    m_pLabel->installEventFilter(this);
}

void CIncompleteLine::Show(const ScanCounters& counters)
{
    m_counters = counters;
    m_text = QString::fromStdString(IncompleteText(counters));
    Fit();
    if (!m_pLabel || m_pLabel->accessibleName() == m_text)
        return;
    m_pLabel->setAccessibleName(m_text);
    // A screen reader is told that the line says something else now.
    QAccessibleEvent changed(m_pLabel, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void CIncompleteLine::Fit()
{
    if (!m_pLabel)
        return;
    const QString shown =
        m_pLabel->fontMetrics().elidedText(m_text, Qt::ElideRight, m_pLabel->contentsRect().width());
    m_pLabel->setText(shown);
    const bool bPlainTip = shown != m_text && !m_helpTip.IsOn();
    m_pLabel->setToolTip(
        bPlainTip ? QString::fromStdString(FormatString(IDS_TIP_INCOMPLETE, {IncompleteLines(m_counters)})) : QString());
}

QString CIncompleteLine::TipText() const
{
    const std::string lines = IncompleteLines(m_counters);
    return lines.empty() ? QString() : QString::fromStdString(FormatString(IDS_TIP_INCOMPLETE, {lines}));
}

bool CIncompleteLine::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::Resize && pWatched == m_pLabel)
        Fit();
    return QObject::eventFilter(pWatched, pEvent);
}
