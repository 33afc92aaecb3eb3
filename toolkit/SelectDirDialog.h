// A folder chooser on Qt's own (non-native) file dialog: the box before the file list is labelled
// "Folder:" and always shows the folder being browsed, confirming returns that folder once it can
// be listed, and "Properties..." tells the capacity and file system of the mount that holds it.
//
// The process working directory follows the browsed folder while the dialog is open (Qt's dialog
// does not move it by itself, so this class does). The working directory at construction is kept
// and, with the restore flag, put back when the dialog closes. User-interface thread only.
#pragma once

#include <QFileDialog>
#include <QPointer>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

class CSelectDirDialog : public QFileDialog {
    Q_OBJECT

public:
    // title: the caption, "Select file folder" when empty. filter: "text|pattern|...||" pairs, the
    // patterns separated by ";" ("*.*" lists every file); empty lists everything. initialFolder:
    // becomes the working directory at once and the dialog opens there; empty or null leaves the
    // working directory alone, and a folder that cannot be entered is ignored.
    explicit CSelectDirDialog(const QString& title = QString(), const QString& filter = QString(),
                              const QString& initialFolder = QString(), bool bRestoreDir = false,
                              QWidget* pParent = nullptr);
    ~CSelectDirDialog() override;

    // QDialog::Accepted (1) when a folder was confirmed, QDialog::Rejected (0) otherwise.
    int DoModal();
    // After Accepted: the confirmed folder, absolute, without a trailing "/" ("/" itself stays "/").
    // Empty after Cancel and before the dialog has run.
    const QString& GetSelectedFolder() const { return m_szFolder; }

    // Whether a folder can be listed (opened and read to at least one entry).
    static bool CanListFolder(const std::string& folder);
    // Tests: replaces the listing check, which as root passes for any folder that exists.
    void SetListingCheck(std::function<bool(const std::string&)> check) { m_canList = std::move(check); }

    // Qt name filters for a filter in the "text|pattern|...||" form.
    static QStringList NameFiltersFrom(const QString& filter);

    void accept() override; // OnFileNameOK: the dialog ends only when the folder passes the check
    void reject() override; // OnCancel
    void done(int nResult) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

protected:
    virtual void OnInitDialog();
    // True refuses the confirmation: the folder could not be listed and the dialog stays open.
    virtual bool OnFileNameOK();
    virtual void OnCancel();
    virtual void OnFileNameChange();
    virtual void OnFolderChange(const QString& folder);
    // The folder named by the box, checked; on failure the user has been told and false returned.
    bool ReadFolder(QString& folder);
    void ShowDriveProperties();

private:
    QString BrowsedFolder() const;
    void ShowFolderInBox();
    void KeepOpenUsable();

    bool m_bRestoreDir;
    std::string m_szSavedDir; // the working directory at construction, before the initial folder
    QString m_szFolder;
    QPointer<QLineEdit> m_pFileNameEdit; // Qt's own file-name box; the checks fall back without it
    QPointer<QPushButton> m_pOpenButton;
    QPointer<QPushButton> m_pPropertiesButton;
    std::function<bool(const std::string&)> m_canList = &CanListFolder;
};
