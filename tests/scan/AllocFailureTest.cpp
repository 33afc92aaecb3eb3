// Out of memory while adding an extension record: the file still counts, only in no record, and
// nothing is thrown. This executable replaces operator new so allocations can be made to fail.
#include "ExtInfo.h"
#include "HardLinkSet.h"
#include "TopFiles.h"
#include "ScanJob.h"
#include "ScanInfo.h"
#include "ScanRun.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <string_view>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_bFailEverything{false};
std::atomic<std::size_t> g_failingSize{0};   // 0: none
std::atomic<bool> g_bOnce{false};            // only one allocation of g_failingSize fails
std::atomic<long long> g_sparedOfSize{0};    // with g_bOnce: those of that size let through first
std::atomic<std::size_t> g_failingAbove{0};  // 0: none
// Bytes held through operator new, and the most held at once since the last reset.
std::atomic<std::size_t> g_nHeld{0};
std::atomic<std::size_t> g_nPeak{0};

// Fails the chosen allocations while alive.
class AllocationFailure {
public:
    static AllocationFailure Everything() { return AllocationFailure(true, 0, false, 0, 0); }
    static AllocationFailure OfSize(std::size_t size) { return AllocationFailure(false, size, false, 0, 0); }
    // Only the one allocation of `size` that follows `spared` others.
    static AllocationFailure OnceOfSize(std::size_t size, long long spared)
    {
        return AllocationFailure(false, size, true, spared, 0);
    }
    // Every request over `limit` bytes, as a malloc that refuses large blocks.
    static AllocationFailure Above(std::size_t limit) { return AllocationFailure(false, 0, false, 0, limit); }
    ~AllocationFailure()
    {
        g_bFailEverything = false;
        g_failingSize = 0;
        g_bOnce = false;
        g_failingAbove = 0;
    }

private:
    AllocationFailure(bool bEverything, std::size_t size, bool bOnce, long long spared, std::size_t above)
    {
        g_sparedOfSize = spared;
        g_bOnce = bOnce;
        g_failingAbove = above;
        g_failingSize = size;
        g_bFailEverything = bEverything;
    }
};

bool Fails(std::size_t size)
{
    if (g_bFailEverything || (g_failingAbove != 0 && size > g_failingAbove))
        return true;
    if (g_failingSize == 0 || size != g_failingSize)
        return false;
    return !g_bOnce || g_sparedOfSize.fetch_sub(1) == 0;
}

} // namespace

void* operator new(std::size_t size)
{
    if (Fails(size))
        throw std::bad_alloc();
    if (void* pMemory = std::malloc(size ? size : 1)) {
        const std::size_t held = g_nHeld += malloc_usable_size(pMemory);
        for (std::size_t peak = g_nPeak; held > peak && !g_nPeak.compare_exchange_weak(peak, held);) {
        }
        return pMemory;
    }
    throw std::bad_alloc();
}

void operator delete(void* pMemory) noexcept
{
    if (pMemory)
        g_nHeld -= malloc_usable_size(pMemory);
    std::free(pMemory);
}

void operator delete(void* pMemory, std::size_t) noexcept
{
    operator delete(pMemory);
}

// Arrays too (the walk's listing buffers): the sanitizers' own operator new[] would not call ours.
void* operator new[](std::size_t size)
{
    return operator new(size);
}

void operator delete[](void* pMemory) noexcept
{
    operator delete(pMemory);
}

void operator delete[](void* pMemory, std::size_t) noexcept
{
    operator delete(pMemory);
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
    EXPECT_EQ(scan.extIndex.Find(".dat"), nullptr);
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
    // README has no extension, so it belongs in no row; the other two are reported.
    EXPECT_EQ(counts.nNotInRows, 2u);
}

// A folder whose rest of listing must be kept in memory (its listing is closed early) while large
// blocks are refused: what was kept is walked, the folder is reported once as not listed, and no
// half-kept entry turns into a phantom (an entry named "" that "vanished") or a read past the end.
TEST(AllocFailureTest, ListingKeptInMemoryIsWholeEntriesOrNone)
{
    TempTree tree;
    constexpr int kFiles = 3000;
    const std::string padding(40, 'n');
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(tree.MakeFile(padding + std::to_string(i) + ".x", 1));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(tree.MakeFolder("d" + std::to_string(i)));
    for (const std::size_t threads : {1u, 8u}) {
        FolderWalkOptions options;
        options.threads = threads;
        options.maxOpenListings = 1;
        ScanCounts counts;
        {
            // Above a listing batch (32 KiB): the names kept in memory (about 130 KB) cannot all be.
            const AllocationFailure failure = AllocationFailure::Above(40 * 1024);
            counts = RunScan(tree.Root(), options);
        }
        EXPECT_EQ(counts.nVanished, 0u) << threads;
        if (threads == 1) {
            // Several threads may share the listing out instead of keeping it in memory.
            EXPECT_LT(counts.nFiles, static_cast<std::uint64_t>(kFiles));
            EXPECT_EQ(counts.nNotListed, 1u);
        }
    }
}

// A folder whose frame cannot get its listing buffer (a 32 KiB batch) is handed back to the
// other threads, not dropped with its subtree: with two threads the counts are those of a full
// walk.
TEST(AllocFailureTest, FolderWithoutMemoryForItsFrameIsHandedBack)
{
    TempTree tree;
    std::string path;
    for (int level = 0; level < 20; ++level) {
        path += (path.empty() ? "" : "/") + std::string("d");
        ASSERT_TRUE(tree.MakeFolder(path));
        ASSERT_TRUE(tree.MakeFile(path + "/f.x", 2));
    }
    FolderWalkOptions options;
    options.threads = 2;
    const ScanCounts complete = RunScan(tree.Root(), options);
    ASSERT_EQ(complete.nFolders, 20u);
    for (const long long spared : {1, 2, 5}) {
        ScanCounts counts;
        {
            // The root's frame is spared: a root that cannot be listed is no subtree to hand over.
            const AllocationFailure failure = AllocationFailure::OnceOfSize(32 * 1024, spared);
            counts = RunScan(tree.Root(), options);
        }
        EXPECT_EQ(CountsToText(counts), CountsToText(complete)) << "spared " << spared;
    }
}

// Memory refused for any copy of the walk's options while the walk and its threads are set up:
// the engine makes none, so the scan still walks the whole tree with any number of threads
// instead of ending at once with nothing counted (or with helpers left waiting).
TEST(AllocFailureTest, WalkIsSetUpWithoutCopyingItsOptions)
{
    TempTree tree;
    for (const char* folder : {"a", "a/b", "c", "c/d", "c/d/e"}) {
        ASSERT_TRUE(tree.MakeFolder(folder));
        ASSERT_TRUE(tree.MakeFile(std::string(folder) + "/f.x", 3));
    }
    // A hook too large for std::function to keep inline: each copy of the options allocates it.
    struct BulkyHook {
        std::atomic<int>* pOpened;
        char padding[1001];
        void operator()(std::string_view, std::size_t) const { ++*pOpened; }
    };
    std::atomic<int> opened{0};
    FolderWalkOptions options;
    options.onFolderOpened = BulkyHook{&opened, {}};
    options.threads = 1;
    const ScanCounts complete = RunScan(tree.Root(), options);
    ASSERT_EQ(complete.nFolders, 5u);
    for (const std::size_t threads : {1, 2, 8}) {
        options.threads = threads;
        opened = 0;
        SCANINFO scan;
        {
            ScanJob job(scan);
            ASSERT_TRUE(job.Prepare(tree.Root()));
            {
                const AllocationFailure failure = AllocationFailure::OfSize(sizeof(BulkyHook));
                job.RunHere(options);
            }
            EXPECT_TRUE(job.IsDone());
            EXPECT_EQ(CountsToText(ReadCounts(scan)), CountsToText(complete)) << threads << " threads";
        }
        FreeExtList(&scan);
        EXPECT_EQ(opened, 6) << threads << " threads";   // the root and the five folders
    }
}

// Files that may belong among the largest while no path can be made for them: the walk still
// counts every file and folder, and each such file is counted as not kept instead of vanishing
// from the list (or ending its thread's walk) in silence.
TEST(AllocFailureTest, FilesTheListOfTheLargestCannotKeepAreCounted)
{
    TempTree tree;
    const std::string folder(200, 'd'), name(200, 'f');
    ASSERT_TRUE(tree.MakeFolder(folder));
    ASSERT_TRUE(tree.MakeFolder(folder + "/below"));
    constexpr int kFiles = 6;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(tree.MakeFile(folder + "/" + name + std::to_string(i) + ".x", 10 + i));
    FolderWalkOptions options;
    options.largest.count = 3;
    const ScanCounts complete = RunScan(tree.Root(), options);
    ASSERT_EQ(complete.nNotInLargest, 0u);
    ScanCounts counts;
    {
        // The block of each file's path, root, folder and name joined: no other is that long.
        const std::size_t pathLength = tree.Root().size() + 1 + folder.size() + 1 + name.size() + 3;
        const AllocationFailure failure = AllocationFailure::OfSize(pathLength + 1);
        counts = RunScan(tree.Root(), options);
    }
    EXPECT_EQ(counts.nNotInLargest, static_cast<std::uint64_t>(kFiles));
    counts.nNotInLargest = 0;
    EXPECT_EQ(CountsToText(counts), CountsToText(complete));
}

// Threads that each meet files bigger than any before (the worst case) hold no more than the list
// asked for plus a few paths each, not a list of that length apiece.
TEST(AllocFailureTest, ListOfTheLargestTakesMemoryForItsCountOnlyWhateverTheThreads)
{
    constexpr std::size_t kCount = 1000, kThreads = 16;
    const std::string name(200, 'n');
    const std::vector<std::string_view> folders{"/root"};
    SCANINFO scan;
    LargestFilesQuery query;
    query.count = kCount;
    std::vector<std::unique_ptr<TopFiles>> threads;
    for (std::size_t t = 0; t < kThreads; ++t)
        threads.push_back(std::make_unique<TopFiles>(scan, query));
    const std::size_t before = g_nHeld;
    g_nPeak = before;
    for (std::uint64_t file = 0; file < kCount * 4; ++file) {
        for (std::size_t t = 0; t < kThreads; ++t)
            threads[t]->Consider(name, file * kThreads + t, 0, folders);
    }
    for (const auto& top : threads)
        top->Merge(true);
    const std::size_t perPath = malloc_usable_size(nullptr) + name.size() + 8 + sizeof(LargestFile);
    EXPECT_LT(g_nPeak - before, 3 * kCount * perPath);
    EXPECT_EQ(scan.largest.size(), kCount);
    EXPECT_EQ(scan.nNotInLargest, 0u);
    TopFiles::SortLargestFirst(scan.largest);
    EXPECT_EQ(scan.largest.front().bytes, kCount * 4 * kThreads - 1);
    EXPECT_EQ(scan.largest.back().bytes, (kCount * 4 - 1) * kThreads + kThreads - kCount);
}

// Memory refused while a shard of the link set grows: no file is taken as met for the first time
// twice unless one of its links was said to be unchecked, which the scan reports.
TEST(AllocFailureTest, LinkSetWithoutRoomToGrowNeverCountsALinkTwiceSilently)
{
    constexpr std::uint64_t kFiles = 64 * 64 * 2;   // more than the shards' first tables hold
    HardLinkSet links;
    std::vector<HardLinkSet::Link> first, second;
    first.reserve(kFiles);
    second.reserve(kFiles);
    {
        // A shard's first table (64 slots, 1 KiB) is allowed, no larger one.
        const AllocationFailure failure = AllocationFailure::Above(1024);
        for (std::uint64_t inode = 1; inode <= kFiles; ++inode)
            first.push_back(links.Offer(5, inode, ".x", 1, 1));
        for (std::uint64_t inode = 1; inode <= kFiles; ++inode)
            second.push_back(links.Offer(5, inode, ".y", 1, 1));
    }
    std::size_t unchecked = 0;
    for (std::size_t file = 0; file < kFiles; ++file) {
        const bool bFirstCounted = first[file] != HardLinkSet::Link::Later;
        const bool bSecondCounted = second[file] != HardLinkSet::Link::Later;
        const bool bSaid = first[file] == HardLinkSet::Link::Unchecked || second[file] == HardLinkSet::Link::Unchecked;
        EXPECT_TRUE(bFirstCounted) << file;
        EXPECT_TRUE(!bSecondCounted || bSaid) << file;
        unchecked += bSaid ? 1 : 0;
    }
    EXPECT_GT(unchecked, 0u);   // the shortage was met
}

} // namespace
