// The line under the list, its tip and the list of the paths it names.
#include "IncompleteLine.h"

#include "CountsText.h"
#include "HelpTipWnd.h"
#include "ProblemsDlg.h"
#include "Resource.h"
#include "StringTable.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

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

void CIncompleteLine::Show(const ScanCounters& counters, const std::vector<ScanProblem>& problems)
{
    m_counters = counters;
    m_problems = problems;
    m_text = QString::fromStdString(IncompleteText(counters));
    if (!m_comparison.isEmpty())
        m_text = m_text.isEmpty() ? m_comparison
                                  : QString::fromStdString(FormatString(IDS_FMT_COMPARE_AND_INCOMPLETE,
                                                                        {m_comparison.toStdString(), m_text.toStdString()}));
    if (m_pLabel) {
        // Only a line that opens something is a stop for Tab and looks like a link.
        m_pLabel->setFocusPolicy(CanOpen() ? Qt::StrongFocus : Qt::NoFocus);
        if (CanOpen())
            m_pLabel->setCursor(Qt::PointingHandCursor);
        else
            m_pLabel->unsetCursor();
        ShowFocus(m_pLabel->hasFocus());
    }
    Fit();
    if (!m_pLabel)
        return;
    // The line is named by its whole text and described by its tip, however narrow it is shown.
    const QString description = TipText();
    if (m_pLabel->accessibleDescription() != description) {
        m_pLabel->setAccessibleDescription(description);
        QAccessibleEvent changed(m_pLabel, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
    if (m_pLabel->accessibleName() == m_text)
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
    m_pLabel->setToolTip(bPlainTip ? TipText() : QString());
}

void CIncompleteLine::ShowComparison(const QString& line, const QString& tip)
{
    m_comparison = line;
    m_comparisonTip = tip;
    const std::vector<ScanProblem> problems = m_problems;
    Show(m_counters, problems);
}

QString CIncompleteLine::TipText() const
{
    const std::string lines = IncompleteLines(m_counters);
    if (lines.empty())
        return m_comparisonTip;
    std::string tip = FormatString(IDS_TIP_INCOMPLETE, {lines});
    if (CanOpen()) {
        tip += '\n';
        tip += LoadString(IDS_TIP_PROBLEMS_OPEN);
    }
    return m_comparisonTip.isEmpty() ? QString::fromStdString(tip) : m_comparisonTip + QLatin1Char('\n') + QString::fromStdString(tip);
}

CProblemsDlg* CIncompleteLine::OpenProblems()
{
    if (!CanOpen())
        return nullptr;
    auto* pDialog = new CProblemsDlg(m_counters, m_problems, m_pLabel ? m_pLabel->window() : nullptr);
    pDialog->setAttribute(Qt::WA_DeleteOnClose);
    pDialog->open();
    m_pProblemsDlg = pDialog;
    return pDialog;
}

// A line with focus is underlined: a label draws no focus frame of its own.
void CIncompleteLine::ShowFocus(bool bFocus)
{
    // Only the underline is set: the rest stays the platform's font, which the window hands down.
    QFont font;
    font.setUnderline(bFocus && CanOpen());
    m_pLabel->setFont(font);
}

bool CIncompleteLine::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched != m_pLabel)
        return QObject::eventFilter(pWatched, pEvent);
    switch (pEvent->type()) {
    case QEvent::Resize:
        Fit();
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        ShowFocus(pEvent->type() == QEvent::FocusIn);
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(pEvent)->button() == Qt::LeftButton && OpenProblems())
            return true;
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(pEvent)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && OpenProblems())
            return true;
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(pWatched, pEvent);
}
