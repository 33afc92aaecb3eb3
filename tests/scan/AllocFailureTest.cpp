// Out of memory while adding an extension record: the file still counts, only in no record, and
// nothing is thrown. This executable replaces operator new so allocations can be made to fail.
#include "ExtInfo.h"
#include "ScanInfo.h"
#include "ScanRun.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_bFailEverything{false};
std::atomic<std::size_t> g_failingSize{0};   // 0: none

// Fails the chosen allocations while alive.
class AllocationFailure {
public:
    static AllocationFailure Everything() { return AllocationFailure(true, 0); }
    static AllocationFailure OfSize(std::size_t size) { return AllocationFailure(false, size); }
    ~AllocationFailure()
    {
        g_bFailEverything = false;
        g_failingSize = 0;
    }

private:
    AllocationFailure(bool bEverything, std::size_t size)
    {
        g_bFailEverything = bEverything;
        g_failingSize = size;
    }
};

} // namespace

void* operator new(std::size_t size)
{
    if (g_bFailEverything || (g_failingSize != 0 && size == g_failingSize))
        throw std::bad_alloc();
    if (void* pMemory = std::malloc(size ? size : 1))
        return pMemory;
    throw std::bad_alloc();
}

void operator delete(void* pMemory) noexcept
{
    std::free(pMemory);
}

void operator delete(void* pMemory, std::size_t) noexcept
{
    std::free(pMemory);
}

namespace {

TEST(AllocFailureTest, FindExtInfoReturnsNullAndChangesNothing)
{
    SCANINFO scan;
    EXTINFO* pTxt = FindExtInfo(&scan, "old.txt");
    ASSERT_NE(pTxt, nullptr);
    EXTINFO* pMissing = nullptr;
    EXTINFO* pExisting = nullptr;
    {
        const AllocationFailure failure = AllocationFailure::Everything();
        pMissing = FindExtInfo(&scan, "new.dat");
        pExisting = FindExtInfo(&scan, "again.TXT");   // found without allocating
    }
    EXPECT_EQ(pMissing, nullptr);
    EXPECT_EQ(pExisting, pTxt);
    EXPECT_EQ(scan.pExtList, pTxt);
    EXPECT_EQ(pTxt->pNext, nullptr);
    EXPECT_EQ(scan.extIndex.Size(), 1u);
    // A later file with the same extension tries again.
    EXTINFO* pDat = FindExtInfo(&scan, "new.dat");
    ASSERT_NE(pDat, nullptr);
    EXPECT_EQ(pDat->szExt, ".dat");
    FreeExtList(&scan);
}

TEST(AllocFailureTest, WalkCountsFilesWhoseRecordCannotBeMade)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFile("a.txt", 3));
    ASSERT_TRUE(tree.MakeFile("b.TXT", 4));
    ASSERT_TRUE(tree.MakeFile("README", 5));
    ScanCounts counts;
    {
        const AllocationFailure failure = AllocationFailure::OfSize(sizeof(EXTINFO));
        counts = RunScan(tree.Root());
    }
    EXPECT_EQ(counts.nFiles, 3u);
    EXPECT_EQ(counts.nBytes, 12u);
    EXPECT_TRUE(counts.records.empty());
}

} // namespace
