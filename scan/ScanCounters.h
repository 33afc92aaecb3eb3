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

    // True when nothing was left out: every folder listed, every mount entered, every entry examined.
    bool IsComplete() const { return nNotListed == 0 && nNotEntered == 0 && nVanished == 0; }
    bool operator==(const ScanCounters&) const = default;
};
