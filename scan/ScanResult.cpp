#include "ScanResult.h"

#include "ExtInfo.h"
#include "TopFiles.h"

#include <algorithm>
#include <utility>

ScanResult::ScanResult(const ScanCounters& counters, EXTINFO* pRecords, ScanEnding ending,
                       std::vector<LargestFile> largest, std::vector<ScanProblem> problems)
    : ScanResult(counters, pRecords, CountRecords(pRecords), ending, std::move(largest), std::move(problems))
{
}

ScanResult::ScanResult(const ScanCounters& counters, EXTINFO* pRecords, std::size_t nRecords, ScanEnding ending,
                       std::vector<LargestFile> largest, std::vector<ScanProblem> problems)
    : m_counters(counters), m_pRecords(pRecords), m_nRecords(nRecords), m_ending(ending),
      m_largest(std::move(largest)), m_problems(std::move(problems))
{
    TopFiles::SortLargestFirst(m_largest);
    std::sort(m_problems.begin(), m_problems.end(), ProblemRanksBefore);
}

std::size_t ScanResult::CountRecords(const EXTINFO* pRecords)
{
    std::size_t count = 0;
    for (const EXTINFO* record = pRecords; record; record = record->pNext)
        ++count;
    return count;
}

ScanResult::~ScanResult()
{
    FreeRecords();
}

ScanResult::ScanResult(ScanResult&& other) noexcept
    : m_counters(other.m_counters),
      m_pRecords(std::exchange(other.m_pRecords, nullptr)),
      m_nRecords(std::exchange(other.m_nRecords, 0)),
      m_ending(other.m_ending),
      m_largest(std::move(other.m_largest)),
      m_problems(std::move(other.m_problems)),
      m_nStarted(other.m_nStarted),
      m_nMilliseconds(other.m_nMilliseconds),
      m_choices(std::move(other.m_choices))
{
}

ScanResult& ScanResult::operator=(ScanResult&& other) noexcept
{
    if (this != &other) {
        FreeRecords();
        m_counters = other.m_counters;
        m_pRecords = std::exchange(other.m_pRecords, nullptr);
        m_nRecords = std::exchange(other.m_nRecords, 0);
        m_ending = other.m_ending;
        m_largest = std::move(other.m_largest);
        m_problems = std::move(other.m_problems);
        m_nStarted = other.m_nStarted;
        m_nMilliseconds = other.m_nMilliseconds;
        m_choices = std::move(other.m_choices);
    }
    return *this;
}

void ScanResult::FreeRecords()
{
    FreeExtRecords(m_pRecords);
    m_pRecords = nullptr;
    m_nRecords = 0;
}

void ScanResult::Stamp(std::int64_t started, std::uint64_t milliseconds, WalkChoices choices)
{
    m_nStarted = started;
    m_nMilliseconds = milliseconds;
    m_choices = std::move(choices);
}
