#include "FileSystemProperties.h"
#include "SelectDirDialog.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

struct BodyCase {
    const char* name;
    std::optional<SpaceFigures> space;
    std::optional<VolumeFacts> volume;
    const char* expected;
};

constexpr std::uint64_t kMB = 1u << 20;
const VolumeFacts kExt4{"ext4", false, 255};

TEST(FileSystemPropertiesTest, BodyTextFromFigures)
{
    const BodyCase cases[] = {
        {"4096 MB free is the MB form", SpaceFigures{kMB, 8192, 4096}, kExt4,
         "8192 MB capacity\n4096 MB free  (50%)\n\nFile system = ext4,  not compressed\n"
         "Long file names (up to 255 chars)"},
        {"4097 MB free is the GB form", SpaceFigures{kMB, 8192, 4097}, kExt4,
         "8.0 GB capacity\n4.0 GB free  (50%)\n\nFile system = ext4,  not compressed\n"
         "Long file names (up to 255 chars)"},
        {"worked example", SpaceFigures{8 * 512, 2621440, 1310720}, VolumeFacts{"NTFS", false, 255},
         "10.0 GB capacity\n5.0 GB free  (50%)\n\nFile system = NTFS,  not compressed\n"
         "Long file names (up to 255 chars)"},
        {"tenths truncated", SpaceFigures{kMB, 20479, 5119}, std::nullopt, "19.9 GB capacity\n4.9 GB free  (24%)"},
        {"free space chooses the unit", SpaceFigures{kMB, 15625, 4000}, std::nullopt,
         "15625 MB capacity\n4000 MB free  (25%)"},
        {"8.3 names, compressed", SpaceFigures{kMB, 100, 30}, VolumeFacts{"btrfs", true, 12},
         "100 MB capacity\n30 MB free  (30%)\n\nFile system = btrfs,  compressed\n8.3 file names"},
        {"other name length", SpaceFigures{kMB, 100, 30}, VolumeFacts{"ecryptfs", false, 254},
         "100 MB capacity\n30 MB free  (30%)\n\nFile system = ecryptfs,  not compressed\n"
         "File name length up to 254 chars"},
        {"under 1 MB: share from bytes", SpaceFigures{4096, 200, 50}, std::nullopt, "0 MB capacity\n0 MB free  (25%)"},
        {"empty file system", SpaceFigures{4096, 0, 0}, std::nullopt, "0 MB capacity\n0 MB free  (0%)"},
        {"2^64 bytes and more", SpaceFigures{1u << 16, std::uint64_t(1) << 50, std::uint64_t(1) << 49}, std::nullopt,
         "68719476736.0 GB capacity\n34359738368.0 GB free  (50%)"},
        {"capacity only", SpaceFigures{kMB, 10, 5}, std::nullopt, "10 MB capacity\n5 MB free  (50%)"},
        {"not available", std::nullopt, kExt4, "Not available"},
    };
    for (const BodyCase& c : cases) {
        FileSystemProperties properties{"/data", c.space, c.volume};
        EXPECT_EQ(FormatPropertiesBody(properties), c.expected) << c.name;
    }
    EXPECT_EQ(FormatPropertiesCaption(FileSystemProperties{"/media/usb stick", {}, {}}),
              "(/media/usb stick) properties");
}

TEST(FileSystemPropertiesTest, MountTableRowsAndTheOneHoldingAPath)
{
    const std::vector<MountEntry> rows = ParseMountInfo(
        "27 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
        "30 27 0:25 / /home rw master:2 - btrfs /dev/sdb1 rw,compress=zstd:3\n"
        "31 27 0:26 / /media/usb\\040stick rw - vfat /dev/sdc1 rw\n"
        "not a mount line\n"
        "32 30 0:27 / /home/ann/mnt rw - tmpfs none rw,size=1024k\n"
        "33 30 0:28 / /home/ann/mnt rw - nfs4 srv:/share rw,vers=4.2\n");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[2].mountPoint, "/media/usb stick");
    EXPECT_EQ(rows[1].options, "rw,rw,compress=zstd:3"); // the mount's, then the file system's
    const struct {
        const char* path;
        const char* mountPoint;
    } cases[] = {
        {"/", "/"},
        {"/etc", "/"},
        {"/homework", "/"}, // a name that merely starts like a mount point
        {"/home", "/home"},
        {"/home/ann/mnt/x", "/home/ann/mnt"},
        {"/media/usb stick/photos", "/media/usb stick"},
    };
    for (const auto& c : cases) {
        const MountEntry* row = FindMountOf(rows, c.path);
        ASSERT_NE(row, nullptr) << c.path;
        EXPECT_EQ(row->mountPoint, c.mountPoint) << c.path;
    }
    EXPECT_EQ(FindMountOf(rows, "/home/ann/mnt")->fsType, "nfs4"); // the later mount lies on top
    EXPECT_EQ(FindMountOf({}, "/etc"), nullptr);
}

TEST(FileSystemPropertiesTest, CompressionFromMountOptions)
{
    const struct {
        const char* options;
        bool bCompressed;
    } cases[] = {
        {"rw,relatime,compress=zstd:3", true}, {"rw,compress-force=lzo", true}, {"compression", true},
        {"rw,compress", true},       {"rw,compress=no", false},         {"rw,nocompress,relatime", false},
        {"rw,relatime", false},      {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OptionsSayCompressed(c.options), c.bCompressed) << c.options;
}

std::string CommandOutput(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    std::string output;
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get()))
        output += buffer;
    return output;
}

// A tmpfs of 768 KiB (smaller than 1 MB) mounted on the test's folder where mounting is allowed;
// otherwise the folder's own file system is measured.
class ScopedTmpfs {
public:
    explicit ScopedTmpfs(const std::string& folder) : m_folder(folder)
    {
        m_bMounted = mount("kestrum-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=768k") == 0;
    }
    ~ScopedTmpfs()
    {
        if (m_bMounted)
            umount2(m_folder.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_bMounted; }

private:
    std::string m_folder;
    bool m_bMounted = false;
};

TEST(FileSystemPropertiesTest, RealFileSystemMatchesDfAndStat)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    ASSERT_TRUE(tree.MakeFolder("fs"));
    const std::string folder = tree.Path("fs");
    const ScopedTmpfs tmpfs(folder);
    if (tmpfs.Mounted()) // real bytes, not a sparse file, so that the free share drops
        std::ofstream(folder + "/data") << std::string(100 * 1024, 'x');

    // Free space can change between two readings; three agreeing readings in a row count.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const FileSystemProperties properties = ReadFileSystemProperties(folder, ReadMountTable());
        std::istringstream df(CommandOutput("df -B1 --output=target,fstype,size,avail '" + folder + "' | tail -n 1"));
        std::istringstream statf(CommandOutput("stat -f -c '%S %b %a %l' '" + folder + "'"));
        const FileSystemProperties again = ReadFileSystemProperties(folder, ReadMountTable());
        std::string target, fsType;
        std::uint64_t size = 0, avail = 0, blockSize = 0, blocks = 0, available = 0, nameMax = 0;
        ASSERT_TRUE(df >> target >> fsType >> size >> avail);
        ASSERT_TRUE(statf >> blockSize >> blocks >> available >> nameMax);
        ASSERT_TRUE(properties.space && properties.volume && again.space);
        if (properties.space->freeBlocks != again.space->freeBlocks ||
            properties.space->freeBlocks * properties.space->blockSize != avail)
            continue;
        if (tmpfs.Mounted()) {
            EXPECT_EQ(properties.rootText, folder);
            EXPECT_EQ(size, 768u * 1024);
            const std::string body = FormatPropertiesBody(properties);
            EXPECT_TRUE(body.starts_with("0 MB capacity\n0 MB free  (" + std::to_string(avail * 100 / size) + "%)"))
                << body;
        }
        EXPECT_EQ(properties.rootText, target);
        EXPECT_EQ(properties.volume->fsName, fsType);
        EXPECT_EQ(properties.space->blockSize, blockSize);
        EXPECT_EQ(properties.space->totalBlocks, blocks);
        EXPECT_EQ(properties.space->freeBlocks, available);
        EXPECT_EQ(properties.space->blockSize * properties.space->totalBlocks, size);
        EXPECT_EQ(properties.volume->maxNameLength, nameMax);
        return;
    }
    FAIL() << "the free space never held still for one reading";
}

// As root every folder can be listed, so the check runs in a child that has become "nobody".
TEST(FileSystemPropertiesTest, ListingCheckAsAnUnprivilegedUser)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("open"));
    ASSERT_TRUE(tree.MakeFolder("locked"));
    ASSERT_TRUE(tree.MakeFile("file", 1));
    ASSERT_EQ(chmod(tree.Path("locked").c_str(), 0), 0);
    const struct {
        std::string folder;
        bool bListable;
    } cases[] = {{tree.Path("open"), true}, {tree.Path("locked"), false}, {tree.Path("missing"), false},
                 {tree.Path("file"), false}, {"", false}};

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        // Exit code: 0 all as expected, 10+i the case that failed, 2 could not drop privileges.
        constexpr gid_t kNobody = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(2);
        if (access(tree.Path("locked").c_str(), R_OK) == 0)
            _exit(3);
        for (std::size_t i = 0; i < std::size(cases); ++i)
            if (CSelectDirDialog::CanListFolder(cases[i].folder) != cases[i].bListable)
                _exit(10 + static_cast<int>(i));
        _exit(0);
    }
    int status = 0;
    pid_t ended = 0;
    for (int waited = 0; waited < 300 && (ended = waitpid(child, &status, WNOHANG)) == 0; ++waited)
        usleep(100 * 1000);
    if (ended != child) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the unprivileged check did not finish within 30 s";
    }
    chmod(tree.Path("locked").c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2/3: privileges not dropped; 10+i: case i";
}

} // namespace
