// kestrum-scan: counts the folders, files and bytes below a folder and groups the files by extension.
#include "CommandLine.h"
#include "CompareReport.h"
#include "ConsoleScan.h"
#include "CountsText.h"
#include "ExitStatus.h"
#include "FileTypeCategories.h"
#include "Format.h"
#include "InterruptFlag.h"
#include "MessageCatalogue.h"
#include "NameList.h"
#include "PartReader.h"
#include "Resource.h"
#include "ScanComparison.h"
#include "ScanFileHead.h"
#include "ScanFileReader.h"
#include "ScanReport.h"
#include "ScanResult.h"
#include "StatusLine.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

void PrintError(std::string_view text)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

unsigned ProblemTextId(ProblemKind kind)
{
    switch (kind) {
    case ProblemKind::NotListed: return IDS_CLI_PROBLEM_NOT_LISTED;
    case ProblemKind::NotEntered: return IDS_CLI_PROBLEM_NOT_ENTERED;
    case ProblemKind::Vanished: return IDS_CLI_PROBLEM_VANISHED;
    case ProblemKind::NotExamined: return IDS_CLI_PROBLEM_NOT_EXAMINED;
    case ProblemKind::NotFound: return IDS_CLI_PROBLEM_NOT_FOUND;
    case ProblemKind::Repeated: return IDS_CLI_PROBLEM_REPEATED;
    case ProblemKind::EmptyName: return IDS_CLI_PROBLEM_EMPTY_NAME;
    }
    return IDS_CLI_PROBLEM_NOT_LISTED;
}

void PutText(std::FILE* out, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

// Each path the scan could not count, as du names them, then how many more of its kind there were.
void PrintProblems(const ScanResult& result)
{
    const std::vector<ScanProblem>& problems = result.Problems();
    for (std::size_t kind = 0; kind < kProblemKinds; ++kind) {
        const auto problemKind = static_cast<ProblemKind>(kind);
        std::uint64_t named = 0;
        for (const ScanProblem& problem : problems) {
            if (problem.kind != problemKind)
                continue;
            ++named;
            const std::string path = TerminalEscape(problem.path);
            const bool bNoReason = problem.kind == ProblemKind::NotEntered || problem.kind == ProblemKind::Repeated ||
                                   problem.kind == ProblemKind::EmptyName;
            PrintError(bNoReason
                           ? FormatString(ProblemTextId(problem.kind), {path})
                           : FormatString(ProblemTextId(problem.kind), {path, std::strerror(problem.error)}));
        }
        const std::uint64_t count = ProblemCount(result.Counters(), problemKind);
        if (count > named)
            PrintError(FormatString(IDS_CLI_PROBLEMS_MORE, {FormatNumber(count - named)}));
    }
}

// False when the output could not be written completely (a full disk, a closed file).
bool FinishOutput()
{
    const bool bFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
    if (bFailed)
        PrintError(FormatString(IDS_CLI_WRITE_FAILED, {std::strerror(errno)}));
    return !bFailed;
}

// The summary of what the scan could not count, and whether Ctrl+C cut it short.
void PrintIncomplete(const ScanResult& result)
{
    const std::string incomplete = IncompleteText(result.Counters());
    if (!incomplete.empty())
        PrintError(incomplete);
    if (result.Ending() == ScanEnding::Stopped)
        PrintError(LoadString(IDS_CLI_INTERRUPTED));
}

// Scans as the request asks. False, with the reason said, when it could not be scanned. The
// session and the request are gone when it returns: what the report may take is then all the
// memory there is.
bool ScanFolder(const CCommandLine& commandLine, ScanResult& result, NameList* pNames = nullptr)
{
    ScanRequest request = commandLine.Request();
    request.walk.pNames = pNames;
    const RequestVerdict verdict = ValidateRequest(request);
    if (!verdict.Ok()) {
        PrintError(CConsoleScan::VerdictText(verdict));
        return false;
    }
    CInterruptFlag interrupt;
    CStatusLine status;
    CConsoleScan scan;
    if (!scan.Run(request, commandLine.Report().measure, interrupt, status)) {
        PrintError(scan.ErrorText());
        return false;
    }
    interrupt.Release();
    result = scan.TakeResult();
    return true;
}

std::string_view ChoiceOption(WalkChoice choice)
{
    switch (choice) {
    case WalkChoice::OneFileSystem: return "--one-file-system";
    case WalkChoice::Exclude: return "--exclude";
    case WalkChoice::LinksOnce: return "--links-once";
    }
    return {};
}

// The folder a root names, for telling whether two scans are of one folder: the path resolved
// when it still exists, else the text without its trailing "/".
std::string FolderOf(const std::string& root)
{
    char resolved[PATH_MAX];
    if (!root.empty() && realpath(root.c_str(), resolved))
        return resolved;
    std::string folder = root;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// When the scan in `path` began: as the file says, else when the file was last written.
std::int64_t StartedOf(const SavedScan& scan, const std::string& path)
{
    struct stat status {};
    if (scan.bHasStarted || stat(path.c_str(), &status) != 0)
        return scan.head.started;
    return status.st_mtim.tv_sec;
}

void WarnUnfinished(const SavedScan& scan, const std::string& path)
{
    if (scan.head.ending != ScanFileEnding::Finished)
        PrintError(FormatString(IDS_CLI_COMPARE_UNFINISHED,
                                {TerminalEscape(path), std::string(ScanFileHead::EndingKey(scan.head.ending))}));
}

// kestrum-scan --compare OLD FOLDER|NEW: OLD read, NEW read when it is a regular file, else the
// folder scanned; scans made with different walk choices are refused (exit 2).
int RunCompare(const CCommandLine& commandLine)
{
    const std::string& oldPath = commandLine.CompareWith();
    SavedScan before;
    ScanFileError error;
    if (!ScanFileReader::ReadFile(oldPath, before, error)) {
        PrintError(CCompareReport::ErrorText(oldPath, error));
        return ExitStatus::kFailed;
    }
    const std::string& newPath = commandLine.Folder();
    struct stat status {};
    const bool bExists = stat(newPath.c_str(), &status) == 0;
    const bool bNewIsFile = bExists && S_ISREG(status.st_mode);
    // In NEW's place a folder is scanned and a saved scan read; a device, a pipe or a socket is
    // neither (a scan of it would count it as one file).
    if (bExists && !bNewIsFile && !S_ISDIR(status.st_mode)) {
        PrintError(FormatString(IDS_CLI_NOT_FOLDER_OR_FILE, {TerminalEscape(newPath)}));
        return ExitStatus::kFailed;
    }
    SavedScan now;
    if (bNewIsFile) {
        if (!ScanFileReader::ReadFile(newPath, now, error)) {
            PrintError(CCompareReport::ErrorText(newPath, error));
            return ExitStatus::kFailed;
        }
    } else {
        now.bHasChoices = true;
        now.head.choices = commandLine.WalkOptions().Choices();
        now.root = newPath;
    }
    // Refused before any walk: the counts would not measure the same thing.
    if (before.bHasChoices && now.bHasChoices) {
        if (const auto choice = ScanComparison::DifferingChoice(before.head.choices, now.head.choices)) {
            PrintError(FormatString(IDS_CLI_COMPARE_CHOICE, {std::string(ChoiceOption(*choice))}));
            return ExitStatus::kUsage;
        }
    }
    ScanFileHead head;
    if (bNewIsFile) {
        head = now.head;
    } else {
        if (!ScanFolder(commandLine, now.result))
            return ExitStatus::kFailed;
        head = ScanFileHead::Of(now.result, "kestrum-scan " KESTRUM_VERSION, !commandLine.Report().noExtRow,
                                now.result.Ending() == ScanEnding::Stopped);
    }
    head.choices.extensionsOnly = !commandLine.Report().noExtRow;

    CCompareReport report(newPath, now.result, before, head, commandLine.Report());
    PrintError(report.SinceText(StartedOf(before, oldPath)));
    if (FolderOf(before.root) != FolderOf(now.root))
        PrintError(FormatString(IDS_CLI_COMPARE_OTHER_ROOT,
                                {TerminalEscape(oldPath), TerminalEscape(before.root), TerminalEscape(now.root)}));
    WarnUnfinished(before, oldPath);
    if (bNewIsFile)
        WarnUnfinished(now, newPath);
    report.Write(commandLine.Format(), stdout);
    if (!FinishOutput())
        return ExitStatus::kFailed;
    if (!bNewIsFile) {
        if (!commandLine.Quiet())
            PrintProblems(now.result);
        PrintIncomplete(now.result);
        if (now.result.Ending() == ScanEnding::Stopped)
            return ExitStatus::kInterrupted;
    }
    return ExitStatus::kDone;
}


// Writes the report of result, then what could not be counted. head: what the JSON says of the
// scan at its top when it is not this run's walk (null: this walk's).
int Report(const CCommandLine& commandLine, const std::string& root, const ScanResult& result, ScanFileHead* pHead)
{
    bool bComplete = false;
    try {
        CScanReport report(root, result, commandLine.Report());
        if (pHead)
            report.SetHead(std::move(*pHead));
        bComplete = report.Write(commandLine.Format(), stdout);
    } catch (const std::bad_alloc&) {
        // The report stops at what fits by itself; a shortage outside its rows ends the same way.
    }
    if (!FinishOutput())
        return ExitStatus::kFailed;
    // An honest count of what could be read still ends with status 0, but never silently.
    if (!commandLine.Quiet())
        PrintProblems(result);
    PrintIncomplete(result);
    if (!bComplete) {
        PrintError(LoadString(IDS_CLI_REPORT_CUT_SHORT));
        return ExitStatus::kFailed;
    }
    return result.Ending() == ScanEnding::Stopped ? ExitStatus::kInterrupted : ExitStatus::kDone;
}

// kestrum-scan --files0-from LIST: the names in LIST counted as the entries of one folder. The
// JSON's root is the folder all the names lie in (NameList::CommonFolder), so that the scans of
// parts of one folder's entries name that folder, as a scan of it does.
int RunFilesFrom(const CCommandLine& commandLine)
{
    const std::string& list = commandLine.FilesFrom();
    const bool bStandardInput = list == "-";
    const int fd = bStandardInput ? STDIN_FILENO : open(list.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        PrintError(FormatString(IDS_CLI_CANNOT_READ, {TerminalEscape(list), std::strerror(errno)}));
        return ExitStatus::kFailed;
    }
    NameList names(fd, list);
    ScanResult result;
    const bool bScanned = ScanFolder(commandLine, result, &names);
    if (!bStandardInput)
        close(fd);
    if (!bScanned)
        return ExitStatus::kFailed;
    const int status = Report(commandLine, names.CommonFolder(), result, nullptr);
    if (names.ReadError() != 0) {
        PrintError(FormatString(IDS_CLI_LIST_UNREADABLE, {TerminalEscape(list), std::strerror(names.ReadError())}));
        return ExitStatus::kFailed;
    }
    return status;
}

// What a merge's JSON says at its top: each part and its root, the earliest start, the longest
// walk, the host when every part names the same one, the parts' walk choices, and how the least
// finished part ended.
ScanFileHead MergedHead(const std::vector<CPartReader::Part>& parts, const std::vector<std::string>& files,
                        bool bExtensionsOnly)
{
    ScanFileHead merged;
    merged.program = "kestrum-scan " KESTRUM_VERSION;
    merged.host = parts.front().head.host;
    merged.started = parts.front().head.started;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const ScanFileHead& head = parts[i].head;
        merged.started = std::min(merged.started, head.started);
        merged.milliseconds = std::max(merged.milliseconds, head.milliseconds);
        if (head.host != merged.host)
            merged.host.clear();
        if (parts[i].bHasChoices)
            merged.choices = head.choices;
        if (head.ending != ScanFileEnding::Finished)
            merged.ending = head.ending;
        merged.parts.push_back(files[i]);
        merged.roots.push_back(parts[i].root);
    }
    merged.choices.extensionsOnly = bExtensionsOnly;
    return merged;
}

// The parts to merge, each file once: one given again under any name (the same device and
// inode) would count its scan twice, so it is named and left out. A file that cannot be examined
// stays, for the reader to say why.
std::vector<std::string> PartsOnce(const std::vector<std::string>& given)
{
    std::vector<std::string> once;
    std::map<std::pair<dev_t, ino_t>, std::size_t> seen;   // a file's identity, its place in `once`
    for (const std::string& file : given) {
        struct stat status {};
        if (stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            const auto [place, bNew] = seen.emplace(std::make_pair(status.st_dev, status.st_ino), once.size());
            if (!bNew) {
                PrintError(FormatString(IDS_CLI_MERGE_TWICE, {TerminalEscape(file), TerminalEscape(once[place->second])}));
                continue;
            }
        }
        once.push_back(file);
    }
    return once;
}

// kestrum-scan --merge FILE...: the saved scans combined into the table one scan of all their
// roots gives. The parts are read on as many threads as there are cores, each dropped once
// added; nothing is written before all are read, so a part that cannot be read, or was made
// with other walk choices, leaves standard output empty. The first such part in the order given
// is the one named.
int RunMerge(const CCommandLine& commandLine)
{
    const std::vector<std::string> files = PartsOnce(commandLine.MergeFiles());
    CPartReader reader;
    reader.ReadAll(files, std::max(1u, std::thread::hardware_concurrency()));
    const std::vector<CPartReader::Part>& parts = reader.Parts();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!parts[i].bRead && parts[i].error.fault != ScanFileFault::None) {
            PrintError(CCompareReport::ErrorText(files[i], parts[i].error));
            return ExitStatus::kFailed;
        }
    }
    const CPartReader::Part* pFirstWithChoices = nullptr;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!parts[i].bHasChoices)
            continue;
        if (!pFirstWithChoices) {
            pFirstWithChoices = &parts[i];
        } else if (const auto choice = ScanComparison::DifferingChoice(pFirstWithChoices->head.choices, parts[i].head.choices)) {
            const std::string& first = files[static_cast<std::size_t>(pFirstWithChoices - parts.data())];
            PrintError(FormatString(IDS_CLI_MERGE_CHOICE, {TerminalEscape(files[i]), std::string(ChoiceOption(*choice)),
                                                           TerminalEscape(first)}));
            return ExitStatus::kUsage;
        }
    }
    bool bUnfinished = false;
    std::string root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!parts[i].bFinished) {
            PrintError(FormatString(IDS_CLI_MERGE_UNFINISHED, {TerminalEscape(files[i]),
                                                               std::string(ScanFileHead::EndingKey(parts[i].head.ending))}));
            bUnfinished = true;
        }
        root = i == 0 ? parts[i].root : NameList::CommonOf(root, parts[i].root);
    }
    ScanFileHead head = MergedHead(parts, files, !commandLine.Report().noExtRow);
    const ScanResult result = reader.Take(commandLine.WalkOptions().largest.count);
    const int status = Report(commandLine, root, result, &head);
    // A merge with a part cut short is cut short too, as a report that ran out of memory is.
    return status == ExitStatus::kDone && bUnfinished ? ExitStatus::kFailed : status;
}

int Run(int argc, char** argv)
{
    CCommandLine commandLine;
    switch (commandLine.Parse(argc, argv)) {
    case CCommandLine::Action::Help:
        PutText(stdout, LoadString(IDS_CLI_USAGE));
        return FinishOutput() ? ExitStatus::kDone : ExitStatus::kFailed;
    case CCommandLine::Action::Version:
        PutText(stdout, FormatString(IDS_CLI_VERSION, {KESTRUM_VERSION}));
        return FinishOutput() ? ExitStatus::kDone : ExitStatus::kFailed;
    case CCommandLine::Action::Error:
        // One line on what was wrong and where to read more, as GNU tools do.
        PrintError(commandLine.ErrorText());
        PrintError(LoadString(IDS_CLI_TRY_HELP));
        return ExitStatus::kUsage;
    case CCommandLine::Action::Scan:
        break;
    }

    // CSV, JSON and the categories' table name categories from the MIME database: it is read
    // now, before the walk takes its memory (a shortage here ends the run as any other).
    if (commandLine.Format() != OutputFormat::Text || commandLine.Report().byCategory)
        FileTypeCategories::System();

    if (!commandLine.CompareWith().empty())
        return RunCompare(commandLine);

    if (!commandLine.MergeFiles().empty())
        return RunMerge(commandLine);
    if (!commandLine.FilesFrom().empty())
        return RunFilesFrom(commandLine);

    ScanResult result;
    if (!ScanFolder(commandLine, result))
        return ExitStatus::kFailed;
    return Report(commandLine, commandLine.Folder(), result, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    BindMessageCatalogues(InstalledLocaleDir());
    // Whatever the command line, the scan or the report could not get memory for ends here, with
    // one line instead of an abort; what the scan itself runs short of it reports as data.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        PrintError(LoadString(IDS_CLI_OUT_OF_MEMORY));
        return ExitStatus::kFailed;
    }
}
