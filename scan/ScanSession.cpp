#include "ScanSession.h"

#include "ScanInfo.h"
#include "ScanJob.h"

#include <algorithm>
#include <cerrno>
#include <new>

ScanSession::ScanSession()
    : m_pScan(std::make_unique<SCANINFO>())
    , m_pJob(std::make_unique<ScanJob>(*m_pScan))
{
}

ScanSession::~ScanSession() = default;

bool ScanSession::Start(const ScanRequest& request)
{
    if (m_pJob->IsRunning()) {
        errno = EBUSY;
        return false;
    }
    m_bStopRequested = false;
    try {
        m_request = request;
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return false;
    }
    m_started = std::chrono::system_clock::now();
    m_startedSteady = std::chrono::steady_clock::now();
    return m_pJob->Prepare(m_request.typedRoot) && m_pJob->Start(m_request.walk);
}

void ScanSession::RequestStop()
{
    if (!m_pJob->IsRunning())
        return;
    m_bStopRequested = true;
    m_pJob->RequestStop();
}

void ScanSession::Stop()
{
    if (!m_pJob->IsRunning())
        return;
    m_bStopRequested = true;
    m_pJob->Stop();
}

bool ScanSession::IsRunning() const
{
    return m_pJob->IsRunning();
}

bool ScanSession::IsDone() const
{
    return m_pJob->IsDone();
}

bool ScanSession::WaitDone(std::chrono::milliseconds timeout) const
{
    return m_pJob->WaitDone(timeout);
}

bool ScanSession::StopRequested() const
{
    return m_bStopRequested;
}

ScanCounters ScanSession::Progress() const
{
    return m_pJob->Snapshot();
}

std::vector<LargestFile> ScanSession::LargestSoFar() const
{
    return m_pJob->LargestSoFar();
}

void ScanSession::Release()
{
    m_pJob->Release();
}

ScanResult ScanSession::TakeResult()
{
    m_pJob->Release();   // joins the worker: waits for a walk still running
    using namespace std::chrono;
    const auto ran = duration_cast<milliseconds>(steady_clock::now() - m_startedSteady);
    ScanResult result = m_pJob->TakeResult();
    WalkChoices choices;
    try {
        choices = m_request.walk.Choices();
    } catch (const std::bad_alloc&) {
        // The patterns stay unrecorded; the counts are what matters here.
        choices = m_request.walk.Choices(false);
    }
    result.Stamp(duration_cast<seconds>(m_started.time_since_epoch()).count(),
                 static_cast<std::uint64_t>(std::max<milliseconds::rep>(ran.count(), 0)), std::move(choices));
    return result;
}
