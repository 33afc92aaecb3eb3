// The life of one scan, in one place for the window, the command-line tool and the tests:
// prepare the shared state from the root as typed, start the worker, read its counters, ask it to
// stop, wait for it and release it. Used from one thread (the owner's); the worker touches only
// the SCANINFO.
#pragma once

#include "FolderWalk.h"
#include "ScanCounters.h"
#include "ScanResult.h"

#include <chrono>
#include <string_view>
#include <thread>
#include <vector>

struct SCANINFO;

class ScanJob {
public:
    // scan (owned by the caller, which outlives the job) is the state the worker counts into.
    explicit ScanJob(SCANINFO& scan);
    // A job still running is stopped and waited for: the worker never outlives the state.
    // Records left in the state (no TakeResult since the last walk) are freed.
    ~ScanJob();
    ScanJob(const ScanJob&) = delete;
    ScanJob& operator=(const ScanJob&) = delete;

    // Only while idle: releases the last scan's records, zeroes the counters, takes the root from
    // the text as typed (RootAndLinkRule) and creates both events, unset. False (errno ENOMEM)
    // when memory ran out.
    bool Prepare(std::string_view typedRoot);
    // Starts the worker on the prepared state. False when no thread could be made (errno says
    // why); the job is then idle again and the counters stay zero.
    bool Start(FolderWalkOptions options = {});
    // Runs the walk on the calling thread instead, to its end (for tests that need no worker).
    void RunHere(const FolderWalkOptions& options = {});

    // True from Start until Release.
    bool IsRunning() const { return m_worker.joinable(); }
    // The zero-timeout test of the done event: true once the walk has ended.
    bool IsDone() const;
    // Blocks until the walk ends or timeout passes; true when it has ended.
    bool WaitDone(std::chrono::milliseconds timeout) const;
    // The counters under the scan's lock, so the six values belong together.
    ScanCounters Snapshot() const;
    // The same for any scan, e.g. one whose walk ran elsewhere. Takes the scan's lock.
    static ScanCounters SnapshotOf(SCANINFO& scan);
    // The largest files found so far (FolderWalkOptions::largest), copied under the scan's lock:
    // largest first, equal sizes by path. Grows while the walk runs; empty when none were asked
    // for. Throws std::bad_alloc.
    std::vector<LargestFile> LargestSoFar() const;
    // Asks the walk to stop (it finishes the listings it has open) and waits for its end.
    void Stop();
    // Asks the walk to stop and returns at once.
    void RequestStop();
    // Once the walk has ended (or was never started): joins the worker and drops the events.
    // The counters and records stay until the next Prepare.
    void Release();
    // After Release: the last scan's counters, its records and largest files (moved out of the
    // shared state, which keeps its counters but neither of those) and whether it was asked to
    // stop. A second call hands over no records and no files.
    ScanResult TakeResult();

private:
    SCANINFO& m_scan;
    std::thread m_worker;
    bool m_bStopped = false;   // the last scan's stop request was set when it was released
};
