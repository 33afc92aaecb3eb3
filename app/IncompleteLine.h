// The line under the window's list: what the scan could not count, in one line shortened to the
// line's width, with the details in its tip. When the scan named paths, a click on the line, or
// Enter or Space while it has the focus, opens their list (CProblemsDlg).
#pragma once

#include "ProblemsDlg.h"
#include "ScanCounters.h"
#include "ScanProblem.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class CHelpTipWnd;
class QLabel;

// Window's thread only. The help tip outlives this.
class CIncompleteLine : public QObject {
    Q_OBJECT

public:
    explicit CIncompleteLine(const CHelpTipWnd& helpTip);

    // Once: the label it writes to, fitted again whenever it resizes.
    void Attach(QLabel* pLabel);
    // Says what `counters` could not count; empty when they counted everything. A screen reader
    // reads the whole text as the line's name, and hears when it changes. With problems (copied)
    // the line takes the focus by Tab and opens their list.
    void Show(const ScanCounters& counters, const std::vector<ScanProblem>& problems = {});
    // While the list is compared with a saved scan: what it is compared with, said before the
    // rest (empty: not compared), and its details for the tip.
    void ShowComparison(const QString& line, const QString& tip);
    // Shows as much of the text as the width holds, shortened with an ellipsis, never a half
    // line. Shortened, its details stay in its help tip, or in a plain tip while help tips are off.
    void Fit();
    // The whole text (the label may show it shortened), and the help tip's text (empty when none).
    const QString& Text() const { return m_text; }
    QString TipText() const;
    // Opens the list of the paths named, window-modal over the line's window; it deletes itself
    // once closed. Null when the scan named none.
    CProblemsDlg* OpenProblems();
    // The list opened last, while it is open (else null).
    CProblemsDlg* OpenProblemsDlg() const { return m_pProblemsDlg; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    bool CanOpen() const { return !m_problems.empty(); }
    void ShowFocus(bool bFocus);

    const CHelpTipWnd& m_helpTip;
    QLabel* m_pLabel = nullptr;
    ScanCounters m_counters;
    std::vector<ScanProblem> m_problems;
    QString m_text;
    QString m_comparison;
    QString m_comparisonTip;
    QPointer<CProblemsDlg> m_pProblemsDlg;
};
