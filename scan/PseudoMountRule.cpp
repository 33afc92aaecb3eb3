#include "PseudoMountRule.h"

#include "MountInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

namespace {

struct PseudoFileSystem {
    std::string_view name;   // as the mount table names it
    std::uint32_t magic;     // statfs f_type; 0 for devtmpfs, which reports tmpfs's
};

constexpr PseudoFileSystem kPseudoFileSystems[] = {
    {"proc", 0x9fa0},
    {"sysfs", 0x62656572},
    {"devtmpfs", 0},
    {"devpts", 0x1cd1},
    {"cgroup", 0x27e0eb},
    {"cgroup2", 0x63677270},
    {"debugfs", 0x64626720},
    {"tracefs", 0x74726163},
    {"securityfs", 0x73636673},
    {"pstore", 0x6165676C},
    {"bpf", 0xcafe4a11},
    {"configfs", 0x62656570},
    {"fusectl", 0x65735543},
    {"mqueue", 0x19800202},
    {"binfmt_misc", 0x42494e4d},
    {"autofs", 0x0187},
    {"hugetlbfs", 0x958458f6},
};

constexpr std::uint32_t kTmpfsMagic = 0x01021994;

} // namespace

bool PseudoMountRule::IsPseudoFileSystem(std::string_view fileSystemType)
{
    return std::any_of(std::begin(kPseudoFileSystems), std::end(kPseudoFileSystems),
                       [&](const PseudoFileSystem& known) { return known.name == fileSystemType; });
}

bool PseudoMountRule::IsPseudoMagic(std::uint32_t magic)
{
    return magic != 0 && std::any_of(std::begin(kPseudoFileSystems), std::end(kPseudoFileSystems),
                                     [&](const PseudoFileSystem& known) { return known.magic == magic; });
}

PseudoMountRule PseudoMountRule::FromMountInfo(std::string_view mountInfo)
{
    PseudoMountRule rule;
    rule.m_bFromMountInfo = true;
    for (const MountInfoRow& row : MountInfo::Parse(mountInfo))
        if (row.bDeviceKnown && IsPseudoFileSystem(row.fsType))
            rule.m_pseudoDevices.push_back(row.device);
    std::sort(rule.m_pseudoDevices.begin(), rule.m_pseudoDevices.end());
    return rule;
}

PseudoMountRule PseudoMountRule::FromFileSystemMagic()
{
    // devtmpfs has one instance however often it is mounted, so every mount of it has the device
    // of the one on /dev. A /dev that reports the tmpfs magic is taken for that instance (in a
    // container it may be a plain tmpfs of device nodes, which is no more worth counting).
    PseudoMountRule rule;
    struct stat status {};
    struct statfs info {};
    if (stat("/dev", &status) == 0 && statfs("/dev", &info) == 0
        && static_cast<std::uint32_t>(info.f_type) == kTmpfsMagic) {
        rule.m_bDevDeviceKnown = true;
        rule.m_devDevice = status.st_dev;
    }
    return rule;
}

PseudoMountRule PseudoMountRule::ForThisProcess()
{
    try {
        std::string text;
        if (MountInfo::ReadThisProcess(text))
            return FromMountInfo(text);
    } catch (const std::bad_alloc&) {
        // fall back to statfs
    }
    return FromFileSystemMagic();
}

bool PseudoMountRule::Excludes(dev_t device, int parentFd, const char* name) const
{
    if (m_bFromMountInfo)
        return std::binary_search(m_pseudoDevices.begin(), m_pseudoDevices.end(), device);
    // O_PATH without O_DIRECTORY reaches the mount point without reading it and without
    // triggering an automount.
    const int fd = openat(parentFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct statfs info {};
    const bool bKnown = fstatfs(fd, &info) == 0;
    close(fd);
    if (!bKnown)
        return false;
    const auto magic = static_cast<std::uint32_t>(info.f_type);
    if (magic == kTmpfsMagic)
        return m_bDevDeviceKnown && device == m_devDevice;
    return IsPseudoMagic(magic);
}
