// The line under the window's list: what the scan could not count, in one line shortened to the
// line's width, with the details in its tip.
#pragma once

#include "ScanCounters.h"

#include <QObject>
#include <QString>

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
    // reads the whole text as the line's name, and hears when it changes.
    void Show(const ScanCounters& counters);
    // Shows as much of the text as the width holds, shortened with an ellipsis, never a half
    // line. Shortened, its details stay in its help tip, or in a plain tip while help tips are off.
    void Fit();
    // The whole text (the label may show it shortened), and the help tip's text (empty when none).
    const QString& Text() const { return m_text; }
    QString TipText() const;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    const CHelpTipWnd& m_helpTip;
    QLabel* m_pLabel = nullptr;
    ScanCounters m_counters;
    QString m_text;
};
