// What a scan could not count, by name: each path kept with what happened to it and the
// system's reason, then, for a kind with more than the paths kept, how many more there were.
// Opened from the line under the window's list.
#pragma once

#include "ScanCounters.h"
#include "ScanProblem.h"

#include <QDialog>

#include <vector>

class QTreeWidget;

class CProblemsDlg : public QDialog {
    Q_OBJECT

public:
    enum Column { ColumnPath, ColumnKind, ColumnReason, kColumns };

    // counters: the scan's, which say how many of each kind there were; problems: the paths kept,
    // by kind, then by path (as ScanResult::Problems gives them). Both are copied.
    CProblemsDlg(const ScanCounters& counters, const std::vector<ScanProblem>& problems, QWidget* pParent);

    // Ctrl+C and "Copy": the selected rows, or every row when none is selected, one a line,
    // path, what and reason tab-separated, as shown (a name's control bytes and bytes that are
    // not UTF-8 written \xHH, so a tab or newline in a name cannot break a line).
    void CopyRows() const;
    // The rows' texts as CopyRows writes them (selected or all).
    QString RowsAsText() const;

    QTreeWidget& ListForTesting() { return *m_pList; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void AddRows(const ScanCounters& counters, const std::vector<ScanProblem>& problems);
    void FitColumns();

    QTreeWidget* m_pList = nullptr;   // owned through Qt's parent chain
};
