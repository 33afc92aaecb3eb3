#include "ManualResetEvent.h"

void ManualResetEvent::Set()
{
    std::lock_guard lock(m_mutex);
    m_bSet = true;
    m_condition.notify_all();
}

bool ManualResetEvent::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_bSet;
}

void ManualResetEvent::Wait() const
{
    std::unique_lock lock(m_mutex);
    m_condition.wait(lock, [this] { return m_bSet; });
}

bool ManualResetEvent::WaitFor(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_condition.wait_for(lock, timeout, [this] { return m_bSet; });
}
