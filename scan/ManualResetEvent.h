// A manual-reset event: once set it stays set, so a zero-timeout test sees it as often as asked.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class ManualResetEvent {
public:
    ManualResetEvent() = default;
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void Set();
    // The zero-timeout test: true when the event is set; never blocks beyond the internal lock.
    bool IsSet() const;
    // Blocks until the event is set.
    void Wait() const;
    // Blocks until the event is set or the timeout runs out; true when it is set.
    bool WaitFor(std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_condition;
    bool m_bSet = false;
};
