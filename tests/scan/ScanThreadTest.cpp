// The worker on its own thread: the stop request, the done event and the window's polling, as the
// window drives them. Built also under ThreadSanitizer.
#include "ExtInfo.h"
#include "ScanInfo.h"
#include "ScanJob.h"
#include "ScanRun.h"
#include "TempTree.h"
#include "TopFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr auto kDoneWithin = std::chrono::seconds(60);

// A ScanJob started on its own thread, as the window starts it; Finish() waits (bounded) for the
// end and releases the worker.
class Worker {
public:
    Worker(SCANINFO& scan, const std::string& root)
        : m_job(scan)
    {
        m_bPrepared = m_job.Prepare(root);
    }
    bool Start(FolderWalkOptions options = {}) { return m_bPrepared && m_job.Start(WithTestThreads(std::move(options))); }
    bool Finish()
    {
        const bool bDone = m_job.WaitDone(kDoneWithin);
        if (bDone)
            m_job.Release();
        return bDone;
    }
    ScanJob& Job() { return m_job; }

private:
    ScanJob m_job;
    bool m_bPrepared = false;
};

void MakeFiles(const TempTree& tree, const std::string& folder, int count, std::uint64_t& bytes)
{
    for (int i = 0; i < count; ++i) {
        const std::uint64_t size = static_cast<std::uint64_t>(i % 5);
        ASSERT_TRUE(tree.MakeFile(folder + "/file" + std::to_string(i) + ".dat", size));
        bytes += size;
    }
}

TEST(ScanThreadTest, StopSetBeforeTheStartListsNothing)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    ASSERT_TRUE(tree.MakeFile("a.txt", 3));
    SCANINFO scan;
    Worker worker(scan, tree.Root());
    scan.hStopEvent->Set();
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Finish());
    EXPECT_EQ(ReadCounts(scan), ScanCounts{});
}

// root holds x and y, each a chain x/a/b where b holds files, two subfolders with files and a
// deeper folder. Whichever of x and y the listing meets first is entered; when its b opens, a stop
// is requested. From then on no folder is listed, but b, a, x and root finish their listings:
// every file in them is counted, every subfolder in them is counted but not entered. The two
// halves are alike, so the totals do not depend on the listing order.
TEST(ScanThreadTest, StopDuringADeepWalkFinishesTheOpenListingsOnly)
{
    TempTree tree;
    std::uint64_t expectedBytes = 0;
    ASSERT_TRUE(tree.MakeFile("top.txt", 1));
    expectedBytes += 1;
    for (const std::string half : {"x", "y"}) {
        ASSERT_TRUE(tree.MakeFolder(half));
        ASSERT_TRUE(tree.MakeFolder(half + "/a"));
        ASSERT_TRUE(tree.MakeFolder(half + "/a/b"));
        ASSERT_TRUE(tree.MakeFile(half + "/x1.txt", 2));
        ASSERT_TRUE(tree.MakeFile(half + "/a/a1.txt", 4));
        ASSERT_TRUE(tree.MakeFile(half + "/a/a2.txt", 8));
        for (const std::string leaf : {"c1", "c2"}) {
            ASSERT_TRUE(tree.MakeFolder(half + "/a/b/" + leaf));
            ASSERT_TRUE(tree.MakeFile(half + "/a/b/" + leaf + "/never.txt", 1000));
        }
        ASSERT_TRUE(tree.MakeFolder(half + "/a/b/c1/deeper"));
        ASSERT_TRUE(tree.MakeFile(half + "/a/b/c1/deeper/never.txt", 1000));
    }
    std::uint64_t filesInB = 0;
    for (int i = 0; i < 3; ++i) {
        for (const std::string half : {"x", "y"})
            ASSERT_TRUE(tree.MakeFile(half + "/a/b/b" + std::to_string(i) + ".txt", 16));
        ++filesInB;
        expectedBytes += 16;
    }
    expectedBytes += 2 + 4 + 8;
    // Folders counted: x, y, a, b, c1, c2 (the y half's a is never reached, y is counted by root).
    expectedBytes += tree.SizeOf("x") + tree.SizeOf("y") + tree.SizeOf("x/a") + tree.SizeOf("x/a/b")
        + tree.SizeOf("x/a/b/c1") + tree.SizeOf("x/a/b/c2");
    ASSERT_EQ(tree.SizeOf("x/a"), tree.SizeOf("y/a"));
    ASSERT_EQ(tree.SizeOf("x/a/b"), tree.SizeOf("y/a/b"));
    ASSERT_EQ(tree.SizeOf("x/a/b/c1"), tree.SizeOf("y/a/b/c1"));

    SCANINFO scan;
    Worker worker(scan, tree.Root());
    std::mutex openedLock;
    std::vector<std::pair<std::string, std::size_t>> opened;
    FolderWalkOptions options;
    options.threads = 1;   // the path open at the stop is one thread's
    options.onFolderOpened = [&](std::string_view name, std::size_t depth) {
        std::lock_guard lock(openedLock);
        opened.emplace_back(name, depth);
        if (depth == 3)
            scan.hStopEvent->Set();
    };
    ASSERT_TRUE(worker.Start(options));
    ASSERT_TRUE(worker.Finish());

    const ScanCounts counts = ReadCounts(scan);
    EXPECT_EQ(counts.nFolders, 6u);
    EXPECT_EQ(counts.nFiles, 1u + 1u + 2u + filesInB);
    EXPECT_EQ(counts.nBytes, expectedBytes);
    EXPECT_EQ(counts.records.at(".txt").first, counts.nFiles);
    std::lock_guard lock(openedLock);
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0].second, 0u);
    EXPECT_TRUE(opened[1].first == "x" || opened[1].first == "y");
    EXPECT_EQ(opened[2], (std::pair<std::string, std::size_t>("a", 2)));
    EXPECT_EQ(opened[3], (std::pair<std::string, std::size_t>("b", 3)));
    FreeExtList(&scan);
}

// What one folder holds directly, as the walk must count it once the folder is listed.
struct FolderContent {
    std::uint64_t nFolders = 0;
    std::uint64_t nFiles = 0;
    std::uint64_t nBytes = 0;
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> records;
};

// 40 folders of 150 files each (enough for a listing to be shared out between threads) below a
// root with files of its own, every folder named uniquely. A stop comes as the third folder opens.
// Whichever folders were opened by then (or were being opened as the stop came, at most one per
// thread) must be counted exactly, entry by entry, and nothing else: no folder listed after the
// stop, every listing already open (and every part of it handed to another thread) read to its end.
TEST(ScanThreadTest, StopWithSeveralThreadsCountsExactlyTheFoldersListed)
{
    TempTree tree;
    std::map<std::string, FolderContent> content;   // by folder name; "" is the root
    std::map<std::string, std::string> paths;       // folder name -> relative path
    auto fill = [&](const std::string& name, const std::string& path) {
        FolderContent& folder = content[name];
        for (int i = 0; i < 150; ++i) {
            const std::string extension = (i % 3) ? ".dat" : ".Log";
            const std::uint64_t size = static_cast<std::uint64_t>(i % 7);
            ASSERT_TRUE(tree.MakeFile((path.empty() ? "" : path + "/") + "file" + std::to_string(i) + extension, size));
            ++folder.nFiles;
            folder.nBytes += size;
            auto& record = folder.records[(i % 3) ? ".dat" : ".log"];
            ++record.first;
            record.second += size;
        }
    };
    fill("", "");
    std::vector<std::pair<std::string, std::string>> level = {{"", ""}};
    for (const int breadth : {4, 3, 2}) {
        std::vector<std::pair<std::string, std::string>> next;
        for (const auto& [parentName, parentPath] : level) {
            for (int i = 0; i < breadth; ++i) {
                const std::string name = "t" + parentName + std::to_string(i);
                const std::string path = parentPath.empty() ? name : parentPath + "/" + name;
                ASSERT_TRUE(tree.MakeFolder(path));
                fill(name, path);
                paths[name] = path;
                next.emplace_back(name, path);
            }
        }
        level = std::move(next);
    }
    ASSERT_EQ(paths.size(), 4u + 12u + 24u);

    for (const std::size_t threads : {2u, 8u}) {
        SCANINFO scan;
        Worker worker(scan, tree.Root());
        std::mutex openedLock;
        std::vector<std::string> opened;
        FolderWalkOptions options;
        options.threads = threads;
        options.onFolderOpened = [&](std::string_view name, std::size_t depth) {
            std::lock_guard lock(openedLock);
            opened.emplace_back(depth == 0 ? std::string() : std::string(name));
            if (opened.size() == 3)
                scan.hStopEvent->Set();
        };
        ASSERT_TRUE(worker.Start(options));
        ASSERT_TRUE(worker.Finish());

        ScanCounts expected;
        for (const std::string& name : opened) {
            const FolderContent& folder = content.at(name);
            expected.nFiles += folder.nFiles;
            expected.nBytes += folder.nBytes;
            for (const auto& [extension, totals] : folder.records) {
                expected.records[extension].first += totals.first;
                expected.records[extension].second += totals.second;
            }
            for (const auto& [child, path] : paths) {
                const std::string parentPath = path.find('/') == std::string::npos ? "" : path.substr(0, path.rfind('/'));
                if (parentPath == (name.empty() ? "" : paths.at(name))) {
                    ++expected.nFolders;
                    expected.nBytes += tree.SizeOf(path);
                }
            }
        }
        expected.listLength = expected.records.size();
        const ScanCounts counts = ReadCounts(scan);
        EXPECT_EQ(CountsToText(counts), CountsToText(expected)) << threads << " threads";
        EXPECT_GE(opened.size(), 3u);
        // At most one folder per thread was being opened as the stop came.
        EXPECT_LE(opened.size(), 3u + threads) << threads << " threads";
        FreeExtList(&scan);
    }
}

// The window reads the counters under the lock while the worker runs, sees them only grow, and
// drops its references to the events the moment it sees the done event.
TEST(ScanThreadTest, WindowPollsWhileTheWorkerCounts)
{
    TempTree tree;
    std::uint64_t bytes = 0;
    constexpr int kFolders = 8;
    constexpr int kFilesEach = 250;
    for (int i = 0; i < kFolders; ++i) {
        std::string folder = "f";
        folder += std::to_string(i);
        ASSERT_TRUE(tree.MakeFolder(folder));
        MakeFiles(tree, folder, kFilesEach, bytes);
        bytes += tree.SizeOf(folder);   // grown by its files
    }
    SCANINFO scan;
    Worker worker(scan, tree.Root());
    const std::shared_ptr<ManualResetEvent> done = scan.hDoneEvent;
    ASSERT_TRUE(worker.Start());

    ScanCounts last;
    int polls = 0;
    const auto deadline = std::chrono::steady_clock::now() + kDoneWithin;
    do {
        const ScanCounters now = worker.Job().Snapshot();
        EXPECT_GE(now.nFolders, last.nFolders);
        EXPECT_GE(now.nFiles, last.nFiles);
        EXPECT_GE(now.nBytes, last.nBytes);
        last.nFolders = now.nFolders;
        last.nFiles = now.nFiles;
        last.nBytes = now.nBytes;
        ++polls;
    } while (!done->WaitFor(std::chrono::milliseconds(1)) && std::chrono::steady_clock::now() < deadline);
    ASSERT_TRUE(done->IsSet());
    worker.Job().Release();
    EXPECT_FALSE(scan.hStopEvent || scan.hDoneEvent);
    const ScanCounts counts = ReadCounts(scan);
    EXPECT_EQ(counts.nFolders, static_cast<std::uint64_t>(kFolders));
    EXPECT_EQ(counts.nFiles, static_cast<std::uint64_t>(kFolders * kFilesEach));
    EXPECT_EQ(counts.nBytes, bytes);
    EXPECT_EQ(counts.records.at(".dat").first, counts.nFiles);
    EXPECT_GT(polls, 0);
    FreeExtList(&scan);
}

// The largest files: the window polls them while the walk runs and sees a sorted list whose
// smallest entry, once the list is full, never shrinks; a walk stopped as the root opens keeps
// the largest files of the root's own listing, which it reads to its end.
TEST(ScanThreadTest, LargestFilesGrowWhileTheWorkerWalksAndSurviveAStop)
{
    TempTree tree;
    constexpr std::size_t kCount = 10;
    std::vector<std::pair<std::uint64_t, std::string>> inRoot, everywhere;
    for (int i = 0; i < 60; ++i) {
        const std::string name = "top" + std::to_string(i) + ".dat";
        ASSERT_TRUE(tree.MakeFile(name, static_cast<std::uint64_t>(i % 20) * 10));
        inRoot.emplace_back(static_cast<std::uint64_t>(i % 20) * 10, tree.Path(name));
    }
    everywhere = inRoot;
    for (int folder = 0; folder < 8; ++folder) {
        const std::string path = "sub" + std::to_string(folder);
        ASSERT_TRUE(tree.MakeFolder(path));
        for (int i = 0; i < 200; ++i) {
            const std::string name = path + "/f" + std::to_string(i) + ".dat";
            const std::uint64_t size = 1000 + static_cast<std::uint64_t>((i * 37 + folder) % 150);
            ASSERT_TRUE(tree.MakeFile(name, size));
            everywhere.emplace_back(size, tree.Path(name));
        }
    }
    const auto topPaths = [&](std::vector<std::pair<std::uint64_t, std::string>> files) {
        std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < std::min(kCount, files.size()); ++i)
            paths.push_back(files[i].second);
        return paths;
    };
    const auto pathsOf = [](const std::vector<LargestFile>& files) {
        std::vector<std::string> paths;
        for (const LargestFile& file : files)
            paths.push_back(file.path);
        return paths;
    };

    for (const bool bStop : {false, true}) {
        SCOPED_TRACE(bStop ? "stopped as the root opens" : "walked to the end");
        SCANINFO scan;
        Worker worker(scan, tree.Root());
        FolderWalkOptions options;
        options.largest.count = kCount;
        if (bStop) {
            options.onFolderOpened = [&](std::string_view, std::size_t depth) {
                if (depth == 0)
                    scan.hStopEvent->Set();
            };
        }
        const std::shared_ptr<ManualResetEvent> done = scan.hDoneEvent;
        ASSERT_TRUE(worker.Start(options));
        std::uint64_t floor = 0;
        const auto deadline = std::chrono::steady_clock::now() + kDoneWithin;
        do {
            const std::vector<LargestFile> now = worker.Job().LargestSoFar();
            ASSERT_LE(now.size(), kCount);
            EXPECT_TRUE(std::is_sorted(now.begin(), now.end(), TopFiles::RanksBefore));
            if (now.size() == kCount) {
                EXPECT_GE(now.back().bytes, floor);
                floor = now.back().bytes;
            }
        } while (!done->WaitFor(std::chrono::milliseconds(1)) && std::chrono::steady_clock::now() < deadline);
        ASSERT_TRUE(worker.Finish());
        const ScanResult result = worker.Job().TakeResult();
        EXPECT_EQ(result.Ending(), bStop ? ScanEnding::Stopped : ScanEnding::Finished);
        EXPECT_EQ(pathsOf(result.Largest()), topPaths(bStop ? inRoot : everywhere));
    }
}

TEST(ScanThreadTest, RootThatIsAFileIsCountedOnTheWorker)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFile("only.bin", 42));
    SCANINFO scan;
    Worker worker(scan, tree.Path("only.bin"));
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Finish());
    const ScanCounts counts = ReadCounts(scan);
    EXPECT_EQ(counts.nFiles, 1u);
    EXPECT_EQ(counts.nBytes, 42u);
    EXPECT_EQ(counts.records.at(".bin"), (std::pair<std::uint64_t, std::uint64_t>{1, 42}));
}

} // namespace
