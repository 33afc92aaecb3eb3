#include "ScanResult.h"

#include "ExtInfo.h"
#include "TopFiles.h"

#include <algorithm>
#include <utility>

ScanResult::ScanResult(const ScanCounters& counters, EXTINFO* pRecords, ScanEnding ending,
                       std::vector<LargestFile> largest, std::vector<ScanProblem> problems)
    : m_counters(counters), m_pRecords(pRecords), m_ending(ending), m_largest(std::move(largest)),
      m_problems(std::move(problems))
{
    TopFiles::SortLargestFirst(m_largest);
    std::sort(m_problems.begin(), m_problems.end(), ProblemRanksBefore);
    for (const EXTINFO* record = pRecords; record; record = record->pNext)
        ++m_nRecords;
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
      m_problems(std::move(other.m_problems))
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
    }
    return *this;
}

void ScanResult::FreeRecords()
{
    FreeExtRecords(m_pRecords);
    m_pRecords = nullptr;
    m_nRecords = 0;
}
