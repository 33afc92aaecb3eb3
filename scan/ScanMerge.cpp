#include "ScanMerge.h"

#include "ExtInfo.h"
#include "TopFiles.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

ScanMerge::~ScanMerge()
{
    FreeExtRecords(m_pRecords);
}

void ScanMerge::Add(const ScanResult& result)
{
    m_counters += result.Counters();
    for (const EXTINFO* row = result.Records(); row; row = row->pNext) {
        EXTINFO*& merged = m_byExt[row->szExt];
        if (!merged) {
            auto record = std::make_unique<EXTINFO>();
            record->szExt = row->szExt;
            record->pNext = m_pRecords;
            merged = m_pRecords = record.release();
            ++m_nRecords;
        }
        merged->nCount += row->nCount;
        AddSaturating(merged->nBytes, row->nBytes);
        AddSaturating(merged->nDiskBytes, row->nDiskBytes);
    }
    // The parts' lists are each whole up to their own count, so the largest of all lie in them.
    m_largest.insert(m_largest.end(), result.Largest().begin(), result.Largest().end());
    m_problems.insert(m_problems.end(), result.Problems().begin(), result.Problems().end());
}

ScanResult ScanMerge::Take(std::size_t largest)
{
    TopFiles::SortLargestFirst(m_largest);
    if (largest > 0 && m_largest.size() > largest)
        m_largest.resize(largest);
    // As a walk keeps them: the first few of each kind in path order, the counts going on beyond.
    std::sort(m_problems.begin(), m_problems.end(), ProblemRanksBefore);
    std::vector<ScanProblem> kept;
    std::size_t perKind[kProblemKinds] = {};
    for (ScanProblem& problem : m_problems)
        if (perKind[static_cast<std::size_t>(problem.kind)]++ < kMaxProblemsPerKind)
            kept.push_back(std::move(problem));
    m_byExt.clear();
    ScanResult result(m_counters, std::exchange(m_pRecords, nullptr), std::exchange(m_nRecords, 0),
                      ScanEnding::Finished, std::move(m_largest),
                      std::move(kept));
    m_counters = {};
    m_largest.clear();
    m_problems.clear();
    return result;
}
