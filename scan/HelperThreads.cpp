#include "HelperThreads.h"

#include <new>

namespace {

// A helper's stack: the walk keeps its folders on the heap. The sanitizers' instrumented frames
// need more.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kHelperStackBytes = 4 * 1024 * 1024;
#else
constexpr std::size_t kHelperStackBytes = 256 * 1024;
#endif

} // namespace

HelperThreads::~HelperThreads()
{
    for (const pthread_t thread : m_threads)
        pthread_join(thread, nullptr);
}

std::size_t HelperThreads::Start(std::size_t count) noexcept
{
    try {
        m_threads.reserve(m_threads.size() + count);
    } catch (const std::bad_alloc&) {
        return m_threads.size();   // without room to keep track of helpers, none more start
    }
    for (std::size_t started = 0; started < count; ++started) {
        pthread_t thread {};
        if (!StartOne(thread))
            break;
        m_threads.push_back(thread);   // capacity reserved: cannot throw
    }
    return m_threads.size();
}

// The walk is not recursive, so a helper needs little stack; a small one leaves address space
// (what a memory limit counts) for the walk itself.
bool HelperThreads::StartOne(pthread_t& thread) noexcept
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    pthread_attr_setstacksize(&attributes, kHelperStackBytes);
    const auto run = [](void* pThis) -> void* {
        const auto* pHelpers = static_cast<const HelperThreads*>(pThis);
        pHelpers->m_run(pHelpers->m_pBody);
        return nullptr;
    };
    const bool bStarted = pthread_create(&thread, &attributes, run, this) == 0;
    pthread_attr_destroy(&attributes);
    return bStarted;
}
