// The walking threads beside the worker: started with a small stack and joined, every one, when
// the object goes, however the scope that owns it is left, so that no thread outlives the walk
// state it works on.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <vector>

class HelperThreads {
public:
    // body() runs on every thread started; body must outlive this object and throw nothing.
    // Kept by address, so that making the threads allocates nothing but their own.
    template <typename Body>
    explicit HelperThreads(const Body& body) noexcept
        : m_run([](const void* pBody) { (*static_cast<const Body*>(pBody))(); })
        , m_pBody(&body)
    {
    }
    template <typename Body>
    explicit HelperThreads(const Body&& body) = delete;   // a temporary would not outlive it
    HelperThreads(const HelperThreads&) = delete;
    HelperThreads& operator=(const HelperThreads&) = delete;
    // Joins every thread started.
    ~HelperThreads();

    // Starts up to `count` threads; fewer when one cannot be started or memory to keep track of
    // them runs out, which is no error. Returns how many run.
    std::size_t Start(std::size_t count) noexcept;

private:
    bool StartOne(pthread_t& thread) noexcept;

    void (*m_run)(const void* pBody);
    const void* m_pBody;
    std::vector<pthread_t> m_threads;
};
