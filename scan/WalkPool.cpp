#include "WalkPool.h"

#include "HardLinkSet.h"
#include "HelperThreads.h"
#include "PseudoMountRule.h"
#include "WalkQueue.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace {

// Descriptors a walking thread should have to itself: a few open listings, the root of its part
// of the tree kept open, and one handed over.
constexpr std::size_t kDescriptorsPerThread = 8;

} // namespace

WalkPool::WalkPool(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, const FolderWalkOptions& options)
    : m_scan(scan)
    , m_stopEvent(std::move(stopEvent))
    , m_options(options)
{
}

std::size_t WalkPool::DefaultThreads()
{
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp<std::size_t>(2 * cores, 4, kMaxThreads);
}

// Descriptor numbers still free below this process's limit; the largest value when unknown.
std::size_t WalkPool::FreeDescriptors(std::size_t wanted)
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<std::size_t>::max();
    DIR* listing = opendir("/proc/self/fd");
    if (!listing)
        return ProbeFreeDescriptors(wanted);
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

// Without /proc (a container, a chroot) the free descriptors are counted by taking them: up to
// `wanted` more are duplicated, then all are closed again.
std::size_t WalkPool::ProbeFreeDescriptors(std::size_t wanted)
{
    std::vector<int> taken;
    try {
        taken.reserve(wanted);
    } catch (const std::bad_alloc&) {
        return 0;   // one thread needs no count
    }
    int fd = open("/", O_PATH | O_CLOEXEC);
    while (fd >= 0) {
        taken.push_back(fd);   // capacity reserved: cannot throw
        if (taken.size() >= wanted)
            break;
        fd = fcntl(taken.front(), F_DUPFD_CLOEXEC, 0);
    }
    for (const int each : taken)
        close(each);
    return taken.size();
}

// The set is a few kilobytes before it holds anything; without it every link counts with its own
// row and is reported as not checked, as when memory runs short for one file later.
std::unique_ptr<HardLinkSet> WalkPool::MakeLinkSet()
{
    try {
        return std::make_unique<HardLinkSet>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void WalkPool::Run(const char* folder)
{
    std::size_t threads = m_options.threads ? m_options.threads : DefaultThreads();
    threads = std::min(threads, kMaxThreads);
    // Enough to give each thread its share and every listing it may hold open.
    const std::size_t wanted = threads * kDescriptorsPerThread + m_options.maxOpenListings + 2 * threads;
    const std::size_t freeDescriptors = threads > 1 ? FreeDescriptors(wanted) : 0;
    threads = std::max<std::size_t>(1, std::min(threads, freeDescriptors / kDescriptorsPerThread));
    // Read once per scan and shared, read only, by every walking thread.
    const PseudoMountRule mountRule = PseudoMountRule::ForThisProcess();
    const std::unique_ptr<HardLinkSet> links = m_options.linksOnce ? MakeLinkSet() : nullptr;
    const WalkRules rules{mountRule, ExclusionRule(m_options.excludePatterns), links.get()};
    // Without memory for the queue the worker walks alone: nothing is counted yet, and a scan
    // that counted nothing would pass for one of an empty folder.
    std::optional<WalkQueue> queue;
    if (threads > 1) {
        try {
            queue.emplace(threads);
        } catch (const std::bad_alloc&) {
        }
    }
    if (!queue) {
        FolderWalk(m_scan, m_stopEvent, m_options, m_options.maxOpenListings, rules).Run(folder);
    } else {
        WalkTogether(folder, threads, freeDescriptors, rules, *queue);
    }
    // Every walking thread has ended: the files with several links get their rows.
    if (links)
        links->SettleRows(m_scan);
}

void WalkPool::WalkTogether(const char* folder, std::size_t threads, std::size_t freeDescriptors,
                            const WalkRules& rules, WalkQueue& queue)
{
    // The listings held open are shared out, as are the descriptors: each thread also keeps the
    // first folder of its part open and may have one handed over pending.
    const std::size_t maxOpenListings = std::max<std::size_t>(
        1, std::min(m_options.maxOpenListings / threads, freeDescriptors / threads - 2));
    const auto walkHandedOver = [&] {
        FolderWalk(m_scan, m_stopEvent, m_options, maxOpenListings, rules, &queue).RunHandedOver(folder);
    };
    // Declared after all they use: the helpers are joined before any of it goes. A thread that
    // cannot be started is no error: the walk goes on with those it has.
    HelperThreads helpers(walkHandedOver);
    helpers.Start(threads - 1);
    // Neither making nor running the worker's walk throws, so the worker always takes its part in
    // ending the queue (see WalkQueue), which the helpers wait for.
    FolderWalk(m_scan, m_stopEvent, m_options, maxOpenListings, rules, &queue).Run(folder);
}
