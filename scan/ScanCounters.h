// A scan's counters: kept in its SCANINFO (under the scan's lock), gathered by each walking
// thread between flushes, and copied out whole as a consistent snapshot.
#pragma once

#include <cstdint>
#include <limits>

// Byte sums stop at the largest value they hold instead of wrapping past 2^64 (sparse files can
// claim exabytes each): a sum that reached it is read as "at least" that many (BytesSaturated).
constexpr std::uint64_t kSaturatedBytes = std::numeric_limits<std::uint64_t>::max();
inline void AddSaturating(std::uint64_t& sum, std::uint64_t more)
{
    sum = more > kSaturatedBytes - sum ? kSaturatedBytes : sum + more;
}
inline bool BytesSaturated(std::uint64_t sum)
{
    return sum == kSaturatedBytes;
}

struct ScanCounters {
    std::uint64_t nFolders = 0;  // subfolders below the root (the root itself is not counted)
    std::uint64_t nFiles = 0;    // files below the root, or 1 when the root is itself a file
    std::uint64_t nBytes = 0;    // apparent sizes of every counted entry, folders included
    std::uint64_t nDiskBytes = 0; // the same entries' allocated sizes (st_blocks x 512)

    // What the counters above could not cover, so that a partial count is never a silent one.
    std::uint64_t nNotListed = 0;   // folders counted but not (fully) listed: no access, no
                                    // descriptor or memory left, gone or moved away meanwhile
    std::uint64_t nNotEntered = 0;  // pseudo-filesystem mounts counted as a folder, not entered
    std::uint64_t nVanished = 0;    // entries listed but gone before they could be examined
    std::uint64_t nNotExamined = 0; // files listed but not examined (a folder that may be read but
                                    // not searched): counted, their sizes missing
    std::uint64_t nNotInRows = 0;   // files with an extension counted but kept in no record, for
                                    // want of memory
    std::uint64_t nNotInLargest = 0; // files that may belong among the largest files asked for but
                                     // could not be kept in that list, for want of memory
    std::uint64_t nLinksUnchecked = 0; // files with several links counted without being checked
                                       // against the others (links once): perhaps counted twice
    // A walk of a list of names (FolderWalkOptions::pNames): names that could not be examined
    // (not found, or no access), names of an entry named before (counted once) and empty names.
    std::uint64_t nNotFound = 0;
    std::uint64_t nRepeated = 0;
    std::uint64_t nEmptyNames = 0;

    // The files without an extension among nFiles, and their sizes: they belong to no record.
    std::uint64_t nNoExtFiles = 0;
    std::uint64_t nNoExtBytes = 0;
    std::uint64_t nNoExtDiskBytes = 0;

    // Entries left out on purpose, by an exclusion pattern (a folder counts once, with nothing
    // below it looked at). Asked for, so no part of a complete count.
    std::uint64_t nExcluded = 0;

    // True when nothing was left out: every folder listed, every mount entered, every entry
    // examined, every file with an extension given its row.
    bool IsComplete() const
    {
        return nNotListed == 0 && nNotEntered == 0 && nVanished == 0 && nNotExamined == 0 && nNotInRows == 0 &&
               nNotInLargest == 0 && nLinksUnchecked == 0 && nNotFound == 0 && nRepeated == 0 && nEmptyNames == 0;
    }
    // Adds every counter of `more`, as a walking thread's flush does; byte sums saturate.
    ScanCounters& operator+=(const ScanCounters& more)
    {
        nFolders += more.nFolders;
        nFiles += more.nFiles;
        AddSaturating(nBytes, more.nBytes);
        AddSaturating(nDiskBytes, more.nDiskBytes);
        nNotListed += more.nNotListed;
        nNotEntered += more.nNotEntered;
        nVanished += more.nVanished;
        nNotExamined += more.nNotExamined;
        nNotInRows += more.nNotInRows;
        nNotInLargest += more.nNotInLargest;
        nLinksUnchecked += more.nLinksUnchecked;
        nNotFound += more.nNotFound;
        nRepeated += more.nRepeated;
        nEmptyNames += more.nEmptyNames;
        nNoExtFiles += more.nNoExtFiles;
        AddSaturating(nNoExtBytes, more.nNoExtBytes);
        AddSaturating(nNoExtDiskBytes, more.nNoExtDiskBytes);
        nExcluded += more.nExcluded;
        return *this;
    }
    bool operator==(const ScanCounters&) const = default;
};
