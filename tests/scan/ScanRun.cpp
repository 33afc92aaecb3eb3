#include "ScanRun.h"

#include "ExtInfo.h"
#include "ExtensionFolding.h"
#include "ScanInfo.h"
#include "ScanJob.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

ScanCounts ReadCounts(SCANINFO& scan)
{
    std::lock_guard lock(scan.cs);
    ScanCounts counts;
    static_cast<ScanCounters&>(counts) = scan;
    for (const EXTINFO* pRecord = scan.pExtList; pRecord; pRecord = pRecord->pNext) {
        counts.records[pRecord->szExt] = {pRecord->nCount, pRecord->nBytes};
        counts.recordDiskBytes[pRecord->szExt] = pRecord->nDiskBytes;
        ++counts.listLength;
    }
    return counts;
}

std::size_t TestWalkThreads()
{
    const char* text = std::getenv("KESTRUM_TEST_WALK_THREADS");
    return text ? std::strtoul(text, nullptr, 10) : 0;
}

FolderWalkOptions WithTestThreads(FolderWalkOptions options)
{
    if (options.threads == 0)
        options.threads = TestWalkThreads();
    return options;
}

ScanCounts RunScan(const std::string& root, const FolderWalkOptions& options)
{
    SCANINFO scan;
    ScanCounts counts;
    {
        ScanJob job(scan);
        EXPECT_TRUE(job.Prepare(root));
        job.RunHere(WithTestThreads(options));
        EXPECT_TRUE(job.IsDone());
        counts = ReadCounts(scan);
    }
    FreeExtList(&scan);
    return counts;
}

std::string CountsToText(const ScanCounts& counts)
{
    std::string text = std::to_string(counts.nFolders) + " folders, " + std::to_string(counts.nFiles) + " files, "
        + std::to_string(counts.nBytes) + " bytes, " + std::to_string(counts.nNotListed) + " not listed, "
        + std::to_string(counts.nNotEntered) + " not entered, " + std::to_string(counts.nVanished) + " vanished, "
        + std::to_string(counts.nNotExamined) + " not examined, " + std::to_string(counts.nNotInRows) + " not in rows;";
    for (const auto& [extension, totals] : counts.records)
        text += " " + extension + "=" + std::to_string(totals.first) + "/" + std::to_string(totals.second);
    return text;
}

EXTINFO* FindExtInfo(SCANINFO* pScan, std::string_view name)
{
    const std::string_view extension = ExtensionFolding::ExtensionOf(name);
    if (extension.empty())
        return nullptr;
    try {
        return FindFoldedExtInfo(pScan, ExtensionFolding::Folded(extension));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool MakeWideTree(const TempTree& tree, int levels)
{
    std::vector<std::string> level = {""};
    for (int depth = 0; depth < levels; ++depth) {
        std::vector<std::string> next;
        for (const std::string& folder : level) {
            const std::string prefix = folder.empty() ? "" : folder + "/";
            if (!tree.MakeFile(prefix + "f.a", 1) || !tree.MakeFile(prefix + "g.b", 2))
                return false;
            for (int i = 0; i < 4; ++i) {
                next.push_back(prefix + "n" + std::to_string(i));
                if (!tree.MakeFolder(next.back()))
                    return false;
            }
        }
        level = std::move(next);
    }
    return true;
}
