// The state of one scan, shared by the window (which prepares, polls and resets it) and the worker.
#pragma once

#include "ExtIndex.h"
#include "ExtInfo.h"
#include "LargestFiles.h"
#include "ManualResetEvent.h"
#include "ScanCounters.h"
#include "ScanProblem.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The counters (nFolders, nFiles, nBytes and what they could not cover) are its ScanCounters.
struct SCANINFO : ScanCounters {
    // Guards the counters, pExtList, every EXTINFO in it and extIndex while a worker runs.
    std::mutex cs;

    // Created by the window for each scan, empty while idle. The worker keeps its own references,
    // so the window may release them as soon as it has seen hDoneEvent set.
    std::shared_ptr<ManualResetEvent> hStopEvent;
    std::shared_ptr<ManualResetEvent> hDoneEvent;

    // Written only while no worker runs; read by the worker without the lock.
    std::string szRoot;     // the root as typed ("" stands for "/")

    EXTINFO* pExtList = nullptr;  // head of the per-extension records
    ExtIndex extIndex;            // finds a record by its folded extension; beside the list, same lock

    // The largest files the walking threads have merged so far, when asked for: a heap whose
    // front ranks last (TopFiles), at most the count asked for. Same lock.
    std::vector<LargestFile> largest;
    // Once `largest` holds the count asked for: the size of its smallest entry, which a file must
    // reach to enter it. Written under the lock, read by the walking threads without it; only grows
    // during a scan.
    std::atomic<std::uint64_t> largestFloor{0};

    // The first kMaxProblemsPerKind paths of each kind the scan could not count (the counters go
    // on beyond them). Same lock. problemsKept[kind] counts them; written under the lock, read
    // by the walking threads without it, so that a path is not even made once its kind is full.
    std::vector<ScanProblem> problems;
    std::atomic<std::uint32_t> problemsKept[kProblemKinds]{};
};
