#include "ScanJob.h"

#include "ExtInfo.h"
#include "RootAndLinkRule.h"
#include "ScanInfo.h"
#include "ScanThread.h"
#include "TopFiles.h"

#include <cerrno>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>

ScanJob::ScanJob(SCANINFO& scan)
    : m_scan(scan)
{
}

ScanJob::~ScanJob()
{
    Stop();
    Release();
    // Records no owner took go with the job, so no front end has to free them.
    FreeExtList(&m_scan);
}

bool ScanJob::Prepare(std::string_view typedRoot)
{
    FreeExtList(&m_scan);
    m_bStopped = false;
    static_cast<ScanCounters&>(m_scan) = ScanCounters{};
    std::vector<LargestFile>().swap(m_scan.largest);
    m_scan.largestFloor.store(0, std::memory_order_relaxed);
    std::vector<ScanProblem>().swap(m_scan.problems);
    for (auto& kept : m_scan.problemsKept)
        kept.store(0, std::memory_order_relaxed);
    try {
        m_scan.szRoot = RootAndLinkRule::RootFromTyped(typedRoot);
        m_scan.hStopEvent = std::make_shared<ManualResetEvent>();
        m_scan.hDoneEvent = std::make_shared<ManualResetEvent>();
    } catch (const std::bad_alloc&) {
        m_scan.hStopEvent.reset();
        m_scan.hDoneEvent.reset();
        errno = ENOMEM;
        return false;
    }
    return true;
}

bool ScanJob::Start(FolderWalkOptions options)
{
    if (IsRunning() || !m_scan.hDoneEvent)
        return false;
    try {
        m_worker = std::thread([pScan = &m_scan, options = std::move(options)] { ScanThreadProc(pScan, options); });
    } catch (const std::system_error& error) {   // no thread can be made
        Release();
        errno = error.code().value();
        return false;
    } catch (const std::bad_alloc&) {
        Release();
        errno = ENOMEM;
        return false;
    }
    return true;
}

void ScanJob::RunHere(const FolderWalkOptions& options)
{
    if (!IsRunning() && m_scan.hDoneEvent)
        ScanThreadProc(&m_scan, options);
}

bool ScanJob::IsDone() const
{
    return m_scan.hDoneEvent && m_scan.hDoneEvent->IsSet();
}

bool ScanJob::WaitDone(std::chrono::milliseconds timeout) const
{
    return m_scan.hDoneEvent && m_scan.hDoneEvent->WaitFor(timeout);
}

ScanCounters ScanJob::Snapshot() const
{
    return SnapshotOf(m_scan);
}

ScanCounters ScanJob::SnapshotOf(SCANINFO& scan)
{
    std::lock_guard lock(scan.cs);
    return static_cast<const ScanCounters&>(scan);
}

std::vector<LargestFile> ScanJob::LargestSoFar() const
{
    std::vector<LargestFile> files;
    {
        std::lock_guard lock(m_scan.cs);
        files = m_scan.largest;
    }
    TopFiles::SortLargestFirst(files);
    return files;
}

void ScanJob::Stop()
{
    if (!IsRunning())
        return;
    m_scan.hStopEvent->Set();
    m_scan.hDoneEvent->Wait();
}

void ScanJob::RequestStop()
{
    if (IsRunning())
        m_scan.hStopEvent->Set();
}

void ScanJob::Release()
{
    // The worker has set hDoneEvent (or never started), so the join returns at once.
    if (m_worker.joinable())
        m_worker.join();
    m_bStopped = m_bStopped || (m_scan.hStopEvent && m_scan.hStopEvent->IsSet());
    m_scan.hStopEvent.reset();
    m_scan.hDoneEvent.reset();
}

ScanResult ScanJob::TakeResult()
{
    const ScanCounters counters = Snapshot();
    EXTINFO* pRecords = nullptr;
    std::vector<LargestFile> largest;
    std::vector<ScanProblem> problems;
    {
        std::lock_guard lock(m_scan.cs);
        m_scan.extIndex.Clear();
        pRecords = std::exchange(m_scan.pExtList, nullptr);
        largest.swap(m_scan.largest);
        problems.swap(m_scan.problems);
    }
    return ScanResult(counters, pRecords, m_bStopped ? ScanEnding::Stopped : ScanEnding::Finished,
                      std::move(largest), std::move(problems));
}
