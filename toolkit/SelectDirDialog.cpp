#include "SelectDirDialog.h"

#include "FileSystemProperties.h"
#include "Resource.h"
#include "ResourceString.h"
#include "WarningBox.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace {

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

std::string WorkingDirectory()
{
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::string() : current.string();
}

// A failed change is ignored: the dialog then simply stays where the working directory was.
void ChangeWorkingDirectory(const std::string& folder)
{
    if (!folder.empty())
        (void)chdir(folder.c_str());
}

// One trailing "/" goes; the root keeps its only one, since an empty text names no folder.
QString WithoutTrailingSlash(QString folder)
{
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

// Windows-style patterns ("*.txt;*.doc") as Qt's blank-separated ones. "*.*" lists every file
// there, names without a dot included; Qt's "*" is the pattern that does.
QString QtPatterns(const QString& patterns)
{
    QStringList list;
    for (QString pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        pattern = pattern.trimmed();
        if (!pattern.isEmpty())
            list << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    return list.join(QLatin1Char(' '));
}

} // namespace

CSelectDirDialog::CSelectDirDialog(const QString& title, const QString& filter, const QString& initialFolder,
                                   bool bRestoreDir, QWidget* pParent)
    : QFileDialog(pParent), m_bRestoreDir(bRestoreDir)
{
    // The label, the box and the button box are reachable only in Qt's own dialog.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setAcceptMode(QFileDialog::AcceptOpen);
    // Any name can be confirmed: a missing folder must reach the check and its message.
    setFileMode(QFileDialog::AnyFile);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(title.isEmpty() ? LoadQString(IDS_SELECT_FOLDER_TITLE) : title);
    const QStringList nameFilters = NameFiltersFrom(filter);
    if (!nameFilters.isEmpty())
        setNameFilters(nameFilters);

    m_szSavedDir = WorkingDirectory();
    if (!initialFolder.isEmpty())
        ChangeWorkingDirectory(LocalPath(initialFolder));
    setDirectory(QDir::currentPath());

    m_pFileNameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    connect(this, &QFileDialog::directoryEntered, this, &CSelectDirDialog::OnFolderChange);
    connect(this, &QFileDialog::currentChanged, this, &CSelectDirDialog::OnFileNameChange);
    // Connected after the dialog's own handler, which writes the selected names into the box.
    if (auto* pList = findChild<QListView*>(QStringLiteral("listView")); pList && pList->selectionModel())
        connect(pList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &CSelectDirDialog::OnFileNameChange);
    OnInitDialog();
}

CSelectDirDialog::~CSelectDirDialog() = default;

void CSelectDirDialog::OnInitDialog()
{
    setLabelText(QFileDialog::FileName, LoadQString(IDS_FOLDER_LABEL));
    if (auto* pButtons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
        // Qt's dialog disables Open while the box names the folder being shown, which is just what
        // this dialog confirms; the button stays usable whenever the box holds a name.
        m_pOpenButton = pButtons->button(QDialogButtonBox::Open);
        if (m_pOpenButton)
            m_pOpenButton->installEventFilter(this);
        if (m_pFileNameEdit) // after the dialog's own handler, which may disable the button
            connect(m_pFileNameEdit, &QLineEdit::textChanged, this, &CSelectDirDialog::KeepOpenUsable);
        m_pPropertiesButton = pButtons->addButton(LoadQString(IDS_PROPERTIES_BUTTON), QDialogButtonBox::HelpRole);
        connect(m_pPropertiesButton, &QPushButton::clicked, this, &CSelectDirDialog::ShowDriveProperties);
    }
    ShowFolderInBox();
}

bool CSelectDirDialog::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pOpenButton && pEvent->type() == QEvent::EnabledChange)
        KeepOpenUsable();
    return QFileDialog::eventFilter(pWatched, pEvent);
}

void CSelectDirDialog::KeepOpenUsable()
{
    if (m_pOpenButton && !m_pOpenButton->isEnabled() && m_pFileNameEdit && !m_pFileNameEdit->text().isEmpty())
        m_pOpenButton->setEnabled(true);
}

int CSelectDirDialog::DoModal()
{
    return exec();
}

QStringList CSelectDirDialog::NameFiltersFrom(const QString& filter)
{
    // Pairs of display text and patterns; an empty display text ends the list ("||").
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        const QString patterns = QtPatterns(parts[i + 1]);
        if (!patterns.isEmpty())
            nameFilters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return nameFilters;
}

bool CSelectDirDialog::CanListFolder(const std::string& folder)
{
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return false;
    // A folder removed while open lists nothing at all, not even "." and "..".
    const bool bHasEntry = readdir(listing) != nullptr;
    closedir(listing);
    return bHasEntry;
}

QString CSelectDirDialog::BrowsedFolder() const
{
    return directory().absolutePath();
}

void CSelectDirDialog::ShowFolderInBox()
{
    if (m_pFileNameEdit && m_pFileNameEdit->text() != BrowsedFolder())
        m_pFileNameEdit->setText(BrowsedFolder());
}

void CSelectDirDialog::OnFolderChange(const QString& folder)
{
    // Qt's dialog leaves the working directory alone; callers that read it expect it to follow.
    ChangeWorkingDirectory(LocalPath(folder));
    ShowFolderInBox();
}

void CSelectDirDialog::OnFileNameChange()
{
    // While the user types, the dialog selects matching names: the typing is left alone then.
    if (m_pFileNameEdit && m_pFileNameEdit->hasFocus())
        return;
    ShowFolderInBox();
}

bool CSelectDirDialog::ReadFolder(QString& folder)
{
    if (!m_pFileNameEdit) {
        folder = BrowsedFolder();
        return true;
    }
    const QString text = m_pFileNameEdit->text();
    // A relative name is taken in the browsed folder, so the result never depends on where the
    // working directory is put back to.
    QString path = QDir::isAbsolutePath(text) ? text : QDir::cleanPath(BrowsedFolder() + QLatin1Char('/') + text);
    struct stat status {};
    // An existing file named in the box stands for the folder that holds it.
    if (stat(LocalPath(path).c_str(), &status) == 0 && !S_ISDIR(status.st_mode))
        path = QFileInfo(path).absolutePath();
    path = WithoutTrailingSlash(path);
    if (!m_canList(LocalPath(path))) {
        ShowWarningBox(this, IDS_INVALID_FOLDER);
        return false;
    }
    folder = path;
    return true;
}

bool CSelectDirDialog::OnFileNameOK()
{
    return !ReadFolder(m_szFolder);
}

void CSelectDirDialog::accept()
{
    // Qt's own accept would enter a named folder instead of returning it.
    if (!OnFileNameOK())
        QDialog::accept();
}

void CSelectDirDialog::OnCancel()
{
    m_szFolder.clear();
    QFileDialog::reject();
}

void CSelectDirDialog::reject()
{
    OnCancel();
}

void CSelectDirDialog::done(int nResult)
{
    QFileDialog::done(nResult);
    if (m_bRestoreDir)
        ChangeWorkingDirectory(m_szSavedDir);
}

void CSelectDirDialog::ShowDriveProperties()
{
    QString folder;
    if (!ReadFolder(folder))
        return;
    const FileSystemProperties properties = ReadFileSystemProperties(LocalPath(folder), ReadMountTable());
    QMessageBox box(QMessageBox::Information, QString::fromStdString(FormatPropertiesCaption(properties)),
                    QString::fromStdString(FormatPropertiesBody(properties)), QMessageBox::Ok, this);
    box.exec();
}
