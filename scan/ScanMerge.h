// Saved scans of several roots combined into the one result a single scan of all of them would
// give: counters summed, rows of one extension added together, the largest files of every part
// ordered as one walk orders them and cut to the count asked for, the problems named by every
// part kept up to the usual number of each kind.
#pragma once

#include "ScanResult.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

struct EXTINFO;

class ScanMerge {
public:
    ScanMerge() = default;
    ~ScanMerge();
    ScanMerge(const ScanMerge&) = delete;
    ScanMerge& operator=(const ScanMerge&) = delete;

    // Adds one part (a saved scan's result, or what another merge took). Throws std::bad_alloc.
    void Add(const ScanResult& part);
    // The combined result, keeping the `largest` largest files (0: every one the parts hold). How
    // each part ended is the caller's to say. The merge is empty afterwards.
    ScanResult Take(std::size_t largest);

private:
    ScanCounters m_counters;
    EXTINFO* m_pRecords = nullptr;   // newest first, as a walk keeps them
    std::size_t m_nRecords = 0;
    std::unordered_map<std::string, EXTINFO*> m_byExt;
    std::vector<LargestFile> m_largest;
    std::vector<ScanProblem> m_problems;
};
