// Mounts of kernel pseudo-filesystems below the root: counted as a folder, never entered; a root
// that is itself such a mount is walked.
#include "ChildRun.h"
#include "PseudoMountRule.h"
#include "ScanRun.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/magic.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Every file system on the list is known by its mount-table name and, where it has one of its
// own, by its statfs magic number (the kernel's constants where its header has them). A real
// file system is known by neither; devtmpfs has no magic of its own, and tmpfs's is not one.
TEST(PseudoMountRuleTest, KnowsEveryPseudoFileSystemByNameAndMagic)
{
    const struct {
        const char* name;
        std::uint32_t magic;   // 0: none of its own
        bool bPseudo;
    } cases[] = {
        {"proc", PROC_SUPER_MAGIC, true},
        {"sysfs", SYSFS_MAGIC, true},
        {"devtmpfs", 0, true},
        {"devpts", DEVPTS_SUPER_MAGIC, true},
        {"cgroup", CGROUP_SUPER_MAGIC, true},
        {"cgroup2", CGROUP2_SUPER_MAGIC, true},
        {"debugfs", DEBUGFS_MAGIC, true},
        {"tracefs", TRACEFS_MAGIC, true},
        {"securityfs", SECURITYFS_MAGIC, true},
        {"pstore", PSTOREFS_MAGIC, true},
        {"bpf", BPF_FS_MAGIC, true},
        {"configfs", 0x62656570, true},   // the kernel's CONFIGFS_MAGIC, not in the user header
        {"fusectl", 0x65735543, true},    // FUSE_CTL_SUPER_MAGIC
        {"mqueue", 0x19800202, true},     // MQUEUE_MAGIC
        {"binfmt_misc", BINFMTFS_MAGIC, true},
        {"autofs", AUTOFS_SUPER_MAGIC, true},
        {"hugetlbfs", HUGETLBFS_MAGIC, true},
        {"tmpfs", TMPFS_MAGIC, false},
        {"ext4", EXT4_SUPER_MAGIC, false},
        {"fuse.sshfs", 0x65735546, false},   // FUSE_SUPER_MAGIC
        {"Proc", 0, false},
        {"", 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PseudoMountRule::IsPseudoFileSystem(c.name), c.bPseudo) << c.name;
        if (c.magic != 0) {
            EXPECT_EQ(PseudoMountRule::IsPseudoMagic(c.magic), c.bPseudo) << c.name;
        }
    }
    EXPECT_FALSE(PseudoMountRule::IsPseudoMagic(0));
}

TEST(PseudoMountRuleTest, ReadsPseudoFileSystemDevicesFromMountInfo)
{
    const std::string mountInfo =
        "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "21 26 0:20 / /proc rw,relatime shared:12 - proc proc rw\n"
        "23 26 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw,size=100k\n"
        "24 23 0:22 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
        "40 30 0:37 / /sys/fs/cgroup/unified rw,relatime master:3 propagate_from:2 - cgroup2 cgroup2 rw\n"
        "41 26 0:38 / /mnt/with\\040space rw - binfmt_misc binfmt_misc rw\n"
        "broken line\n"
        "42 26 0:39 / /mnt/fuse rw - fuse.sshfs host:/ rw";
    const PseudoMountRule rule = PseudoMountRule::FromMountInfo(mountInfo);
    EXPECT_TRUE(rule.Excludes(makedev(0, 20), -1, "proc"));
    EXPECT_TRUE(rule.Excludes(makedev(0, 6), -1, "dev"));
    EXPECT_TRUE(rule.Excludes(makedev(0, 37), -1, "unified"));
    EXPECT_TRUE(rule.Excludes(makedev(0, 38), -1, "with space"));
    EXPECT_FALSE(rule.Excludes(makedev(254, 0), -1, "vda"));
    EXPECT_FALSE(rule.Excludes(makedev(0, 22), -1, "shm"));
    EXPECT_FALSE(rule.Excludes(makedev(0, 39), -1, "fuse"));
}

// The mountinfo line of the mount at mountPoint, or "" when there is none.
std::string MountLine(const std::string& mountPoint)
{
    std::ifstream mountInfo("/proc/self/mountinfo");
    std::string line;
    std::string found;
    while (std::getline(mountInfo, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (point == mountPoint)
            found = line;   // the last one is the mount on top
    }
    return found;
}

// In a private mount namespace (so nothing leaks out, even if the test dies) a fresh devpts
// instance, which holds exactly ptmx, is mounted inside the tree.
bool CountWithPrivateDevpts(const std::string& root, std::string& output)
{
    const std::string mountPoint = root + "/pts";
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || mount("devpts", mountPoint.c_str(), "devpts", 0, "newinstance,ptmxmode=0666") != 0) {
        output = "unavailable";
        return true;
    }
    struct stat point {};
    struct stat ptmx {};
    if (lstat(mountPoint.c_str(), &point) != 0 || lstat((mountPoint + "/ptmx").c_str(), &ptmx) != 0) {
        output = "the devpts instance has no ptmx";
        return false;
    }
    ScanCounts below;
    below.nFolders = 1;
    below.nFiles = 1;
    below.nBytes = 4 + static_cast<std::uint64_t>(point.st_size);
    below.nNotEntered = 1;
    below.records = {{".txt", {1, 4}}};
    ScanCounts itself;
    itself.nFiles = 1;
    itself.nBytes = static_cast<std::uint64_t>(ptmx.st_size);
    // Counted against expected, first below the root, then with the mount itself as the root.
    const std::string belowCounted = CountsToText(RunScan(root)), itselfCounted = CountsToText(RunScan(mountPoint));
    if (belowCounted != CountsToText(below) || itselfCounted != CountsToText(itself))
        output = "below: " + belowCounted + "\nexpected: " + CountsToText(below) + "\nitself: " + itselfCounted
            + "\nexpected: " + CountsToText(itself);
    return output.empty();
}

TEST(PseudoMountTest, MountBelowTheRootIsCountedButNotEntered)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("pts"));
    ASSERT_TRUE(tree.MakeFile("plain.txt", 4));
    const std::string root = tree.Root();
    const ChildResult child = RunInChild(
        [&](std::string& output) { return CountWithPrivateDevpts(root, output); }, std::chrono::seconds(60));
    ASSERT_TRUE(child.bFinished);
    if (child.output == "unavailable")
        GTEST_SKIP() << "no permission to mount a devpts instance here (the test using /dev covers the rule)";
    EXPECT_EQ(child.exitCode, 0) << child.output;
}

TEST(PseudoMountTest, SystemDevptsBelowDevIsNotEnteredButWalkedAsRoot)
{
    const std::string line = MountLine("/dev/pts");
    if (line.find(" - devpts ") == std::string::npos)
        GTEST_SKIP() << "/dev/pts is not a devpts mount on this machine";

    // The hook runs on whichever walking thread opened the folder, several at once.
    std::mutex openedLock;
    std::vector<std::string> opened;
    FolderWalkOptions options;
    options.onFolderOpened = [&](std::string_view name, std::size_t depth) {
        std::lock_guard lock(openedLock);
        if (depth == 1)
            opened.emplace_back(name);
    };
    const ScanCounts dev = RunScan("/dev", options);
    EXPECT_GE(dev.nFolders, 1u);
    EXPECT_EQ(std::count(opened.begin(), opened.end(), "pts"), 0);

    const ScanCounts pts = RunScan("/dev/pts");
    EXPECT_GE(pts.nFiles, 1u);   // ptmx at least

    // Without mountinfo the rule asks statfs, which knows devpts by its magic number.
    const int devFd = open("/dev", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(devFd, 0);
    struct stat status {};
    ASSERT_EQ(fstatat(devFd, "pts", &status, AT_SYMLINK_NOFOLLOW), 0);
    EXPECT_TRUE(PseudoMountRule::FromFileSystemMagic().Excludes(status.st_dev, devFd, "pts"));
    close(devFd);
}

// In a private mount namespace, a devtmpfs instance (the one /dev also shows, mounted there afresh
// in case /dev is something else) and a tmpfs are mounted inside the tree. With /proc the mount
// table tells them apart; with /proc unmounted the walk has only statfs, which reports the tmpfs
// magic for both: the devtmpfs must still be counted but not entered, and the tmpfs walked.
bool CountDeviceAndMemoryMounts(const std::string& root, std::string& output)
{
    const std::string devices = root + "/devices";
    const std::string memory = root + "/memory";
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || (mount("devtmpfs", "/dev", "devtmpfs", 0, nullptr) != 0 && errno != EBUSY)   // EBUSY: already there
        || mount("devtmpfs", devices.c_str(), "devtmpfs", 0, nullptr) != 0
        || mount("tmpfs", memory.c_str(), "tmpfs", 0, "size=64k") != 0) {
        // As root (as in CI) this must work.
        output = geteuid() == 0 ? std::string("cannot mount: ") + std::strerror(errno) : "unavailable";
        return geteuid() != 0;
    }
    const int file = open((memory + "/kept.bin").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0 || ftruncate(file, 9) != 0) {
        output = "cannot write into the tmpfs";
        return false;
    }
    close(file);
    struct stat devicesPoint {};
    struct stat memoryPoint {};
    if (lstat(devices.c_str(), &devicesPoint) != 0 || lstat(memory.c_str(), &memoryPoint) != 0) {
        output = "the mount points cannot be examined";
        return false;
    }
    ScanCounts expected;
    expected.nFolders = 2;
    expected.nFiles = 1;
    expected.nBytes = 9 + static_cast<std::uint64_t>(devicesPoint.st_size + memoryPoint.st_size);
    expected.nNotEntered = 1;
    expected.records = {{".bin", {1, 9}}};
    expected.listLength = 1;

    const std::string withProc = CountsToText(RunScan(root));
    if (umount2("/proc", MNT_DETACH) != 0 || access("/proc/self/mountinfo", F_OK) == 0) {
        output = "/proc could not be taken away";
        return false;
    }
    const std::string withoutProc = CountsToText(RunScan(root));
    const std::string wanted = CountsToText(expected);
    if (withProc != wanted || withoutProc != wanted)
        output = "with /proc: " + withProc + "\nwithout: " + withoutProc + "\nexpected: " + wanted;
    return output.empty();
}

TEST(PseudoMountTest, DevtmpfsBelowTheRootIsNotEnteredEvenWithoutProc)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("devices"));
    ASSERT_TRUE(tree.MakeFolder("memory"));
    const std::string root = tree.Root();
    const ChildResult child = RunInChild(
        [&](std::string& output) { return CountDeviceAndMemoryMounts(root, output); }, std::chrono::seconds(60));
    ASSERT_TRUE(child.bFinished);
    if (child.output == "unavailable")
        GTEST_SKIP() << "not root: no private mount namespace";
    EXPECT_EQ(child.exitCode, 0) << child.output;
}

} // namespace
