// The "Largest files" window: the largest files of some extensions below a scanned folder, found
// by a walk of its own and shown as they are found. Non-modal; several may be open beside the
// main window, and a new scan there does not touch them.
#pragma once

#include "FolderWalk.h"
#include "LargestFilesModel.h"
#include "ScanSession.h"

#include <QDialog>
#include <QStringList>
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

    // Before Start: also the files whose extension is of one of `categories`, as `database`
    // (which must outlive the walk) gives them.
    void SetCategories(std::vector<FileTypeCategory> categories, const FileTypeCategories& database)
    {
        m_query.categories = std::move(categories);
        m_query.pCategories = &database;
    }
    // Starts the walk (options: tests' hooks; the query is set here). False, said in the status
    // line, when it could not start.
    bool Start(FolderWalkOptions options = {});
    // True from Start until the walk has ended and its answer is shown.
    bool IsWalking() const { return m_pSession != nullptr; }

    // "Stop": asks the walk to end and returns at once; the next tick shows what it found.
    void OnStop();
    // "Open folder": the folder of the current (or first selected) row in the file manager. A
    // file that no longer exists is marked gone and said so instead. The opener's exit status
    // arrives later; a failure is then said with the folder's path.
    void OnOpenFolder();
    // Ctrl+C: the selected rows' absolute paths, one per line, as text/plain (escaped as the rows
    // show names, so a newline in a name cannot break a line) and as text/uri-list (every byte
    // of the path kept), in the order shown.
    void CopyPaths() const;
    // A file or folder as a file URL that keeps every byte of its absolute path.
    static QUrl FileUrl(const std::string& absolutePath);

    QTreeView& ListForTesting() { return *m_pList; }
    CLargestFilesModel& ModelForTesting() { return m_model; }
    QString StatusText() const;
    QString NoteText() const;
    // Tests: the program run to open a folder, with its first arguments; the URL comes last.
    void SetFolderOpenerForTesting(QString program, QStringList arguments)
    {
        m_openerProgram = std::move(program);
        m_openerArguments = std::move(arguments);
    }
    // True while an opener started by "Open folder" has not yet exited.
    bool IsOpening() const { return m_nOpening > 0; }

protected:
    void reject() override; // Escape, "Close" and the window's close button
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void OnTimer();
    void EndWalk();
    void ShowRunning();
    void OnSelectionChanged();
    int ChosenRow() const;
    void FitColumns();
    void FitToScreen();
    void RunOpener(const QUrl& url, const std::string& folder);
    // The walk's paths start as the root was typed ("./top.iso" after "kestrum ."): anything
    // handed to another program is made absolute first.
    std::string AbsolutePath(const std::string& path) const;

    std::string m_root;
    std::string m_workingFolder;       // the program's, which the root may be relative to
    LargestFilesQuery m_query;
    CLargestFilesModel m_model;
    QTreeView* m_pList = nullptr;      // owned through Qt's parent chain, as are the others
    QLabel* m_pStatus = nullptr;       // how the walk stands
    QLabel* m_pNote = nullptr;         // what "Open folder" found
    QPushButton* m_pOpenFolder = nullptr;
    QPushButton* m_pStop = nullptr;
    QTimer m_timer;                    // polls the walk while it runs
    // The walk, kept while it runs so that a closed window can let it finish after it is hidden;
    // null once it has ended and been released.
    std::unique_ptr<ScanSession> m_pSession;
    bool m_bClosed = false;            // closed while walking: delete once the walk ends
    bool m_bColumnsFitted = false;     // the first show has sized the columns
    QString m_openerProgram = QStringLiteral("xdg-open");
    QStringList m_openerArguments;
    int m_nOpening = 0;
};
