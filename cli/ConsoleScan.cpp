#include "ConsoleScan.h"

#include "CountsText.h"
#include "LabelledText.h"
#include "InterruptFlag.h"
#include "Resource.h"
#include "ScanThread.h"
#include "StatusLine.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

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

CConsoleScan::~CConsoleScan()
{
    FreeExtList(&m_scan);
}

bool CConsoleScan::CheckRoot(const std::string& root, std::string& error)
{
    // A root that is a file is fine: the walk counts it as one file, as the window does.
    struct stat status {};
    bool bReadable = ::stat(root.c_str(), &status) == 0;
    if (bReadable && S_ISDIR(status.st_mode)) {
        const int descriptor = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        bReadable = descriptor >= 0;
        if (bReadable)
            ::close(descriptor);
    }
    if (!bReadable)
        error = FormatString(IDS_CLI_CANNOT_READ, {TerminalEscape(root), std::strerror(errno)});
    return bReadable;
}

bool CConsoleScan::Run(const std::string& root, const CInterruptFlag& interrupt, CStatusLine& status)
{
    Prepare(root);
    std::thread worker;
    try {
        SigintBlock block;
        worker = std::thread([this] { ScanThreadProc(&m_scan); });
    } catch (const std::system_error& error) {
        m_szError = FormatString(IDS_CLI_START_FAILED, {error.what()});
        m_scan.hStopEvent.reset();
        m_scan.hDoneEvent.reset();
        return false;
    }
    WaitForEnd(interrupt, status);
    worker.join();
    m_scan.hStopEvent.reset();
    m_scan.hDoneEvent.reset();
    return true;
}

void CConsoleScan::Prepare(const std::string& root)
{
    FreeExtList(&m_scan);
    m_scan.nFolders = 0;
    m_scan.nFiles = 0;
    m_scan.nBytes = 0;
    // One trailing "/" goes, as in the window: "/" becomes "", which the walk reads as "/".
    m_scan.szRoot = root;
    if (!m_scan.szRoot.empty() && m_scan.szRoot.back() == '/')
        m_scan.szRoot.pop_back();
    m_scan.szPattern = "*.*";
    m_scan.hStopEvent = std::make_shared<ManualResetEvent>();
    m_scan.hDoneEvent = std::make_shared<ManualResetEvent>();
    m_bInterrupted = false;
    m_szError.clear();
}

void CConsoleScan::WaitForEnd(const CInterruptFlag& interrupt, CStatusLine& status)
{
    using Clock = std::chrono::steady_clock;
    auto nextRefresh = Clock::now() + kRefreshInterval;
    while (!m_scan.hDoneEvent->WaitFor(kPollInterval)) {
        if (interrupt.Requested()) {
            // As the window's "Stop": ask once, then wait for the worker to finish its open listings.
            m_bInterrupted = true;
            m_scan.hStopEvent->Set();
            m_scan.hDoneEvent->Wait();
            break;
        }
        if (status.IsActive() && Clock::now() >= nextRefresh) {
            status.Show(StatusText());
            nextRefresh = Clock::now() + kRefreshInterval;
        }
    }
    // Ctrl+C that came as the walk ended still means the user asked for a stop.
    m_bInterrupted = m_bInterrupted || interrupt.Requested();
    status.Clear();
}

std::string CConsoleScan::StatusText()
{
    std::uint64_t nFolders = 0, nFiles = 0, nBytes = 0;
    {
        std::lock_guard lock(m_scan.cs);
        nFolders = m_scan.nFolders;
        nFiles = m_scan.nFiles;
        nBytes = m_scan.nBytes;
    }
    return FormatString(IDS_CLI_STATUS, {LabelledText(IDS_CLI_CONTAINS, ContainsText(nFolders, nFiles)),
                                         LabelledText(IDS_CLI_SIZE, SizeText(nBytes))});
}
