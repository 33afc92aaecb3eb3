// Walks of real trees built at run time: what is counted as a folder, a file, how many bytes, and
// which extension record each file lands in.
#include "ChildRun.h"
#include "ExtInfo.h"
#include "ExtTable.h"
#include "ScanResult.h"
#include "ScanTally.h"
#include "ScanInfo.h"
#include "ScanJob.h"
#include "ScanRun.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <string>
#include <vector>

namespace {

using Records = decltype(ScanCounts::records);

TEST(ScanTreeTest, EmptyFolderCountsNothing)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    const ScanCounts counts = RunScan(tree.Root());
    EXPECT_EQ(counts, ScanCounts{});
}

TEST(ScanTreeTest, SubfolderWithATenByteFileAddsTheFolderSizeToo)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    ASSERT_TRUE(tree.MakeFile("sub/data.bin", 10));
    const ScanCounts counts = RunScan(tree.Root());
    EXPECT_EQ(counts.nFolders, 1u);
    EXPECT_EQ(counts.nFiles, 1u);
    EXPECT_EQ(counts.nBytes, 10 + tree.SizeOf("sub"));
    EXPECT_EQ(counts.records, (Records{{".bin", {1, 10}}}));
}

TEST(ScanTreeTest, TrailingSlashAndLinkedRootWalkTheSameFolder)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("real"));
    ASSERT_TRUE(tree.MakeFile("real/a.txt", 3));
    ASSERT_TRUE(tree.MakeSymlink("link", "real"));
    const ScanCounts direct = RunScan(tree.Path("real"));
    EXPECT_EQ(direct.nFiles, 1u);
    EXPECT_EQ(RunScan(tree.Path("link")), direct);
}

// A file given as the root is the scan's one file and has its row, so the rows add up to the size
// as for any folder.
TEST(ScanTreeTest, RootThatIsAFileHasItsRow)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFile("five.TXT", 5));
    ASSERT_TRUE(tree.MakeFile("README", 7));
    const ScanCounts withExtension = RunScan(tree.Path("five.TXT"));
    EXPECT_EQ(withExtension.nFolders, 0u);
    EXPECT_EQ(withExtension.nFiles, 1u);
    EXPECT_EQ(withExtension.nBytes, 5u);
    EXPECT_EQ(withExtension.records, (Records{{".txt", {1, 5}}}));
    const ScanCounts without = RunScan(tree.Path("README"));
    EXPECT_TRUE(without.records.empty());
    EXPECT_EQ(without.nNoExtFiles, 1u);
    EXPECT_EQ(without.nNoExtBytes, 7u);
}

// Sizes that add up past 2^64 (sparse files may claim exabytes each) stop at the largest sum
// instead of wrapping, in the totals, the rows and the shares, however the counts reach the scan.
TEST(ScanTreeTest, ByteSumsSaturateInsteadOfWrapping)
{
    constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;
    SCANINFO scan;
    {
        ScanTally tally(scan);
        tally.AddFile("a.img", {kHalf, kHalf});
        tally.AddFile("b.img", {kHalf, 4096});   // the row's own sum reaches 2^64
        tally.Flush();
        tally.AddFolder({kHalf, 0});              // the scan's total, added flush by flush
        tally.AddFile("c", {kHalf, kHalf});
        tally.AddFile("d.iso", {1, 1});
    }
    const ScanCounts counts = ReadCounts(scan);
    EXPECT_EQ(counts.nBytes, kSaturatedBytes);
    EXPECT_EQ(counts.nDiskBytes, kSaturatedBytes);
    EXPECT_EQ(counts.nNoExtBytes, kHalf);
    EXPECT_EQ(counts.records, (Records{{".img", {2, kSaturatedBytes}}, {".iso", {1, 1}}}));
    EXPECT_EQ(counts.recordDiskBytes.at(".img"), kHalf + 4096);
    const ScanResult result(counts, std::exchange(scan.pExtList, nullptr), ScanEnding::Finished);
    const ExtTable table(result, true);
    for (const EXTINFO* pRecord = result.Records(); pRecord; pRecord = pRecord->pNext)
        EXPECT_LE(table.ShareOf(pRecord->nBytes), 100u) << pRecord->szExt;
    EXPECT_LE(table.ShareOf(counts.nNoExtBytes), 100u);
    FreeExtList(&scan);
}

TEST(ScanTreeTest, RootThatDoesNotExistCountsNothing)
{
    TempTree tree;
    EXPECT_EQ(RunScan(tree.Path("missing")), ScanCounts{});
    EXPECT_EQ(RunScan(tree.Path("missing/deeper")), ScanCounts{});
}

TEST(ScanTreeTest, FileOfFiveBillionBytesAddsItsExactSize)
{
    TempTree tree;
    constexpr std::uint64_t kSize = 5000000000ULL;
    ASSERT_TRUE(tree.MakeFile("disk.img", kSize));
    const ScanCounts counts = RunScan(tree.Root());
    EXPECT_EQ(counts.nBytes, kSize);
    EXPECT_EQ(counts.records, (Records{{".img", {1, kSize}}}));
}

TEST(ScanTreeTest, HiddenFilesAndDotFoldersAreCountedAndEntered)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder(".cache"));
    ASSERT_TRUE(tree.MakeFile(".cache/blob.dat", 7));
    ASSERT_TRUE(tree.MakeFile(".hidden", 2));
    ASSERT_TRUE(tree.MakeFolder("..dots"));
    const ScanCounts counts = RunScan(tree.Root());
    EXPECT_EQ(counts.nFolders, 2u);
    EXPECT_EQ(counts.nFiles, 2u);
    EXPECT_EQ(counts.nBytes, 9 + tree.SizeOf(".cache") + tree.SizeOf("..dots"));
    EXPECT_EQ(counts.records, (Records{{".dat", {1, 7}}, {".hidden", {1, 2}}}));
}

TEST(ScanTreeTest, ExtensionsGroupByFoldedCase)
{
    TempTree tree;
    const std::pair<const char*, std::uint64_t> files[] = {
        {"a.TXT", 1}, {"b.txt", 2}, {"c.Txt", 4},
        {"x.\xC3\x84" "BC", 8}, {"y.\xC3\xA4" "bc", 16},        // .ÄBC and .äbc
        {"bad.\xFF\xFE" "X", 32},                               // invalid UTF-8
        {"README", 64}, {"archive.tar.gz", 128}, {".profile", 256}, {"name.", 512},
    };
    std::uint64_t total = 0;
    for (const auto& [name, size] : files) {
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;
        total += size;
    }
    const ScanCounts counts = RunScan(tree.Root());
    EXPECT_EQ(counts.nFolders, 0u);
    EXPECT_EQ(counts.nFiles, std::size(files));
    EXPECT_EQ(counts.nBytes, total);
    const Records expected = {
        {".txt", {3, 7}},
        {".\xC3\xA4" "bc", {2, 24}},
        {".\xFF\xFE" "x", {1, 32}},
        {".gz", {1, 128}},
        {".profile", {1, 256}},
        {".", {1, 512}},
    };
    EXPECT_EQ(counts.records, expected);
    EXPECT_EQ(counts.listLength, expected.size());
}

TEST(ScanTreeTest, SymlinkLoopIsCountedAsFilesAndNotFollowed)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    ASSERT_TRUE(tree.MakeSymlink("sub/up", ".."));
    ASSERT_TRUE(tree.MakeSymlink("sub/self.lnk", "."));
    const ScanCounts counts = RunScan(tree.Root());
    EXPECT_EQ(counts.nFolders, 1u);
    EXPECT_EQ(counts.nFiles, 2u);
    EXPECT_EQ(counts.nBytes, tree.SizeOf("sub") + tree.SizeOf("sub/up") + tree.SizeOf("sub/self.lnk"));
    EXPECT_EQ(counts.records, (Records{{".lnk", {1, tree.SizeOf("sub/self.lnk")}}}));
}

// As root (as in CI) permissions do not stop reading, so the scan runs in a child that has become
// the unprivileged user "nobody".
// Scanned as an unprivileged user: "locked" cannot be listed at all; "listonly" can be listed
// but not searched, so its entries are known by name and type only.
TEST(ScanTreeTest, UnreadableFoldersAreCountedButNotEntered)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("locked"));
    ASSERT_TRUE(tree.MakeFile("locked/inside.txt", 100));
    ASSERT_TRUE(tree.MakeFolder("open"));
    ASSERT_TRUE(tree.MakeFile("open/visible.txt", 3));
    ASSERT_TRUE(tree.MakeFolder("listonly"));
    ASSERT_TRUE(tree.MakeFile("listonly/named.TXT", 50));
    ASSERT_TRUE(tree.MakeFolder("listonly/inner"));
    ASSERT_TRUE(tree.MakeFile("listonly/inner/hidden.txt", 70));
    ASSERT_EQ(chmod(tree.Path("locked").c_str(), 0), 0);
    const std::uint64_t lockedSize = tree.SizeOf("locked");
    const std::uint64_t openSize = tree.SizeOf("open");
    const std::uint64_t listOnlySize = tree.SizeOf("listonly");
    ASSERT_EQ(chmod(tree.Path("listonly").c_str(), 0444), 0);
    const std::string root = tree.Root();
    ScanCounts expected;
    expected.nFolders = 4; // locked, open, listonly and inner (listed, never entered)
    expected.nFiles = 2;   // visible.txt, and named.TXT whose size cannot be read
    expected.nNotListed = 2; // locked and inner
    expected.nNotExamined = 1; // named.TXT
    expected.nBytes = lockedSize + openSize + 3 + listOnlySize;
    expected.records = {{".txt", {2, 3}}};
    expected.listLength = 1;

    ExpectChildOutput(
        [&]() -> std::string {
            if (!BecomeNobody())
                return "could not become nobody";
            if (access((root + "/locked").c_str(), R_OK) == 0 || access((root + "/listonly").c_str(), X_OK) == 0)
                return "the folders are still open to this user";
            return "";
        },
        [&] { return CountsToText(RunScan(root)); }, CountsToText(expected), std::chrono::seconds(60));
    chmod(tree.Path("locked").c_str(), 0755);
    chmod(tree.Path("listonly").c_str(), 0755);
}

// Where no walking thread can be started (here the process limit of an unprivileged user is used
// up), the worker walks the whole tree alone and counts exactly what a walk of one thread does.
TEST(ScanTreeTest, ThreadsThatCannotStartLeaveTheWalkToTheWorker)
{
    TempTree tree;
    for (const char* folder : {"a", "a/b", "c", "c/d", "c/d/e"})
        ASSERT_TRUE(tree.MakeFolder(folder));
    for (const char* file : {"a/x.txt", "a/b/y.TXT", "c/z.bin", "c/d/e/w.bin", "top"})
        ASSERT_TRUE(tree.MakeFile(file, std::string(file).size()));
    FolderWalkOptions alone;
    alone.threads = 1;
    const ScanCounts expected = RunScan(tree.Root(), alone);
    ASSERT_EQ(expected.nFolders, 5u);
    const std::string root = tree.Root();

    ExpectChildOutput(
        [] {
            const rlimit none{0, 0};
            if (!BecomeNobody() || setrlimit(RLIMIT_NPROC, &none) != 0)
                return "could not take the right to start threads away";
            try {
                std::thread([] {}).join();
                return "a thread could still be started";
            } catch (const std::system_error&) {
            }
            return "";
        },
        [&] {
            FolderWalkOptions options;
            options.threads = 8;
            return CountsToText(RunScan(root, options));
        },
        CountsToText(expected), std::chrono::seconds(60));
}

TEST(ScanTreeTest, SeveralThreadsEachTakeWorkAndCountAsOne)
{
    TempTree tree;
    ASSERT_TRUE(MakeWideTree(tree, 3));
    FolderWalkOptions one;
    one.threads = 1;
    const ScanCounts expected = RunScan(tree.Root(), one);
    ASSERT_EQ(expected.nFolders, 4u + 16u + 64u);
    std::mutex lock;
    std::set<std::thread::id> walkers;
    FolderWalkOptions options;
    options.threads = 4;
    options.onFolderOpened = [&](std::string_view, std::size_t depth) {
        // Time for the helpers to start and wait for work, and a walk slow enough that one thread
        // cannot finish it alone before they do, however loaded the machine.
        std::this_thread::sleep_for(std::chrono::milliseconds(depth == 0 ? 300 : 10));
        std::lock_guard guard(lock);
        walkers.insert(std::this_thread::get_id());
    };
    EXPECT_EQ(CountsToText(RunScan(tree.Root(), options)), CountsToText(expected));
    EXPECT_GT(walkers.size(), 1u);
}

// A listing read to its end reaches the scan at once, so the window sees a finished folder's files
// before the walk goes on to the next folder, not only after some time or number of entries.
TEST(ScanTreeTest, FinishedFolderIsInTheScanBeforeTheNextOneOpens)
{
    TempTree tree;
    for (const char* folder : {"a", "b"}) {
        ASSERT_TRUE(tree.MakeFolder(folder));
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(tree.MakeFile(std::string(folder) + "/f" + std::to_string(i) + ".x", 1));
    }
    SCANINFO scan;
    ScanJob job(scan);
    ASSERT_TRUE(job.Prepare(tree.Root()));
    std::uint64_t filesSeenAtSecond = 0;
    int foldersOpened = 0;
    FolderWalkOptions options;
    options.threads = 1;
    options.onFolderOpened = [&](std::string_view, std::size_t depth) {
        if (depth == 1 && ++foldersOpened == 2)
            filesSeenAtSecond = job.Snapshot().nFiles;
    };
    job.RunHere(options);
    EXPECT_EQ(filesSeenAtSecond, 5u);
    EXPECT_EQ(job.Snapshot().nFiles, 10u);
    FreeExtList(&scan);
}

// "" stands for "/": the walk lists the file-system root itself. A stop requested as the root
// opens keeps the walk to the root's own entries, which the test counts for itself.
TEST(ScanTreeTest, EmptyRootListsTheFileSystemRoot)
{
    ScanCounts expected;
    DIR* listing = opendir("/");
    ASSERT_NE(listing, nullptr);
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        struct stat status {};
        if (name == "." || name == ".." || lstat(("/" + name).c_str(), &status) != 0)
            continue;
        (S_ISDIR(status.st_mode) ? expected.nFolders : expected.nFiles) += 1;
        expected.nBytes += static_cast<std::uint64_t>(status.st_size);
    }
    closedir(listing);

    SCANINFO scan;
    ScanJob job(scan);
    ASSERT_TRUE(job.Prepare("/"));
    EXPECT_EQ(scan.szRoot, "");
    std::vector<std::string> opened;
    std::mutex openedLock;
    FolderWalkOptions options;
    options.onFolderOpened = [&](std::string_view name, std::size_t) {
        std::lock_guard lock(openedLock);
        opened.emplace_back(name);
        scan.hStopEvent->Set();
    };
    job.RunHere(WithTestThreads(options));
    const ScanCounts counts = ReadCounts(scan);
    FreeExtList(&scan);
    EXPECT_EQ(opened, std::vector<std::string>{""});
    EXPECT_EQ(counts.nFolders, expected.nFolders);
    EXPECT_EQ(counts.nFiles, expected.nFiles);
    EXPECT_EQ(counts.nBytes, expected.nBytes);
}

} // namespace
