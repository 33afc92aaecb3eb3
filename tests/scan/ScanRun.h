// Runs the engine the way the window does and reads back what it counted.
#pragma once

#include "FolderWalk.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

struct SCANINFO;

struct ScanCounts {
    std::uint64_t nFolders = 0;
    std::uint64_t nFiles = 0;
    std::uint64_t nBytes = 0;
    // Folded extension -> (count, bytes).
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> records;
    std::size_t listLength = 0;   // records in pExtList (equals records.size() unless duplicated)

    bool operator==(const ScanCounts&) const = default;
};

// The counters and records of pScan, read under its lock.
ScanCounts ReadCounts(SCANINFO& scan);

// Prepares scan as the window does before a scan (zeroed, records released, root and pattern set,
// fresh unset events).
void PrepareScan(SCANINFO& scan, const std::string& root);

// Runs ScanThreadProc on the calling thread and checks that it set the done event.
ScanCounts RunScan(const std::string& root, const FolderWalkOptions& options = {});

// Text form of counts, for passing them out of a child process.
std::string CountsToText(const ScanCounts& counts);
