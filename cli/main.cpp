// kestrum-scan: counts the folders, files and bytes below a folder and groups the files by extension.
#include "CommandLine.h"
#include "ConsoleScan.h"
#include "CountsText.h"
#include "InterruptFlag.h"
#include "Resource.h"
#include "ScanReport.h"
#include "StatusLine.h"
#include "StringTable.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;  // 128 + SIGINT, as shells report a Ctrl+C

void PrintError(std::string_view text)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void PutText(std::FILE* out, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

// False when the output could not be written completely (a full disk, a closed file).
bool FinishOutput()
{
    const bool bFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
    if (bFailed)
        PrintError(FormatString(IDS_CLI_WRITE_FAILED, {std::strerror(errno)}));
    return !bFailed;
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");

    CCommandLine commandLine;
    switch (commandLine.Parse(argc, argv)) {
    case CCommandLine::Action::Help:
        PutText(stdout, LoadString(IDS_CLI_USAGE));
        return FinishOutput() ? kExitDone : kExitFailed;
    case CCommandLine::Action::Version:
        PutText(stdout, FormatString(IDS_CLI_VERSION, {KESTRUM_VERSION}));
        return FinishOutput() ? kExitDone : kExitFailed;
    case CCommandLine::Action::Error:
        PrintError(commandLine.ErrorText());
        PutText(stderr, LoadString(IDS_CLI_USAGE));
        return kExitUsage;
    case CCommandLine::Action::Scan:
        break;
    }

    std::string error;
    if (!CConsoleScan::CheckRoot(commandLine.Folder(), error)) {
        PrintError(error);
        return kExitFailed;
    }

    CInterruptFlag interrupt;
    CStatusLine status;
    CConsoleScan scan;
    if (!scan.Run(commandLine.Folder(), commandLine.Threads(), interrupt, status)) {
        PrintError(scan.ErrorText());
        return kExitFailed;
    }
    interrupt.Release();

    bool bComplete = false;
    try {
        const CScanReport report(commandLine.Folder(), scan.Scan(), commandLine.SortColumn(),
                                 commandLine.SortAscending());
        bComplete = report.Write(commandLine.Format(), stdout);
    } catch (const std::bad_alloc&) {
        // The report stops at what fits by itself; a shortage outside its rows ends the same way.
    }
    if (!FinishOutput())
        return kExitFailed;
    // An honest count of what could be read still ends with status 0, but never silently.
    const std::string incomplete = IncompleteText(scan.Counters());
    if (!incomplete.empty())
        PrintError(incomplete);
    if (scan.Interrupted())
        PrintError(LoadString(IDS_CLI_INTERRUPTED));
    if (!bComplete) {
        PrintError(LoadString(IDS_CLI_REPORT_CUT_SHORT));
        return kExitFailed;
    }
    return scan.Interrupted() ? kExitInterrupted : kExitDone;
}
