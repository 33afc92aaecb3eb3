// Comparing the list with a saved scan, and remembering scans.
#include "CompareCommand.h"

#include "ExtListCtrl.h"
#include "Format.h"
#include "IncompleteLine.h"
#include "ProfileStore.h"
#include "Resource.h"
#include "ResourceString.h"
#include "ScanFileReader.h"
#include "ScanHistory.h"
#include "StringTable.h"
#include "WarningBox.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include <sys/stat.h>

#include <cstring>

namespace {

std::string Bytes(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// What is wrong with a saved scan, in one line naming the file, in the command line's words.
QString ErrorText(const QString& path, const ScanFileError& error)
{
    const std::string file = path.toStdString();
    switch (error.fault) {
    case ScanFileFault::None:
    case ScanFileFault::Unreadable: return Text(FormatString(IDS_COMPARE_CANNOT_READ, {file, std::strerror(error.error)}));
    case ScanFileFault::NotJson: return Text(FormatString(IDS_COMPARE_NOT_JSON, {file, FormatNumber(error.offset)}));
    case ScanFileFault::BadField: return Text(FormatString(IDS_COMPARE_BAD_FIELD, {file, error.where}));
    case ScanFileFault::Twice: {
        const std::string ext = error.where.empty() ? std::string(LoadString(IDS_NO_EXT_ROW)) : error.where;
        return Text(FormatString(IDS_COMPARE_TWICE, {file, ext}));
    }
    }
    return {};
}

// The walk choice by the name of its Options menu command.
std::string ChoiceName(WalkChoice choice)
{
    switch (choice) {
    case WalkChoice::OneFileSystem: return std::string(LoadString(IDS_CHOICE_ONE_FILE_SYSTEM));
    case WalkChoice::Exclude: return std::string(LoadString(IDS_CHOICE_EXCLUDE));
    case WalkChoice::LinksOnce: return std::string(LoadString(IDS_CHOICE_LINKS_ONCE));
    }
    return {};
}

// When the saved scan was made: as the file says, else when the file was last written.
std::int64_t StartedOf(const SavedScan& scan, const QString& path)
{
    struct stat status {};
    if (scan.bHasStarted || stat(Bytes(path).c_str(), &status) != 0)
        return scan.head.started;
    return status.st_mtim.tv_sec;
}

std::string Joined(const std::string& first, const std::string& second)
{
    return first.empty() ? second : second.empty() ? first : FormatString(IDS_FMT_COMPARE_AND_INCOMPLETE, {first, second});
}

} // namespace

CCompareCommand::CCompareCommand(QWidget& window, CExtListCtrl& list, CIncompleteLine& line,
                                 std::function<FolderWalkOptions()> nextWalk)
    : m_window(window)
    , m_list(list)
    , m_line(line)
    , m_nextWalk(std::move(nextWalk))
{
    // Rows emptied (a new scan, another folder) or rebuilt (another size shown): the line follows.
    connect(&m_list.Table(), &QAbstractItemModel::modelReset, this, &CCompareCommand::ShowLine);
}

bool CCompareCommand::Handles(unsigned nId) const
{
    return nId == ID_OPTIONS_COMPARE || nId == ID_OPTIONS_STOP_COMPARE || nId == ID_OPTIONS_HISTORY;
}

bool CCompareCommand::IsEnabled(unsigned nId) const
{
    return nId != ID_OPTIONS_STOP_COMPARE || IsComparing();
}

bool CCompareCommand::IsChecked(unsigned nId) const
{
    return nId == ID_OPTIONS_HISTORY && m_bRemember;
}

void CCompareCommand::Execute(unsigned nId, const QString& folder)
{
    switch (nId) {
    case ID_OPTIONS_COMPARE: OnCompare(folder); break;
    case ID_OPTIONS_STOP_COMPARE: StopComparing(); break;
    case ID_OPTIONS_HISTORY: m_bRemember = !m_bRemember; break;
    default: break;
    }
}

void CCompareCommand::LoadSettings()
{
    m_bStoredRemember = GetProfileInt(LoadQString(IDS_SECTION_MAIN), LoadQString(IDS_ENTRY_HISTORY), 0) != 0;
    m_bRemember = m_bStoredRemember;
}

void CCompareCommand::SaveSettings() const
{
    if (m_bRemember != m_bStoredRemember)
        WriteProfileInt(LoadQString(IDS_SECTION_MAIN), LoadQString(IDS_ENTRY_HISTORY), m_bRemember ? 1 : 0);
}

void CCompareCommand::OnCompare(const QString& folder)
{
    const QString path = ChoosePath(folder);
    if (!path.isEmpty() && CompareWith(path))
        m_lastFolder = QFileInfo(path).absolutePath();
}

// The chooser starts with the newest scan remembered of the folder, else where the last saved
// scan was chosen, else the home folder.
QString CCompareCommand::ChoosePath(const QString& folder)
{
    const QString newest = folder.isEmpty() ? QString() : CScanHistory::Newest(Bytes(folder));
    const QString start = !newest.isEmpty() ? QFileInfo(newest).absolutePath()
                          : m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder;
    if (m_choosePath)
        return m_choosePath(start, newest);
    QFileDialog dialog(&m_window, LoadQString(IDS_COMPARE_TITLE), start);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({LoadQString(IDS_FILTER_SAVED_SCANS), LoadQString(IDS_FILTER_ALL_FILES)});
    if (!newest.isEmpty())
        dialog.selectFile(newest);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first() : QString();
}

bool CCompareCommand::CompareWith(const QString& path)
{
    SavedScan before;
    ScanFileError error;
    if (!ScanFileReader::ReadFile(Bytes(path), before, error)) {
        Warn(ErrorText(path, error));
        return false;
    }
    // The scan shown is measured with its own choices; before any, the next scan's count.
    const ScanResult& shown = m_list.Table().Result();
    const WalkChoices now = m_list.Table().RowCount() > 0 ? shown.Choices() : m_nextWalk().Choices();
    if (before.bHasChoices) {
        if (const auto choice = ScanComparison::DifferingChoice(before.head.choices, now)) {
            Warn(Text(FormatString(IDS_COMPARE_CHOICE, {path.toStdString(), ChoiceName(*choice)})));
            return false;
        }
    }
    ScanResult rows = CScanComparisonColumn::Narrow(shown);
    m_nStarted = StartedOf(before, path);
    m_path = path;
    m_column.Set(std::move(before));
    m_column.Check(rows);
    m_list.Table().SetComparison(&m_column);
    Refill(std::move(rows));
    return true;
}

void CCompareCommand::StopComparing()
{
    if (!IsComparing())
        return;
    ScanResult rows = CScanComparisonColumn::Narrow(m_list.Table().Result());
    m_list.Table().SetComparison(nullptr);
    m_column.Clear();
    m_path.clear();
    Refill(std::move(rows));
}

void CCompareCommand::ShowResult(ScanResult result, const QString& folder)
{
    m_historyFault.clear();
    m_nowRoot = Bytes(folder);
    std::string error;
    if (m_bRemember && result.Ending() == ScanEnding::Finished && !CScanHistory::Remember(result, Bytes(folder), error))
        m_historyFault = Text(FormatString(IDS_FMT_HISTORY_FAILED, {CScanHistory::FolderFor(Bytes(folder)).toStdString(), error}));
    if (IsComparing()) {
        m_column.Check(result);
        m_list.FillList(m_column.Widen(result, m_list.Table().HasNoExtRow()));
    } else {
        m_list.FillList(std::move(result));
    }
    ShowLine();
}

// The rows shown again, with or without the saved scan's; an empty list stays empty.
void CCompareCommand::Refill(ScanResult shown)
{
    if (m_list.Table().RowCount() > 0)
        m_list.FillList(IsComparing() ? m_column.Widen(shown, m_list.Table().HasNoExtRow()) : std::move(shown));
    ShowLine();
}

void CCompareCommand::ShowLine()
{
    const std::vector<std::string> parts = LineParts();
    std::string line;
    QString tip = IsComparing() ? m_path : QString();
    for (const std::string& part : parts) {
        line = Joined(line, part);
        tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + Text(part);
    }
    m_line.ShowComparison(Text(line), tip);
}

// "Compared with old.json: since /srv on 2026-12-01 14:03 UTC: +2,104 files, +3,200 bytes", or
// why no change is shown; then the warnings.
std::vector<std::string> CCompareCommand::LineParts() const
{
    std::vector<std::string> parts;
    if (IsComparing()) {
        const SavedScan& before = m_column.Before();
        const std::string file = QFileInfo(m_path).fileName().toStdString();
        const ScanResult& shown = m_list.Table().Result();
        const bool bShown = m_list.Table().RowCount() > 0;
        if (m_column.Differing()) {
            parts.push_back(FormatString(IDS_FMT_COMPARE_CHOICE_NOW, {ChoiceName(*m_column.Differing())}));
        } else if (!bShown) {
            parts.push_back(FormatString(IDS_FMT_COMPARE_WAITING, {file, before.root, ScanFileHead::UtcMinute(m_nStarted)}));
        } else {
            const SizeMeasure measure = m_list.Table().Measure();
            const CountChange files = CountChange::Between(before.result.Counters().nFiles, shown.Counters().nFiles);
            const CountChange bytes = CountChange::Between(MeasuredTotal(before.result.Counters(), measure),
                                                           MeasuredTotal(shown.Counters(), measure));
            parts.push_back(FormatString(IDS_FMT_COMPARE_SINCE,
                                         {file, before.root, ScanFileHead::UtcMinute(m_nStarted),
                                          files.magnitude == 0 ? std::string("+0") : CScanComparisonColumn::ChangeText(files),
                                          bytes.magnitude == 0 ? std::string("+0") : CScanComparisonColumn::ChangeText(bytes)}));
        }
        if (bShown && !m_nowRoot.empty()
            && CScanHistory::AbsoluteFolder(before.root) != CScanHistory::AbsoluteFolder(m_nowRoot))
            parts.push_back(FormatString(IDS_FMT_COMPARE_OTHER_ROOT, {before.root, m_nowRoot}));
        if (before.head.ending != ScanFileEnding::Finished)
            parts.push_back(FormatString(IDS_FMT_COMPARE_UNFINISHED, {std::string(ScanFileHead::EndingKey(before.head.ending))}));
    }
    if (!m_historyFault.isEmpty())
        parts.push_back(m_historyFault.toStdString());
    return parts;
}

void CCompareCommand::Warn(const QString& text)
{
    ShowWarningBox(&m_window, text);
}
