// Runs the engine through a ScanJob, as the front ends do, and reads back what it counted.
#pragma once

#include "FolderWalk.h"
#include "ScanCounters.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

struct SCANINFO;
class TempTree;

// The counters, and what the records hold.
struct ScanCounts : ScanCounters {
    // Folded extension -> (count, bytes).
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> records;
    // Folded extension -> allocated bytes.
    std::map<std::string, std::uint64_t> recordDiskBytes;
    std::size_t listLength = 0;   // records in pExtList (equals records.size() unless duplicated)

    bool operator==(const ScanCounts&) const = default;
};

// The counters and records of scan, read under its lock.
ScanCounts ReadCounts(SCANINFO& scan);

// Walking threads for the engine's tests, from KESTRUM_TEST_WALK_THREADS, so that CTest runs the
// same tests with 1, 2 and 8 threads; 0 (the default count) when it is not set.
std::size_t TestWalkThreads();
// options, with TestWalkThreads() when they name no thread count.
FolderWalkOptions WithTestThreads(FolderWalkOptions options);

// Prepares a ScanJob for root and runs the walk (worker thread: the calling one) to its end, with
// options.threads walking threads or else TestWalkThreads().
ScanCounts RunScan(const std::string& root, const FolderWalkOptions& options = {});

// The record of the file named `name` (its extension folded, then found or made as the walk
// does), or null for a name without an extension or when memory ran out. The caller holds cs.
struct EXTINFO;
EXTINFO* FindExtInfo(SCANINFO* pScan, std::string_view name);

// `levels` levels of four folders below each folder, every folder with two files (f.a of 1 byte,
// g.b of 2). False when the tree could not be made.
bool MakeWideTree(const TempTree& tree, int levels);

// Text form of counts, for passing them out of a child process.
std::string CountsToText(const ScanCounts& counts);
