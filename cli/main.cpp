// kestrum-scan: counts the folders, files and bytes below a folder and groups the files by extension.
#include "CommandLine.h"
#include "ConsoleScan.h"
#include "CountsText.h"
#include "ExitStatus.h"
#include "Format.h"
#include "InterruptFlag.h"
#include "Resource.h"
#include "ScanReport.h"
#include "ScanResult.h"
#include "StatusLine.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
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
            PrintError(problem.kind == ProblemKind::NotEntered
                           ? FormatString(IDS_CLI_PROBLEM_NOT_ENTERED, {path})
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

    // The session and the request are gone before the report is written: what the report may
    // take is then all the memory there is.
    ScanResult result;
    {
        const ScanRequest request = commandLine.Request();
        const RequestVerdict verdict = ValidateRequest(request);
        if (!verdict.Ok()) {
            PrintError(CConsoleScan::VerdictText(verdict));
            return ExitStatus::kFailed;
        }
        CInterruptFlag interrupt;
        CStatusLine status;
        CConsoleScan scan;
        if (!scan.Run(request, commandLine.Report().measure, interrupt, status)) {
            PrintError(scan.ErrorText());
            return ExitStatus::kFailed;
        }
        interrupt.Release();
        result = scan.TakeResult();
    }

    bool bComplete = false;
    try {
        CScanReport report(commandLine.Folder(), result, commandLine.Report());
        bComplete = report.Write(commandLine.Format(), stdout);
    } catch (const std::bad_alloc&) {
        // The report stops at what fits by itself; a shortage outside its rows ends the same way.
    }
    if (!FinishOutput())
        return ExitStatus::kFailed;
    // An honest count of what could be read still ends with status 0, but never silently.
    if (!commandLine.Quiet())
        PrintProblems(result);
    const std::string incomplete = IncompleteText(result.Counters());
    if (!incomplete.empty())
        PrintError(incomplete);
    if (result.Ending() == ScanEnding::Stopped)
        PrintError(LoadString(IDS_CLI_INTERRUPTED));
    if (!bComplete) {
        PrintError(LoadString(IDS_CLI_REPORT_CUT_SHORT));
        return ExitStatus::kFailed;
    }
    return result.Ending() == ScanEnding::Stopped ? ExitStatus::kInterrupted : ExitStatus::kDone;
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    // Whatever the command line, the scan or the report could not get memory for ends here, with
    // one line instead of an abort; what the scan itself runs short of it reports as data.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        PrintError(LoadString(IDS_CLI_OUT_OF_MEMORY));
        return ExitStatus::kFailed;
    }
}
