// "Save list as...": the file dialog, the replace question and the writing.
#include "ListSaver.h"

#include "ExtTableModel.h"
#include "Resource.h"
#include "ResourceString.h"
#include "StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <string>

CListSaver::CListSaver(QWidget& window, const CExtTableModel& table)
    : m_window(window)
    , m_table(table)
{
}

// The ending is added after the dialog has returned, so the dialog's own replace question could
// ask about another file than the one written: the question is asked here, for that file.
void CListSaver::SaveAs(const QString& root)
{
    if (m_table.RowCount() == 0)
        return;
    const QString jsonFilter = LoadQString(IDS_FILTER_JSON);
    QString chosenFilter = LoadQString(IDS_FILTER_CSV);
    QString path = ChooseName(chosenFilter);
    if (path.isEmpty())
        return;
    const bool bJson = chosenFilter == jsonFilter;
    const QString ending = bJson ? QStringLiteral(".json") : QStringLiteral(".csv");
    if (!path.endsWith(ending, Qt::CaseInsensitive) && QFileInfo(path).suffix().isEmpty())
        path += ending;
    if (QFileInfo::exists(path) && !ConfirmReplace(path))
        return;
    if (Save(path, bJson, root))
        m_lastFolder = QFileInfo(path).absolutePath();
}

// The dialog starts in the folder last saved to, or the home folder (not the working folder,
// which for a program started from a menu is nowhere the user chose).
QString CListSaver::ChooseName(QString& chosenFilter)
{
    const QString startFolder = m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder;
    if (m_chooseName)
        return m_chooseName(startFolder, chosenFilter);
    const QString filters = LoadQString(IDS_FILTER_CSV) + QStringLiteral(";;") + LoadQString(IDS_FILTER_JSON);
    return QFileDialog::getSaveFileName(&m_window, LoadQString(IDS_SAVE_LIST_TITLE), startFolder, filters,
                                        &chosenFilter, QFileDialog::DontConfirmOverwrite);
}

bool CListSaver::ConfirmReplace(const QString& path)
{
    const QString question = QString::fromStdString(FormatString(IDS_FMT_REPLACE_FILE, {path.toStdString()}));
    return QMessageBox::question(&m_window, LoadQString(IDS_SAVE_LIST_TITLE), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

bool CListSaver::SaveTo(const QString& path, const QString& root)
{
    return Save(path, path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive), root);
}

bool CListSaver::Save(const QString& path, bool bJson, const QString& root)
{
    std::string error;
    if (m_table.SaveRows(QFile::encodeName(path).toStdString(), bJson, QFile::encodeName(root).toStdString(), error))
        return true;
    QMessageBox::warning(&m_window, LoadQString(AFX_IDS_APP_TITLE),
                         QString::fromStdString(FormatString(IDS_FMT_SAVE_FAILED, {path.toStdString(), error})),
                         QMessageBox::Ok);
    return false;
}
