// One scan as a front end drives it: the window, the Largest files window and kestrum-scan each
// hold one. It owns the state the worker shares (SCANINFO, its events and records) privately, so
// no front end touches it; the owner polls Progress() on its own timer and takes the result
// whole once the walk has ended. Used from one thread, the owner's.
#pragma once

#include "LargestFiles.h"
#include "ScanCounters.h"
#include "ScanRequest.h"
#include "ScanResult.h"

#include <chrono>
#include <memory>
#include <vector>

struct SCANINFO;
class ScanJob;

class ScanSession {
public:
    ScanSession();
    // A scan still running is stopped and waited for.
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Only while no walk runs (else false, errno EBUSY): drops the last scan's result, then
    // starts a worker on request (kept, see Request()). The request is not validated here
    // (ValidateRequest is the front end's first step). False, with errno, when memory or a
    // thread could not be had; the session is then idle and Progress() zero.
    bool Start(const ScanRequest& request);
    // Asks the walk to stop (it finishes the listings it has open) and returns at once.
    void RequestStop();
    // Asks the walk to stop and waits for its end.
    void Stop();

    // True from Start until the result is taken (or Release).
    bool IsRunning() const;
    // True once the walk has ended (the zero-timeout test of its end).
    bool IsDone() const;
    // Blocks until the walk ends or timeout passes; true when it has ended.
    bool WaitDone(std::chrono::milliseconds timeout) const;
    // True once a stop has been asked for the walk running (or the last one, until the next Start).
    bool StopRequested() const;

    // The counters so far, read together under the scan's lock.
    ScanCounters Progress() const;
    // The largest files found so far, largest first (empty when none were asked for). Throws
    // std::bad_alloc.
    std::vector<LargestFile> LargestSoFar() const;

    // Joins the worker (waiting for a walk still running to end) and drops its events. What it
    // counted stays for TakeResult.
    void Release();
    // The last scan's result, whole: counters, records, largest files and the problems met.
    // Waits for a walk still running to end first (without asking it to stop). A second call
    // hands over no records, files or problems.
    ScanResult TakeResult();

    // The request of the last Start.
    const ScanRequest& Request() const { return m_request; }

private:
    std::unique_ptr<SCANINFO> m_pScan;
    std::unique_ptr<ScanJob> m_pJob;   // after m_pScan: destroyed first, it stops its worker
    ScanRequest m_request;
    bool m_bStopRequested = false;
    // When the last Start began the walk, on the wall clock (for the scan file) and the steady
    // one (for how long it ran).
    std::chrono::system_clock::time_point m_started;
    std::chrono::steady_clock::time_point m_startedSteady;
};
