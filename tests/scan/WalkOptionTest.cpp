// The walk's choices checked against find and du on real trees: staying on one file system,
// allocated bytes, hard links counted once and exclusion patterns. Run by CTest with 1, 2 and 8
// walking threads (ScanRun reads the count), under ThreadSanitizer too.
#include "ChildRun.h"
#include "HardLinkSet.h"
#include "ScanRun.h"
#include "ShellOracle.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// du's total for root (du and its options before it) without the root folder's own size, which
// the walk does not count. allocated: the size du gives is the allocated one.
std::uint64_t DuBelowRoot(const std::string& du, const std::string& root, bool allocated)
{
    struct stat status {};
    if (stat(root.c_str(), &status) != 0)
        return ~0ULL;
    const auto own = static_cast<std::uint64_t>(allocated ? status.st_blocks * 512 : status.st_size);
    return ShellNumber(du + " " + ShellQuoted(root)) - own;
}

std::uint64_t CountLines(const std::string& command)
{
    return ShellNumber(command + " | wc -l");
}

bool WriteFile(const std::string& path, std::size_t bytes, off_t size = -1)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const std::string data(bytes, 'k');
    const bool bWritten = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size())
        && (size < 0 || ftruncate(fd, size) == 0);
    return close(fd) == 0 && bWritten;
}

// ---- One file system -------------------------------------------------------------------------

// Makes the child's mounts its own: a private mount namespace as root, and where a container
// refuses that, a new user namespace too, in which this process may mount a tmpfs. why says what
// failed when neither could be had.
bool PrivateMounts(std::string& why)
{
    if (unshare(CLONE_NEWNS) != 0) {
        const int error = errno;
        const uid_t uid = geteuid();
        const gid_t gid = getegid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            why = std::string("unshare(CLONE_NEWNS): ") + std::strerror(error) + "; with a user namespace: "
                + std::strerror(errno);
            return false;
        }
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        why = std::string("cannot make the mounts private: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// In the child: a tmpfs with a folder and two files is mounted on root/mounted, then the tree is
// counted whole and on one file system against find and du. du -x leaves a mount point out
// altogether, where the walk counts it as a folder not entered (as a pseudo-filesystem's), so the
// mount point's own size is added to du's figures in that case.
bool CountAcrossAMount(const std::string& root, std::string& output)
{
    const std::string point = root + "/mounted";
    std::string why;
    if (!PrivateMounts(why) || mount("tmpfs", point.c_str(), "tmpfs", 0, "size=4m") != 0) {
        output = "unavailable: " + (why.empty() ? std::string("mount tmpfs: ") + std::strerror(errno) : why);
        return true;
    }
    struct stat status {};
    if (mkdir((point + "/inner").c_str(), 0755) != 0 || !WriteFile(point + "/inner/a.dat", 3000)
        || !WriteFile(point + "/b.txt", 10) || lstat(point.c_str(), &status) != 0) {
        output = "cannot fill the tmpfs";
        return false;
    }
    const std::uint64_t pointSize = static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t pointDiskSize = static_cast<std::uint64_t>(status.st_blocks) * 512;

    const struct {
        bool bOneFileSystem;
        const char* findOption;
        const char* duOption;
        std::uint64_t nNotEntered;
        std::uint64_t mountPointSize, mountPointDiskSize;   // added to du's figures
    } cases[] = {
        {false, "", "", 0, 0, 0},
        {true, "-xdev", " -x", 1, pointSize, pointDiskSize},
    };
    const std::string quoted = ShellQuoted(root);
    for (const auto& c : cases) {
        ScanCounts expected;
        expected.nFolders = CountLines("find " + quoted + " -mindepth 1 " + c.findOption + " -type d");
        expected.nFiles = CountLines("find " + quoted + " -mindepth 1 " + c.findOption + " ! -type d");
        expected.nBytes = DuBelowRoot("du -sb" + std::string(c.duOption), root, false) + c.mountPointSize;
        expected.nDiskBytes = DuBelowRoot("du -s -B1" + std::string(c.duOption), root, true) + c.mountPointDiskSize;
        expected.nNotEntered = c.nNotEntered;
        FolderWalkOptions options;
        options.oneFileSystem = c.bOneFileSystem;
        const ScanCounts counts = RunScan(root, options);
        const auto text = [](const ScanCounts& each) {
            return std::to_string(each.nFolders) + " folders, " + std::to_string(each.nFiles) + " files, "
                + std::to_string(each.nBytes) + " bytes, " + std::to_string(each.nDiskBytes) + " on disk, "
                + std::to_string(each.nNotEntered) + " not entered";
        };
        if (text(counts) != text(expected))
            output += std::string(c.bOneFileSystem ? "one file system" : "whole tree") + ": " + text(counts)
                + "\n  find/du: " + text(expected) + "\n";
    }
    // The two cases must differ, or the tmpfs was not where the test thinks it is.
    if (output.empty() && CountLines("find " + quoted + " -mindepth 1 -xdev ! -type d") != 1)
        output = "the tmpfs did not hide its files from find -xdev";
    return output.empty();
}

TEST(WalkOptionTest, OneFileSystemCountsAMountPointButDoesNotEnterIt)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("mounted"));
    ASSERT_TRUE(tree.MakeFolder("here"));
    ASSERT_TRUE(WriteFile(tree.Path("here/c.log"), 700));
    const std::string root = tree.Root();
    const ChildResult child = RunInChild([&](std::string& output) { return CountAcrossAMount(root, output); },
                                         std::chrono::seconds(60));
    ASSERT_TRUE(child.bFinished);
    if (child.output.rfind("unavailable", 0) == 0)
        GTEST_SKIP() << "no tmpfs could be mounted in the tree: " << child.output;
    EXPECT_EQ(child.exitCode, 0) << child.output;
}

// ---- Size on disk ----------------------------------------------------------------------------

// A sparse file of 1 GiB with 4 KiB written takes far less on disk than it reads as; a 10-byte
// file takes a whole block; an empty one none. Totals and the rows, apparent and allocated. The
// second .img file, in a folder of its own, meets a record its thread knows already.
TEST(WalkOptionTest, AllocatedBytesAgreeWithDu)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    ASSERT_TRUE(tree.MakeFolder("sub2"));
    ASSERT_TRUE(WriteFile(tree.Path("sub/sparse.img"), 4096, off_t{1} << 30));
    ASSERT_TRUE(WriteFile(tree.Path("sub2/dense.img"), 9000));
    ASSERT_TRUE(WriteFile(tree.Path("small.txt"), 10));
    ASSERT_TRUE(WriteFile(tree.Path("empty.txt"), 0));
    ASSERT_TRUE(WriteFile(tree.Path("NOEXT"), 5000));
    const std::string root = tree.Root();
    const ScanCounts counts = RunScan(root);
    const ScanCounts fileAsRoot = RunScan(tree.Path("sub/sparse.img"));

    const std::string sparse = ShellQuoted(tree.Path("sub/sparse.img"));
    const std::string images = sparse + " " + ShellQuoted(tree.Path("sub2/dense.img"));
    const std::string texts = ShellQuoted(tree.Path("small.txt")) + " " + ShellQuoted(tree.Path("empty.txt"));
    const std::string noExtension = ShellQuoted(tree.Path("NOEXT"));
    const struct {
        const char* what;
        std::uint64_t counted;
        std::uint64_t oracle;
    } cases[] = {
        {"apparent total", counts.nBytes, DuBelowRoot("du -sb", root, false)},
        {"allocated total", counts.nDiskBytes, DuBelowRoot("du -sB1", root, true)},
        {".img row", counts.records.at(".img").second, ShellNumber("du -cb " + images + " | tail -1")},
        {".img row on disk", counts.recordDiskBytes.at(".img"), ShellNumber("du -cB1 " + images + " | tail -1")},
        {".txt row on disk", counts.recordDiskBytes.at(".txt"), ShellNumber("du -cB1 " + texts + " | tail -1")},
        {"no extension", counts.nNoExtBytes, ShellNumber("du -b " + noExtension)},
        {"no extension on disk", counts.nNoExtDiskBytes, ShellNumber("du -B1 " + noExtension)},
        {"a root that is a file, on disk", fileAsRoot.nDiskBytes, ShellNumber("du -B1 " + sparse)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.counted, c.oracle) << c.what;
    // Holes are not allocated: on disk the tree takes far less than the 1 GiB it reads as.
    EXPECT_LT(counts.nDiskBytes, counts.nBytes / 1000);
}

// ---- Hard links ------------------------------------------------------------------------------

// A folder of 40 links to one file, a file linked from two folders under two names, and a plain
// file: each link counts as a file of its own, or, with links once, each file counts once
// (in the totals and in its extension's row, by the first link met), as du does without -l.
TEST(WalkOptionTest, HardLinksCountOnceAsDuDoes)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("links"));
    ASSERT_TRUE(tree.MakeFolder("other"));
    ASSERT_TRUE(WriteFile(tree.Path("links/orig.bin"), 5000));
    for (int i = 0; i < 39; ++i)
        ASSERT_EQ(link(tree.Path("links/orig.bin").c_str(), tree.Path("links/l" + std::to_string(i) + ".bin").c_str()), 0);
    ASSERT_TRUE(WriteFile(tree.Path("other/two.dat"), 300));
    ASSERT_EQ(link(tree.Path("other/two.dat").c_str(), tree.Path("two.DAT").c_str()), 0);
    ASSERT_TRUE(WriteFile(tree.Path("plain.bin"), 20));
    const std::string root = tree.Root();
    const std::string quoted = ShellQuoted(root);
    // Files as find lists them, each link once, or each inode once.
    const auto findFiles = [&](const std::string& name, bool bUnique) {
        return "find " + quoted + " -mindepth 1 ! -type d -iname '" + name + "' -printf '%D %i %s\\n'"
            + (bUnique ? " | sort -u" : "");
    };
    const auto rowCount = [&](const char* name, bool bUnique) { return CountLines(findFiles(name, bUnique)); };
    const auto rowBytes = [&](const char* name, bool bUnique) {
        return ShellNumber(findFiles(name, bUnique) + " | awk '{ s += $3 } END { printf \"%.0f\\n\", s }'");
    };

    const struct {
        bool bLinksOnce;
        const char* duLinks;   // du counts every link with -l
    } cases[] = {{false, " -l"}, {true, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bLinksOnce ? "links once" : "every link");
        FolderWalkOptions options;
        options.linksOnce = c.bLinksOnce;
        const ScanCounts counts = RunScan(root, options);
        EXPECT_EQ(counts.nFiles, rowCount("*", c.bLinksOnce));
        EXPECT_EQ(counts.nFolders, 2u);
        EXPECT_EQ(counts.nBytes, DuBelowRoot("du -sb" + std::string(c.duLinks), root, false));
        EXPECT_EQ(counts.nDiskBytes, DuBelowRoot("du -s -B1" + std::string(c.duLinks), root, true));
        EXPECT_EQ(counts.records.at(".bin"), std::make_pair(rowCount("*.bin", c.bLinksOnce), rowBytes("*.bin", c.bLinksOnce)));
        EXPECT_EQ(counts.records.at(".dat"), std::make_pair(rowCount("*.dat", c.bLinksOnce), rowBytes("*.dat", c.bLinksOnce)));
    }
}

// Files with several links under names of different extensions, met in whatever order the threads
// meet them: each is counted under the extension that sorts first among its names (no extension
// before any), so the rows are the same for every number of threads.
TEST(WalkOptionTest, HardLinkedFilesGetTheSameRowsWithAnyNumberOfThreads)
{
    using Records = decltype(ScanCounts::records);
    TempTree tree;
    for (const char* folder : {"a", "b", "c", "d"})
        ASSERT_TRUE(tree.MakeFolder(folder));
    constexpr int kFiles = 300;
    std::uint64_t noExtBytes = 0, mmBytes = 0;
    for (int i = 0; i < kFiles; ++i) {
        const std::string number = std::to_string(i);
        ASSERT_TRUE(WriteFile(tree.Path("a/f" + number + ".zz"), static_cast<std::uint64_t>(i + 1)));
        ASSERT_EQ(link(tree.Path("a/f" + number + ".zz").c_str(), tree.Path("b/g" + number + ".MM").c_str()), 0);
        ASSERT_EQ(link(tree.Path("a/f" + number + ".zz").c_str(), tree.Path("d/h" + number + ".zz").c_str()), 0);
        if (i % 3 == 0) {
            ASSERT_EQ(link(tree.Path("a/f" + number + ".zz").c_str(), tree.Path("c/n" + number).c_str()), 0);
            noExtBytes += static_cast<std::uint64_t>(i + 1);
        } else {
            mmBytes += static_cast<std::uint64_t>(i + 1);
        }
    }
    for (const std::size_t threads : {1, 2, 8, 64}) {
        FolderWalkOptions options;
        options.linksOnce = true;
        options.threads = threads;
        const ScanCounts counts = RunScan(tree.Root(), options);
        EXPECT_EQ(counts.nFiles, static_cast<std::uint64_t>(kFiles)) << threads;
        EXPECT_EQ(counts.records, (Records{{".mm", {kFiles - kFiles / 3, mmBytes}}})) << threads;
        EXPECT_EQ(counts.nNoExtFiles, static_cast<std::uint64_t>(kFiles / 3)) << threads;
        EXPECT_EQ(counts.nNoExtBytes, noExtBytes) << threads;
        EXPECT_TRUE(counts.IsComplete()) << threads;
    }
}

// Every subfolder's walk fails as it opens, so each thread's part of a large root listing (split
// between threads) ends early: the root is still reported as not listed once, however many of its
// parts failed, and no more folders are reported than there are.
TEST(WalkOptionTest, FolderWhosePartsFailIsReportedOnce)
{
    TempTree tree;
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(tree.MakeFile("f" + std::to_string(i) + ".x", 1));
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(tree.MakeFolder("d" + std::to_string(i)));
    for (const std::size_t threads : {1, 2, 8}) {
        FolderWalkOptions options;
        options.threads = threads;
        options.onFolderOpened = [](std::string_view, std::size_t depth) {
            if (depth > 0)
                throw std::runtime_error("refused");
        };
        const ScanCounts counts = RunScan(tree.Root(), options);
        EXPECT_GE(counts.nNotListed, 2u) << threads;   // the root and a subfolder at least
        EXPECT_LE(counts.nNotListed, counts.nFolders + 1) << threads;
    }
}

// Four threads offer the same 200,000 files (on several devices, the key {0, 0} among them), each
// in its own order: every file is a first link exactly once, however the set grows meanwhile.
TEST(WalkOptionTest, HardLinkSetCountsEachFileOnceAcrossThreads)
{
    constexpr std::uint64_t kFiles = 200000;
    HardLinkSet links;
    std::atomic<std::uint64_t> firsts{0};
    std::vector<std::thread> threads;
    // Steps prime to kFiles, so that each thread meets every file.
    for (const std::uint64_t step : {1, 3, 7, 9}) {
        threads.emplace_back([&, step] {
            std::uint64_t mine = 0;
            for (std::uint64_t i = 0; i < kFiles; ++i) {
                const std::uint64_t file = (i * step + step * 7919) % kFiles;
                mine += links.FirstLink(static_cast<dev_t>(file % 3), static_cast<ino_t>(file / 3)) ? 1 : 0;
            }
            firsts += mine;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(firsts.load(), kFiles);
    EXPECT_EQ(links.Size(), kFiles);
    EXPECT_FALSE(links.FirstLink(0, 0));
    EXPECT_TRUE(links.FirstLink(3, 0));
}

// ---- Exclusion patterns ----------------------------------------------------------------------

// A pattern matching a folder leaves it out with everything below it; one matching files leaves
// them out wherever they are ("*" also matches a leading dot); an entry matching two patterns is
// left out once. Against du --exclude, and find -prune for the counts. The patterns cannot match
// across a "/" of the root's path, where du would also try them.
TEST(WalkOptionTest, ExclusionPatternsLeaveEntriesOutAsDuExcludeDoes)
{
    TempTree tree;
    for (const char* folder : {"cache", "cache/deep", "keep", "keep/cache"})
        ASSERT_TRUE(tree.MakeFolder(folder));
    for (const char* file : {"cache/a.log", "cache/deep/b.txt", "x.log", "y.txt", ".hidden.log", "keep/z.log",
                             "keep/w.dat", "keep/cache/v.dat"})
        ASSERT_TRUE(WriteFile(tree.Path(file), 100 + std::strlen(file)));
    const std::string root = tree.Root();
    const std::string quoted = ShellQuoted(root);

    const std::vector<std::vector<std::string>> cases = {
        {}, {"cache"}, {"*.log"}, {"cache", "*.log"}, {"*.LOG"}, {"[xy].*", "?eep"}, {"*.log", "*.l?g"},
    };
    for (const std::vector<std::string>& patterns : cases) {
        std::string duExcludes, findNames = "-false";
        for (const std::string& pattern : patterns) {
            duExcludes += " --exclude=" + ShellQuoted(pattern);
            findNames += " -o -name " + ShellQuoted(pattern);
        }
        const std::string pruned = "find " + quoted + " -mindepth 1 \\( " + findNames + " \\) -prune";
        SCOPED_TRACE(duExcludes);
        FolderWalkOptions options;
        options.excludePatterns = patterns;
        const ScanCounts counts = RunScan(root, options);
        EXPECT_EQ(counts.nExcluded, CountLines(pruned + " -print"));
        EXPECT_EQ(counts.nFolders, CountLines(pruned + " -o -type d -print"));
        EXPECT_EQ(counts.nFiles, CountLines(pruned + " -o ! -type d -print"));
        EXPECT_EQ(counts.nBytes, DuBelowRoot("du -sb" + duExcludes, root, false));
        EXPECT_EQ(counts.nDiskBytes, DuBelowRoot("du -sB1" + duExcludes, root, true));
        EXPECT_TRUE(counts.IsComplete());
    }
}

} // namespace
