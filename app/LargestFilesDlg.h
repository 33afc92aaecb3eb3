// The "Largest files" window: the largest files of some extensions below a scanned folder, found
// by a walk of its own and shown as they are found. Non-modal; several may be open beside the
// main window, and a new scan there does not touch them.
#pragma once

#include "FolderWalk.h"
#include "LargestFilesModel.h"
#include "ScanInfo.h"
#include "ScanJob.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeView;
class QUrl;

class CLargestFilesDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr std::size_t kDefaultCount = 1000;

    // root: the folder of the scan shown, as typed (bytes). extensions: as the records hold them,
    // with the dot ("" for the files without one). extensionsShown: the same as the list shows
    // them, for the title. The window deletes itself once closed and its walk has ended.
    CLargestFilesDlg(std::string root, std::vector<std::string> extensions, const QString& extensionsShown,
                     QWidget* pParent, std::size_t nCount = kDefaultCount);
    ~CLargestFilesDlg() override;

    // Starts the walk (options: tests' hooks; the query is set here). False, said in the status
    // line, when it could not start.
    bool Start(FolderWalkOptions options = {});
    // True from Start until the walk has ended and its answer is shown.
    bool IsWalking() const { return m_pWalk != nullptr; }

    // "Stop": asks the walk to end and returns at once; the next tick shows what it found.
    void OnStop();
    // "Open folder": the folder of the current (or first selected) row in the file manager. A
    // file that no longer exists is marked gone and said so instead.
    void OnOpenFolder();
    // Ctrl+C: the selected rows' full paths, as the file system spells them, one per line.
    void CopyPaths() const;

    QTreeView& ListForTesting() { return *m_pList; }
    CLargestFilesModel& ModelForTesting() { return m_model; }
    QString StatusText() const;
    QString NoteText() const;
    // Tests: opens folders instead of the desktop's file manager; true when opened.
    void SetFolderOpenerForTesting(std::function<bool(const QUrl&)> opener) { m_openFolder = std::move(opener); }

protected:
    void reject() override; // Escape, "Close" and the window's close button
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    // The walk's state and its worker, kept together so that a closed window can let them finish
    // after it is hidden.
    struct Walk {
        SCANINFO scan;
        ScanJob job{scan};
    };

    void OnTimer();
    void EndWalk();
    void ShowRunning();
    void OnSelectionChanged();
    int ChosenRow() const;
    void FitColumns();

    std::string m_root;
    LargestFilesQuery m_query;
    CLargestFilesModel m_model;
    QTreeView* m_pList = nullptr;      // owned through Qt's parent chain, as are the others
    QLabel* m_pStatus = nullptr;       // how the walk stands
    QLabel* m_pNote = nullptr;         // what "Open folder" found
    QPushButton* m_pOpenFolder = nullptr;
    QPushButton* m_pStop = nullptr;
    QTimer m_timer;                    // polls the walk while it runs
    std::unique_ptr<Walk> m_pWalk;     // null once the walk has ended and been released
    bool m_bClosed = false;            // closed while walking: delete once the walk ends
    bool m_bColumnsFitted = false;     // the first show has sized the columns
    std::function<bool(const QUrl&)> m_openFolder;
};
