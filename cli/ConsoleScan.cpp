#include "ConsoleScan.h"

#include "CountsText.h"
#include "LabelledText.h"
#include "InterruptFlag.h"
#include "Resource.h"
#include "RootAndLinkRule.h"
#include "StatusLine.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace {

// How often the poll loop looks for Ctrl+C, and how often it refreshes the status line (the
// window's 500 ms timer). The end of the walk is seen at once: the wait returns when it is set.
constexpr std::chrono::milliseconds kPollInterval{50};
constexpr std::chrono::milliseconds kRefreshInterval{500};

// Blocks SIGINT in the calling thread while it lives. A thread started meanwhile inherits the
// mask, so Ctrl+C is always taken by the poll loop and never interrupts the worker's calls.
class SigintBlock {
public:
    SigintBlock()
    {
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGINT);
        pthread_sigmask(SIG_BLOCK, &blocked, &m_previous);
    }
    ~SigintBlock() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    SigintBlock(const SigintBlock&) = delete;
    SigintBlock& operator=(const SigintBlock&) = delete;

private:
    sigset_t m_previous;
};

} // namespace

bool CConsoleScan::CheckRoot(const std::string& root, std::string& error)
{
    // A root that is a file is fine: the walk counts it as one file, as the window does.
    const std::string walked = RootAndLinkRule::RootFromTyped(root);
    std::uint64_t size = 0;
    bool bReadable = RootAndLinkRule::RootIsFile(walked, size);
    if (!bReadable) {
        const int descriptor = RootAndLinkRule::OpenRootFolder(walked);
        bReadable = descriptor >= 0;
        if (bReadable)
            ::close(descriptor);
    }
    if (!bReadable)
        error = FormatString(IDS_CLI_CANNOT_READ, {TerminalEscape(root), std::strerror(errno)});
    return bReadable;
}

bool CConsoleScan::Run(const std::string& root, const FolderWalkOptions& options, const CInterruptFlag& interrupt,
                       CStatusLine& status)
{
    m_szError.clear();
    bool bStarted = m_job.Prepare(root);
    if (bStarted) {
        SigintBlock block;
        bStarted = m_job.Start(options);
    }
    if (!bStarted) {
        m_szError = FormatString(IDS_CLI_START_FAILED, {std::strerror(errno)});
        return false;
    }
    WaitForEnd(interrupt, status);
    m_job.Release();
    return true;
}

void CConsoleScan::WaitForEnd(const CInterruptFlag& interrupt, CStatusLine& status)
{
    using Clock = std::chrono::steady_clock;
    auto nextRefresh = Clock::now() + kRefreshInterval;
    while (!m_job.WaitDone(kPollInterval)) {
        if (interrupt.Requested())
            break;
        if (status.IsActive() && Clock::now() >= nextRefresh) {
            status.Show(StatusText());
            nextRefresh = Clock::now() + kRefreshInterval;
        }
    }
    // As the window's "Stop": ask once, then wait for the worker to finish its open listings. A
    // Ctrl+C that came as the walk ended still means the user asked for a stop, so the result
    // says the scan was stopped.
    if (interrupt.Requested())
        m_job.Stop();
    status.Clear();
}

std::string CConsoleScan::StatusText() const
{
    const ScanCounters counters = m_job.Snapshot();
    return FormatString(IDS_CLI_STATUS, {LabelledText(IDS_CLI_CONTAINS, ContainsText(counters.nFolders, counters.nFiles)),
                                         LabelledText(IDS_CLI_SIZE, SizeText(counters.nBytes))});
}
