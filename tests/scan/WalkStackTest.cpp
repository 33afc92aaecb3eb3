// The walk's own stack of listings: depth and path length without limit, a bounded number of
// descriptors, and folders closed early and found again through "..".
#include "ChildRun.h"
#include "ScanRun.h"
#include "TempTree.h"
#include "WalkPool.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kDeepLevels = 5000;
// Each level adds "d/" to the path, so the deepest paths are far beyond PATH_MAX.
static_assert(2 * kDeepLevels > PATH_MAX);

std::size_t OpenDescriptors()
{
    std::size_t count = 0;
    if (DIR* listing = opendir("/proc/self/fd")) {
        while (readdir(listing))
            ++count;
        closedir(listing);
    }
    return count;
}

// A chain root/d/d/.../d, kDeepLevels folders, each holding a file f.x of 1 to 13 bytes. Built
// through descriptors, since the paths do not fit in PATH_MAX.
class DeepTreeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_pTree = new TempTree;
        s_bBuilt = Build() && ComputeExpected();
    }
    static void TearDownTestSuite()
    {
        delete s_pTree;
        s_pTree = nullptr;
    }

    static bool Build()
    {
        int fd = open(s_pTree->Root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int level = 0; fd >= 0 && level < kDeepLevels; ++level) {
            if (mkdirat(fd, "d", 0755) != 0)
                break;
            const int child = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(fd);
            fd = child;
            if (fd < 0)
                return false;
            const int file = openat(fd, "f.x", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (file < 0 || ftruncate(file, level % 13 + 1) != 0)
                return false;
            close(file);
            if (level == kDeepLevels - 1) {
                close(fd);
                return true;
            }
        }
        if (fd >= 0)
            close(fd);
        return false;
    }

    // What a full walk must count, read level by level with the test's own descriptors.
    static bool ComputeExpected()
    {
        s_expected = ScanCounts{};
        int fd = open(s_pTree->Root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        while (fd >= 0) {
            struct stat folder {};
            if (fstatat(fd, "d", &folder, AT_SYMLINK_NOFOLLOW) != 0)
                break;
            const int child = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(fd);
            fd = child;
            struct stat file {};
            if (fd < 0 || fstatat(fd, "f.x", &file, AT_SYMLINK_NOFOLLOW) != 0)
                return false;
            s_expected.nFolders += 1;
            s_expected.nFiles += 1;
            s_expected.nBytes += static_cast<std::uint64_t>(folder.st_size + file.st_size);
            s_expected.nDiskBytes += static_cast<std::uint64_t>(folder.st_blocks + file.st_blocks) * 512;
            s_expected.records[".x"].first += 1;
            s_expected.records[".x"].second += static_cast<std::uint64_t>(file.st_size);
            s_expected.recordDiskBytes[".x"] += static_cast<std::uint64_t>(file.st_blocks) * 512;
        }
        if (fd >= 0)
            close(fd);
        s_expected.listLength = 1;
        return s_expected.nFolders == kDeepLevels;
    }

    static TempTree* s_pTree;
    static bool s_bBuilt;
    static ScanCounts s_expected;
};

TempTree* DeepTreeTest::s_pTree = nullptr;
bool DeepTreeTest::s_bBuilt = false;
ScanCounts DeepTreeTest::s_expected;

TEST_F(DeepTreeTest, FiveThousandLevelsAreWalkedWithBoundedDescriptors)
{
    ASSERT_TRUE(s_bBuilt);
    const std::size_t before = OpenDescriptors();
    std::mutex probeLock;
    std::size_t most = before;
    std::size_t deepest = 0;
    FolderWalkOptions options;
    options.onFolderOpened = [&](std::string_view, std::size_t depth) {
        std::lock_guard lock(probeLock);
        deepest = std::max(deepest, depth);
        if (depth % 97 == 0)
            most = std::max(most, OpenDescriptors());
    };
    EXPECT_EQ(RunScan(s_pTree->Root(), options), s_expected);
    EXPECT_EQ(deepest, static_cast<std::size_t>(kDeepLevels));
    // The open listings (all threads together), the root's kept descriptor, one being opened and
    // the probe's own; with several threads, each also keeps the first folder of its part and may
    // have one handed over pending.
    const std::size_t threads = TestWalkThreads() ? TestWalkThreads() : WalkPool::DefaultThreads();
    EXPECT_LE(most, before + FolderWalkOptions().maxOpenListings + 3 + (threads > 1 ? 2 * threads : 0));
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(DeepTreeTest, FiveThousandLevelsAreWalkedWithSixtyFourDescriptorsAllowed)
{
    ASSERT_TRUE(s_bBuilt);
    const std::string root = s_pTree->Root();
    ExpectChildOutput(
        [] {
            const rlimit limit{64, 64};
            return setrlimit(RLIMIT_NOFILE, &limit) == 0 && OpenDescriptors() <= 32
                       ? ""
                       : "could not set the limit with few descriptors open";
        },
        [&] { return CountsToText(RunScan(root)); }, CountsToText(s_expected), std::chrono::seconds(120));
}

using OpenedFolders = std::vector<std::pair<std::string, std::size_t>>;

// With several threads the order of the folders opened is theirs: it comes back sorted.
ScanCounts ScanRecordingOrder(const std::string& root, std::size_t maxOpenListings, OpenedFolders& opened)
{
    std::mutex openedLock;
    FolderWalkOptions options;
    options.maxOpenListings = maxOpenListings;
    options.onFolderOpened = [&](std::string_view name, std::size_t depth) {
        std::lock_guard lock(openedLock);
        opened.emplace_back(name, depth);
    };
    const ScanCounts counts = RunScan(root, options);
    if (TestWalkThreads() != 1)
        std::sort(opened.begin(), opened.end());
    return counts;
}

// However few listings may stay open, the walk counts the same and enters the same folders at the
// same depths, in the same order with one thread.
TEST(WalkStackTest, FoldersClosedEarlyAreFoundAgainWithNothingLost)
{
    TempTree tree;
    std::vector<std::string> level = {""};
    for (int depth = 0; depth < 4; ++depth) {
        std::vector<std::string> next;
        for (const std::string& folder : level) {
            for (int i = 0; i < 3; ++i) {
                const std::string prefix = folder.empty() ? "" : folder + "/";
                ASSERT_TRUE(tree.MakeFile(prefix + "f" + std::to_string(i) + ".e" + std::to_string(depth), i + 1));
                ASSERT_TRUE(tree.MakeFolder(prefix + "n" + std::to_string(i)));
                next.push_back(prefix + "n" + std::to_string(i));
            }
        }
        level = std::move(next);
    }
    OpenedFolders reference;
    const ScanCounts counts = ScanRecordingOrder(tree.Root(), 64, reference);
    EXPECT_EQ(counts.nFolders, 3u + 9u + 27u + 81u);
    EXPECT_EQ(counts.nFiles, 3u * (1u + 3u + 9u + 27u));
    EXPECT_EQ(reference.size(), 1u + counts.nFolders);
    for (std::size_t cap : {1u, 2u, 3u}) {
        OpenedFolders opened;
        EXPECT_EQ(ScanRecordingOrder(tree.Root(), cap, opened), counts) << "cap " << cap;
        EXPECT_EQ(opened, reference) << "cap " << cap;
    }
}

// The names of a folder in listing order, read independently of the engine.
std::vector<std::string> ListingOrder(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* listing = opendir(path.c_str())) {
        while (const dirent* entry = readdir(listing)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(listing);
    }
    return names;
}

// Entries of names that come before `stop` (stop included when it is a folder), as counts.
void CountBefore(const std::vector<std::string>& names, const std::string& stop, std::uint64_t& files,
                 std::uint64_t& folders)
{
    for (const std::string& name : names) {
        if (name == stop) {
            ++folders;
            return;
        }
        ++files;
    }
}

// Lowers RLIMIT_NOFILE so that exactly `count` descriptor numbers are left free below it.
bool LeaveFreeDescriptors(rlim_t count)
{
    std::vector<int> used;
    DIR* listing = opendir("/proc/self/fd");
    if (!listing)
        return false;
    while (const dirent* entry = readdir(listing)) {
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd != dirfd(listing))
            used.push_back(fd);
    }
    closedir(listing);
    for (rlim_t limit = 1; limit < 4096; ++limit) {
        const auto below = static_cast<rlim_t>(std::count_if(used.begin(), used.end(), [&](int fd) {
            return static_cast<rlim_t>(fd) < limit;
        }));
        if (limit - below == count) {
            const rlimit lowered{limit, limit};
            return setrlimit(RLIMIT_NOFILE, &lowered) == 0;
        }
    }
    return false;
}

// root/a/b/c walked with one listing open at a time, so every ancestor of c is closed while c
// is walked; then folders move. A folder closed early that is still somewhere is found again (by
// ".." of the child it was left for, or from the root by the names on the way down), and its
// remaining entries are counted; one that cannot be found has really left the tree, and only its
// own remaining entries go uncounted, reported as a folder not listed. Namesakes outside the root
// ("other/a*", "r*" beside root) must never be taken for the folders that moved. Each case runs
// twice: with descriptors to spare, and with two only, so that the walk gives up the root's
// descriptor and finds the root again by its path.
TEST(WalkStackTest, FoldersMovedWhileClosedLoseOnlyWhatLeftTheTree)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> moves;   // done when c has been opened
        bool bLeftTheTree;                                        // b can no longer be found
    };
    const Case cases[] = {
        {"b moved out of the tree with c inside", {{"root/a/b", "other/b"}}, false},
        {"c moved out of b, b renamed inside a", {{"root/a/b/c", "other/c"}, {"root/a/b", "root/a/b2"}}, true},
        {"c moved out of b, b moved out of the tree", {{"root/a/b/c", "other/c"}, {"root/a/b", "other/b"}}, true},
    };
    for (const Case& c : cases) {
        for (const bool bFewDescriptors : {false, true}) {
            TempTree tree;
            for (const char* folder : {"root", "other", "root/a", "root/a/b", "root/a/b/c"})
                ASSERT_TRUE(tree.MakeFolder(folder));
            for (int i = 0; i < 4; ++i) {
                for (const std::string prefix : {"root/r", "root/a/a", "r", "other/a"})
                    ASSERT_TRUE(tree.MakeFile(prefix + std::to_string(i), 1));
            }
            for (int i = 0; i < 2; ++i) {
                ASSERT_TRUE(tree.MakeFile("root/a/b/b" + std::to_string(i), 1));
                ASSERT_TRUE(tree.MakeFile("root/a/b/c/c" + std::to_string(i), 1));
            }
            // b's entries listed after c are the only ones that can be lost.
            std::uint64_t bBefore = 0, bFolders = 0;
            CountBefore(ListingOrder(tree.Path("root/a/b")), "c", bBefore, bFolders);
            const std::uint64_t bLost = c.bLeftTheTree ? 2 - bBefore : 0;
            // Folders a, b, c; files; folders not listed (b, when it lost entries).
            const std::string expected = "3 " + std::to_string(12 - bLost) + " " + (bLost > 0 ? "1" : "0");

            ExpectChildOutput(
                [&] { return !bFewDescriptors || LeaveFreeDescriptors(2) ? "" : "could not lower the limit"; },
                [&] {
                    FolderWalkOptions options;
                    options.maxOpenListings = 1;
                    // Which listings are closed when c opens is one thread's walk order.
                    options.threads = 1;
                    bool bMoved = false;
                    options.onFolderOpened = [&](std::string_view name, std::size_t) {
                        if (name != "c")
                            return;
                        bMoved = true;
                        for (const auto& [from, to] : c.moves)
                            bMoved = bMoved && rename(tree.Path(from).c_str(), tree.Path(to).c_str()) == 0;
                    };
                    const ScanCounts counts = RunScan(tree.Path("root"), options);
                    return bMoved ? std::to_string(counts.nFolders) + " " + std::to_string(counts.nFiles) + " "
                                        + std::to_string(counts.nNotListed)
                                  : std::string("a move failed");
                },
                expected, std::chrono::seconds(60), std::string(c.what) + (bFewDescriptors ? ", two descriptors" : ""));
        }
    }
}

// A chain of 100 folders of 20 files each; while the walk is 90 levels down (so the upper levels'
// listings were closed to keep the descriptors bounded), level 20 is moved out of the tree. The
// folders above it never changed and every one of their files is counted; the moved ones are still
// walked through the listings the walk holds.
TEST(WalkStackTest, DeepFolderMovedOutOfTheTreeLosesNothingAboveIt)
{
    constexpr int kLevels = 100;
    constexpr int kFilesEach = 20;
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("outside"));
    std::string path = "root";
    std::string level20;
    for (int level = 0; level < kLevels; ++level) {
        ASSERT_TRUE(tree.MakeFolder(path));
        for (int i = 0; i < kFilesEach; ++i)
            ASSERT_TRUE(tree.MakeFile(path + "/f" + std::to_string(i) + ".t", 1));
        if (level == 20)
            level20 = path;
        path += "/d";
    }
    FolderWalkOptions options;
    bool bMoved = false;
    options.onFolderOpened = [&](std::string_view, std::size_t depth) {
        if (depth == 90)
            bMoved = rename(tree.Path(level20).c_str(), tree.Path("outside/moved").c_str()) == 0;
    };
    const ScanCounts counts = RunScan(tree.Path("root"), options);
    EXPECT_TRUE(bMoved);
    EXPECT_EQ(counts.nFolders, static_cast<std::uint64_t>(kLevels - 1));
    EXPECT_EQ(counts.nFiles, static_cast<std::uint64_t>(kLevels * kFilesEach));
    EXPECT_EQ(counts.nNotListed, 0u);
}

// root/sa and root/sb hold four subfolders each (a0..a3, b0..b3), each with one file, walked by
// one thread with one listing open. As the first subfolder of the first of them opens, that
// subfolder and its parent move out of the tree: the parent is lost, its three later subfolders
// go uncounted. As the first subfolder of the second opens, only that subfolder moves out, so
// ".." no longer leads back to its parent, which must be found from the root: having lost a
// folder at the same depth before must not stop the walk from looking there.
TEST(WalkStackTest, FolderWhoseChildMovedIsFoundFromTheRootAfterASiblingWasLost)
{
    TempTree tree;
    for (const char* folder : {"root", "other", "root/sa", "root/sb"})
        ASSERT_TRUE(tree.MakeFolder(folder));
    for (const std::string branch : {"a", "b"}) {
        for (int i = 0; i < 4; ++i) {
            const std::string sub = "root/s" + branch + "/" + branch + std::to_string(i);
            ASSERT_TRUE(tree.MakeFolder(sub));
            ASSERT_TRUE(tree.MakeFile(sub + "/f", 1));
        }
    }
    FolderWalkOptions options;
    options.maxOpenListings = 1;
    options.threads = 1;   // which listings are closed when a subfolder opens is one thread's order
    std::string lostBranch;
    std::vector<std::string> moved;
    options.onFolderOpened = [&](std::string_view name, std::size_t depth) {
        const std::string branch(name.substr(0, 1));
        if (depth != 2 || branch == lostBranch || moved.size() == 2)
            return;
        const std::string parent = "s" + branch;
        const std::string sub(name);
        if (rename(tree.Path("root/" + parent + "/" + sub).c_str(), tree.Path("other/" + sub).c_str()) == 0)
            moved.push_back(sub);
        if (lostBranch.empty()) {
            lostBranch = branch;
            if (rename(tree.Path("root/" + parent).c_str(), tree.Path("other/" + parent).c_str()) != 0)
                moved.clear();
        }
    };
    const ScanCounts counts = RunScan(tree.Path("root"), options);
    ASSERT_EQ(moved.size(), 2u);
    // sa, sb, the lost parent's first subfolder and the four of the other; one file in each.
    EXPECT_EQ(counts.nFolders, 7u);
    EXPECT_EQ(counts.nFiles, 5u);
    EXPECT_EQ(counts.nNotListed, 1u);
}

// With one descriptor the walk can hold the root's listing and nothing more: its subfolder is
// counted and reported as not listed. Two are enough for any tree: the walk gives up older
// listings and the root's kept descriptor, and finds them again on the way back.
TEST(WalkStackTest, RunningOutOfDescriptorsIsReportedAndTwoAreEnough)
{
    TempTree tree;
    std::string folder;   // "" is the root
    for (int level = 0; level < 5; ++level) {
        const std::string prefix = folder.empty() ? "" : folder + "/";
        ASSERT_TRUE(tree.MakeFile(prefix + "f.x", 1));
        folder = prefix + "c";
        ASSERT_TRUE(tree.MakeFolder(folder));
    }
    const ScanCounts complete = RunScan(tree.Root());
    ASSERT_EQ(complete.nFolders, 5u);
    ASSERT_EQ(complete.nFiles, 5u);
    ScanCounts oneListing;
    oneListing.nFolders = 1;
    oneListing.nFiles = 1;
    oneListing.nBytes = 1 + tree.SizeOf("c");
    oneListing.nNotListed = 1;
    oneListing.records = {{".x", {1, 1}}};
    oneListing.listLength = 1;

    const struct {
        rlim_t free;
        ScanCounts expected;
    } cases[] = {{1, oneListing}, {2, complete}};
    const std::string root = tree.Root();
    for (const auto& c : cases) {
        ExpectChildOutput([&] { return LeaveFreeDescriptors(c.free) ? "" : "could not lower the limit"; },
                          [&] { return CountsToText(RunScan(root)); }, CountsToText(c.expected),
                          std::chrono::seconds(60), std::to_string(c.free) + " free");
    }
}

// Without /proc (a container, a chroot) and with few descriptors, every thread count walks what
// one thread walks: the threads are not let loose on descriptors nobody counted, and a thread
// that runs short hands its folder back instead of giving up its subtree.
TEST(WalkStackTest, FewDescriptorsWithoutProcCountAsOneThreadDoes)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root for a private mount namespace (CI runs as root)";
    TempTree tree;
    ASSERT_TRUE(MakeWideTree(tree, 4));
    FolderWalkOptions one;
    one.threads = 1;
    const ScanCounts expected = RunScan(tree.Root(), one);
    ASSERT_EQ(expected.nFolders, 4u + 16u + 64u + 256u);
    const std::string root = tree.Root();
    for (const std::size_t threads : {2u, 8u, 64u}) {
        ExpectChildOutput(
            [] {
                if (!LeaveFreeDescriptors(7))
                    return "could not lower the limit";
                if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                    || umount2("/proc", MNT_DETACH) != 0 || access("/proc/self/fd", F_OK) == 0)
                    return "/proc could not be taken away";
                return "";
            },
            [&] {
                FolderWalkOptions options;
                options.threads = threads;
                return CountsToText(RunScan(root, options));
            },
            CountsToText(expected), std::chrono::seconds(60), std::to_string(threads) + " threads");
    }
}

} // namespace
