// What a finished or stopped scan hands to its owner, whole and once: the counters, the
// per-extension records and how the walk ended. The front ends read it and never reach back
// into the scan's shared state.
#pragma once

#include "LargestFiles.h"
#include "ScanCounters.h"
#include "ScanProblem.h"
#include "WalkChoices.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct EXTINFO;

enum class ScanEnding { Finished, Stopped };

class ScanResult {
public:
    ScanResult() = default;
    // Takes ownership of the record list starting at pRecords (null: no records). largest: the
    // largest files found, in any order (sorted here); problems: the paths kept of what could
    // not be counted, in any order (sorted here).
    ScanResult(const ScanCounters& counters, EXTINFO* pRecords, ScanEnding ending,
               std::vector<LargestFile> largest = {}, std::vector<ScanProblem> problems = {});
    // The same when the caller knows how many records the list holds (nRecords), so that it is
    // not walked to count them.
    ScanResult(const ScanCounters& counters, EXTINFO* pRecords, std::size_t nRecords, ScanEnding ending,
               std::vector<LargestFile> largest, std::vector<ScanProblem> problems);
    // Frees the records: whatever read them (an ExtTable, a list view) must be gone or emptied.
    ~ScanResult();
    ScanResult(ScanResult&& other) noexcept;
    ScanResult& operator=(ScanResult&& other) noexcept;
    ScanResult(const ScanResult&) = delete;
    ScanResult& operator=(const ScanResult&) = delete;

    const ScanCounters& Counters() const { return m_counters; }
    ScanEnding Ending() const { return m_ending; }
    // The records, newest extension first; null when the scan met no extension.
    const EXTINFO* Records() const { return m_pRecords; }
    std::size_t RecordCount() const { return m_nRecords; }
    // The largest files asked for (FolderWalkOptions::largest), largest first, equal sizes by
    // path; empty when none were asked for.
    const std::vector<LargestFile>& Largest() const { return m_largest; }
    // What the scan could not count, by name: at most kMaxProblemsPerKind of each kind (the
    // counters say how many there were), by kind, then by path.
    const std::vector<ScanProblem>& Problems() const { return m_problems; }

    // When the walk began (seconds since the epoch, UTC), how long it ran (milliseconds) and
    // the walk's choices; a scan file records them. Set by the session that made the result.
    void Stamp(std::int64_t started, std::uint64_t milliseconds, WalkChoices choices);
    std::int64_t Started() const { return m_nStarted; }
    std::uint64_t Milliseconds() const { return m_nMilliseconds; }
    const WalkChoices& Choices() const { return m_choices; }

private:
    static std::size_t CountRecords(const EXTINFO* pRecords);
    void FreeRecords();

    ScanCounters m_counters;
    EXTINFO* m_pRecords = nullptr;
    std::size_t m_nRecords = 0;
    ScanEnding m_ending = ScanEnding::Finished;
    std::vector<LargestFile> m_largest;
    std::vector<ScanProblem> m_problems;
    std::int64_t m_nStarted = 0;
    std::uint64_t m_nMilliseconds = 0;
    WalkChoices m_choices;
};
