#include "WalkPool.h"

#include "WalkQueue.h"

#include <dirent.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

namespace {

// Descriptors a walking thread should have to itself: a few open listings, the root of its part
// of the tree kept open, and one handed over.
constexpr std::size_t kDescriptorsPerThread = 8;

} // namespace

WalkPool::WalkPool(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, FolderWalkOptions options)
    : m_scan(scan)
    , m_stopEvent(std::move(stopEvent))
    , m_options(std::move(options))
{
}

std::size_t WalkPool::DefaultThreads()
{
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp<std::size_t>(2 * cores, 4, kMaxThreads);
}

// Descriptor numbers still free below this process's limit; the largest value when unknown.
std::size_t WalkPool::FreeDescriptors()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<std::size_t>::max();
    DIR* listing = opendir("/proc/self/fd");
    if (!listing)
        return std::numeric_limits<std::size_t>::max();
    std::size_t used = 0;
    while (const dirent* entry = readdir(listing)) {
        if (entry->d_name[0] != '.' && std::strtoul(entry->d_name, nullptr, 10) < limit.rlim_cur)
            ++used;
    }
    closedir(listing);
    // The listing's own descriptor was among them.
    used = used > 0 ? used - 1 : 0;
    return limit.rlim_cur > used ? static_cast<std::size_t>(limit.rlim_cur - used) : 0;
}

void WalkPool::Run(const char* folder)
{
    std::size_t threads = m_options.threads ? m_options.threads : DefaultThreads();
    threads = std::min(threads, kMaxThreads);
    const std::size_t freeDescriptors = threads > 1 ? FreeDescriptors() : 0;
    threads = std::max<std::size_t>(1, std::min(threads, freeDescriptors / kDescriptorsPerThread));
    if (threads == 1) {
        FolderWalk(m_scan, m_stopEvent, m_options).Run(folder);
        return;
    }

    // The listings held open are shared out, as are the descriptors: each thread also keeps the
    // first folder of its part open and may have one handed over pending.
    FolderWalkOptions each = m_options;
    each.maxOpenListings = std::max<std::size_t>(
        1, std::min(m_options.maxOpenListings / threads, freeDescriptors / threads - 2));
    WalkQueue queue(threads);
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(threads - 1);
        for (std::size_t i = 1; i < threads; ++i) {
            helpers.emplace_back([&] {
                try {
                    FolderWalk(m_scan, m_stopEvent, each, &queue).RunHandedOver(folder);
                } catch (...) {
                    // A walk that could not be made takes no work; the others do it.
                }
            });
        }
    } catch (...) {
        // A thread that cannot be started is no error: the walk goes on with those it has.
    }
    FolderWalk(m_scan, m_stopEvent, each, &queue).Run(folder);
    for (std::thread& helper : helpers)
        helper.join();
}
