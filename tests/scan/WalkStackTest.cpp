// The walk's own stack of listings: depth and path length without limit, a bounded number of
// descriptors, and folders closed early and found again through "..".
#include "ChildRun.h"
#include "ScanRun.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
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
            s_expected.records[".x"].first += 1;
            s_expected.records[".x"].second += static_cast<std::uint64_t>(file.st_size);
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
    std::size_t most = before;
    std::size_t deepest = 0;
    FolderWalkOptions options;
    options.onFolderOpened = [&](std::string_view, std::size_t depth) {
        deepest = std::max(deepest, depth);
        if (depth % 97 == 0)
            most = std::max(most, OpenDescriptors());
    };
    EXPECT_EQ(RunScan(s_pTree->Root(), options), s_expected);
    EXPECT_EQ(deepest, static_cast<std::size_t>(kDeepLevels));
    // The open listings, plus one being opened, plus the probe's own descriptor.
    EXPECT_LE(most, before + FolderWalkOptions().maxOpenListings + 2);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(DeepTreeTest, FiveThousandLevelsAreWalkedWithSixtyFourDescriptorsAllowed)
{
    ASSERT_TRUE(s_bBuilt);
    const std::string root = s_pTree->Root();
    const ChildResult child = RunInChild(
        [&](std::string& output) {
            const rlimit limit{64, 64};
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0 || OpenDescriptors() > 32) {
                output = "could not set the limit with few descriptors open";
                return false;
            }
            output = CountsToText(RunScan(root));
            return true;
        },
        std::chrono::seconds(120));
    ASSERT_TRUE(child.bFinished);
    ASSERT_EQ(child.exitCode, 0) << child.output;
    EXPECT_EQ(child.output, CountsToText(s_expected));
}

using OpenedFolders = std::vector<std::pair<std::string, std::size_t>>;

ScanCounts ScanRecordingOrder(const std::string& root, std::size_t maxOpenListings, OpenedFolders& opened)
{
    FolderWalkOptions options;
    options.maxOpenListings = maxOpenListings;
    options.onFolderOpened = [&](std::string_view name, std::size_t depth) { opened.emplace_back(name, depth); };
    return RunScan(root, options);
}

// However few listings may stay open, the walk counts the same and enters folders in the same order.
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

// A folder that is no longer where the walk left it is not listed in its stead: when the walk
// climbs back through ".." and meets another folder, that level's remaining entries are dropped.
TEST(WalkStackTest, MovedAncestorDropsOnlyWhatCannotBeFoundAgain)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("root"));
    ASSERT_TRUE(tree.MakeFolder("other"));
    ASSERT_TRUE(tree.MakeFolder("root/a"));
    ASSERT_TRUE(tree.MakeFolder("root/a/b"));
    ASSERT_TRUE(tree.MakeFolder("root/a/b/c"));
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(tree.MakeFile("root/r" + std::to_string(i), 1));
        ASSERT_TRUE(tree.MakeFile("root/a/a" + std::to_string(i), 1));
    }
    // Namesakes of the entries a walk must not list: were "other" taken for a, or the tree's top
    // for root, these would be counted.
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(tree.MakeFile("r" + std::to_string(i), 1));
        ASSERT_TRUE(tree.MakeFile("other/a" + std::to_string(i), 1));
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(tree.MakeFile("root/a/b/b" + std::to_string(i), 1));
        ASSERT_TRUE(tree.MakeFile("root/a/b/c/c" + std::to_string(i), 1));
    }
    std::uint64_t files = 4;     // all of b and c: b stays the same folder, only elsewhere
    std::uint64_t folders = 1;   // c
    CountBefore(ListingOrder(tree.Path("root")), "a", files, folders);
    CountBefore(ListingOrder(tree.Path("root/a")), "b", files, folders);

    // With one listing open at a time every ancestor is closed; while c is walked, b moves out
    // of a into a folder outside the root. Back up from c, ".." is b (same folder, carries on);
    // from b it is "other" (not a: a's rest is dropped); from there the tree's top (not root:
    // root's rest is dropped).
    const std::string from = tree.Path("root/a/b");
    const std::string to = tree.Path("other/b");
    FolderWalkOptions options;
    options.maxOpenListings = 1;
    bool bMoved = false;
    options.onFolderOpened = [&](std::string_view name, std::size_t) {
        if (name == "c")
            bMoved = rename(from.c_str(), to.c_str()) == 0;
    };
    const ScanCounts counts = RunScan(tree.Path("root"), options);
    EXPECT_TRUE(bMoved);
    EXPECT_EQ(counts.nFiles, files);
    EXPECT_EQ(counts.nFolders, folders);
}

} // namespace
