#include "InterruptFlag.h"

#include <atomic>

namespace {

// Written only by the handler; a lock-free atomic is safe to store from a signal handler.
std::atomic<bool> g_bInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

} // namespace

CInterruptFlag::CInterruptFlag()
{
    g_bInterrupted.store(false);
    struct sigaction action {};
    action.sa_handler = &CInterruptFlag::OnSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: a second Ctrl+C while the walk winds down ends the program the usual way.
    // SA_RESTART: a system call of this thread is resumed, not failed with EINTR.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    if (sigaction(SIGINT, nullptr, &m_previous) != 0)
        return;
    // Started with SIGINT ignored (a background job of a script): stay deaf to it, as the shell meant.
    if (!(m_previous.sa_flags & SA_SIGINFO) && m_previous.sa_handler == SIG_IGN)
        return;
    m_bInstalled = sigaction(SIGINT, &action, nullptr) == 0;
}

CInterruptFlag::~CInterruptFlag()
{
    Release();
}

bool CInterruptFlag::Requested() const
{
    return g_bInterrupted.load();
}

void CInterruptFlag::Release()
{
    if (m_bInstalled)
        sigaction(SIGINT, &m_previous, nullptr);
    m_bInstalled = false;
}

void CInterruptFlag::OnSignal(int)
{
    g_bInterrupted.store(true);
}
