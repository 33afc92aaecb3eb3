// Options -> "Compare with saved list...", "Stop comparing" and "Remember scans": reads a saved
// scan (Kestrum's own, ncdu's or gdu's JSON) and gives the list its "Change" column and the line
// under it what the list is compared with; remembers each finished scan when asked to.
#pragma once

#include "FolderWalk.h"
#include "ScanComparisonColumn.h"
#include "ScanResult.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class CExtListCtrl;
class CIncompleteLine;
class QWidget;

// Window's thread only. The window, the list and the line outlive this.
class CCompareCommand : public QObject {
    Q_OBJECT

public:
    // nextWalk: the walk options the next scan will use.
    CCompareCommand(QWidget& window, CExtListCtrl& list, CIncompleteLine& line,
                    std::function<FolderWalkOptions()> nextWalk);

    // 32782 "Compare with saved list...", 32783 "Stop comparing" (enabled only while comparing),
    // 32784 "Remember scans". `folder` is the folder box's, whose remembered scans the file chooser
    // starts in.
    bool Handles(unsigned nId) const;
    bool IsEnabled(unsigned nId) const;
    bool IsChecked(unsigned nId) const;
    void Execute(unsigned nId, const QString& folder);

    // "Remember scans" (History in Main), off by default; written only when changed.
    void LoadSettings();
    void SaveSettings() const;

    // Compares the list with the saved scan in `path`; a file that cannot be read, or a scan made
    // with other walk choices, is refused with a message naming the file. True when compared.
    bool CompareWith(const QString& path);
    void StopComparing();
    bool IsComparing() const { return m_column.IsOn(); }
    // A scan of `folder` has ended: the list shows it, with the saved scan's rows while comparing;
    // remembered when it finished and "Remember scans" is on (a failure is said on the line).
    void ShowResult(ScanResult result, const QString& folder);
    // The line under the list says again what the list is compared with; also whenever the
    // list's rows are emptied or rebuilt.
    void ShowLine();

    // Tests: asked for the file instead of the file chooser: it gets the folder and the file the
    // chooser would start with, and returns the file chosen, empty when cancelled.
    using PathChooser = std::function<QString(const QString& startFolder, const QString& preselected)>;
    void SetPathChooserForTesting(PathChooser chooser) { m_choosePath = std::move(chooser); }

private:
    void OnCompare(const QString& folder);
    QString ChoosePath(const QString& folder);
    void Refill(ScanResult shown);
    // What the line says, part by part: what the list is compared with (or why no change is
    // shown), the warnings, and why the last scan could not be remembered.
    std::vector<std::string> LineParts() const;
    void Warn(const QString& text);

    QWidget& m_window;
    CExtListCtrl& m_list;
    CIncompleteLine& m_line;
    std::function<FolderWalkOptions()> m_nextWalk;
    CScanComparisonColumn m_column;
    QString m_path;              // the saved scan compared with
    std::string m_nowRoot;       // the folder of the last scan shown
    std::int64_t m_nStarted = 0; // when it was made
    bool m_bRemember = false;
    bool m_bStoredRemember = false;
    QString m_lastFolder;        // where the last saved scan was chosen
    QString m_historyFault;      // why the last scan could not be remembered, for the line
    PathChooser m_choosePath;
};
