#include "ConsoleScan.h"

#include "InterruptFlag.h"
#include "ProgressText.h"
#include "Resource.h"
#include "StatusLine.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
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

std::string CConsoleScan::VerdictText(const RequestVerdict& verdict)
{
    switch (verdict.fault) {
    case RequestFault::None: return {};
    case RequestFault::RootMissing:
    case RequestFault::RootUnreadable:
        return FormatString(IDS_CLI_CANNOT_READ, {TerminalEscape(verdict.subject), std::strerror(verdict.error)});
    case RequestFault::ExcludeHasSlash: return FormatString(IDS_CLI_EXCLUDE_PATH, {TerminalEscape(verdict.subject)});
    case RequestFault::ExtensionInvalid: return FormatString(IDS_CLI_BAD_EXTENSION, {TerminalEscape(verdict.subject)});
    }
    return {};
}

bool CConsoleScan::Run(const ScanRequest& request, SizeMeasure measure, const CInterruptFlag& interrupt,
                       CStatusLine& status)
{
    m_szError.clear();
    bool bStarted = false;
    {
        SigintBlock block;
        bStarted = m_session.Start(request);
    }
    if (!bStarted) {
        m_szError = FormatString(IDS_CLI_START_FAILED, {std::strerror(errno)});
        return false;
    }
    WaitForEnd(measure, interrupt, status);
    m_session.Release();
    return true;
}

void CConsoleScan::WaitForEnd(SizeMeasure measure, const CInterruptFlag& interrupt, CStatusLine& status)
{
    using Clock = std::chrono::steady_clock;
    auto nextRefresh = Clock::now() + kRefreshInterval;
    while (!m_session.WaitDone(kPollInterval)) {
        if (interrupt.Requested())
            break;
        if (status.IsActive() && Clock::now() >= nextRefresh) {
            status.Show(ProgressText(m_session.Progress(), measure));
            nextRefresh = Clock::now() + kRefreshInterval;
        }
    }
    // As the window's "Stop": ask once, then wait for the worker to finish its open listings. A
    // Ctrl+C that came as the walk ended still means the user asked for a stop, so the result
    // says the scan was stopped.
    if (interrupt.Requested())
        m_session.Stop();
    status.Clear();
}
