// A consistent copy of a scan's counters, taken under the scan's lock.
#pragma once

#include <cstdint>

struct ScanCounters {
    std::uint64_t nFolders = 0;
    std::uint64_t nFiles = 0;
    std::uint64_t nBytes = 0;
    std::uint64_t nNotListed = 0;
    std::uint64_t nNotEntered = 0;
    std::uint64_t nVanished = 0;
    std::uint64_t nNotExamined = 0;
    std::uint64_t nNotInRows = 0;
    std::uint64_t nNoExtFiles = 0;   // files without an extension among nFiles
    std::uint64_t nNoExtBytes = 0;   // and their sizes

    // True when nothing was left out: every folder listed, every mount entered, every entry
    // examined, every file with an extension given its row.
    bool IsComplete() const
    {
        return nNotListed == 0 && nNotEntered == 0 && nVanished == 0 && nNotExamined == 0 && nNotInRows == 0;
    }
    bool operator==(const ScanCounters&) const = default;
};
