// The walk behind ScanThreadProc: one FolderWalk on the worker thread and, when more threads are
// wanted, more on threads of their own, all sharing one WalkQueue. The worker returns from Run
// only when every walking thread has finished and added all it counted.
#pragma once

#include "FolderWalk.h"

#include <cstddef>
#include <memory>

class HardLinkSet;
class WalkQueue;
struct WalkRules;
class ManualResetEvent;
struct SCANINFO;

class WalkPool {
public:
    // options are read, never copied: they must outlive the object.
    WalkPool(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, const FolderWalkOptions& options);

    // Walks folder ("" stands for "/") with options.threads threads, fewer when descriptors are
    // short (at least one) or when a thread cannot be started, which is no error. Throws nothing.
    void Run(const char* folder);

    // Walking threads when none are asked for: twice the cores, at least 4. On a cold disk more
    // threads than cores keep the disk busy; on a warm cache the extra ones cost next to nothing.
    // (Measured on 2 cores: 4 threads walk as fast as 8 or 16 warm and cold, 2 a little slower.)
    static std::size_t DefaultThreads();
    // Most walking threads there can be, whatever is asked.
    static constexpr std::size_t kMaxThreads = 64;

private:
    // Free descriptors; without /proc counted only up to `wanted`.
    static std::size_t FreeDescriptors(std::size_t wanted);
    static std::size_t ProbeFreeDescriptors(std::size_t wanted);
    static std::unique_ptr<HardLinkSet> MakeLinkSet();
    // The walk with a queue: the worker and threads - 1 helpers, all ended when it returns.
    void WalkTogether(const char* folder, std::size_t threads, std::size_t freeDescriptors,
                      const WalkRules& rules, WalkQueue& queue);

    SCANINFO& m_scan;
    std::shared_ptr<ManualResetEvent> m_stopEvent;
    const FolderWalkOptions& m_options;
};
