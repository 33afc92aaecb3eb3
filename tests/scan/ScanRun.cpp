#include "ScanRun.h"

#include "ScanInfo.h"
#include "ScanThread.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

ScanCounts ReadCounts(SCANINFO& scan)
{
    std::lock_guard lock(scan.cs);
    ScanCounts counts;
    counts.nFolders = scan.nFolders;
    counts.nFiles = scan.nFiles;
    counts.nBytes = scan.nBytes;
    for (const EXTINFO* pRecord = scan.pExtList; pRecord; pRecord = pRecord->pNext) {
        counts.records[pRecord->szExt] = {pRecord->nCount, pRecord->nBytes};
        ++counts.listLength;
    }
    return counts;
}

void PrepareScan(SCANINFO& scan, const std::string& root)
{
    FreeExtList(&scan);
    scan.nFolders = 0;
    scan.nFiles = 0;
    scan.nBytes = 0;
    scan.szRoot = root;
    scan.szPattern = "*.*";
    scan.hStopEvent = std::make_shared<ManualResetEvent>();
    scan.hDoneEvent = std::make_shared<ManualResetEvent>();
}

ScanCounts RunScan(const std::string& root, const FolderWalkOptions& options)
{
    SCANINFO scan;
    PrepareScan(scan, root);
    EXPECT_EQ(ScanThreadProc(&scan, options), 0u);
    EXPECT_TRUE(scan.hDoneEvent->IsSet());
    ScanCounts counts = ReadCounts(scan);
    FreeExtList(&scan);
    return counts;
}

std::string CountsToText(const ScanCounts& counts)
{
    std::string text = std::to_string(counts.nFolders) + " folders, " + std::to_string(counts.nFiles)
        + " files, " + std::to_string(counts.nBytes) + " bytes;";
    for (const auto& [extension, totals] : counts.records)
        text += " " + extension + "=" + std::to_string(totals.first) + "/" + std::to_string(totals.second);
    return text;
}
