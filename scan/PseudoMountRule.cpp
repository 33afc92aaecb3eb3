#include "PseudoMountRule.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

std::string_view NextField(std::string_view& line)
{
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const std::size_t end = std::min(line.find(' '), line.size());
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(end);
    return field;
}

// "major:minor" as a device number; false when the field is not of that form.
bool ParseDevice(std::string_view field, dev_t& device)
{
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string text(field);
    char* end = nullptr;
    const unsigned long major = std::strtoul(text.c_str(), &end, 10);
    if (end != text.c_str() + colon)
        return false;
    const char* minorStart = end + 1;
    const unsigned long minor = std::strtoul(minorStart, &end, 10);
    if (end == minorStart || *end != '\0')
        return false;
    device = makedev(major, minor);
    return true;
}

// One mountinfo line: "id parent major:minor root mount-point options [optional...] - type source
// super-options". Adds the device when type is a pseudo-filesystem.
void ReadMountLine(std::string_view line, std::vector<dev_t>& devices)
{
    NextField(line);   // mount id
    NextField(line);   // parent id
    dev_t device = 0;
    if (!ParseDevice(NextField(line), device))
        return;
    for (std::string_view field = NextField(line); !field.empty(); field = NextField(line)) {
        if (field == "-") {
            if (PseudoMountRule::IsPseudoFileSystem(NextField(line)))
                devices.push_back(device);
            return;
        }
    }
}

bool ReadWholeFile(const char* path, std::string& text)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char chunk[8192];
    bool bOk = true;
    for (;;) {
        const ssize_t count = read(fd, chunk, sizeof chunk);
        if (count == 0)
            break;
        if (count < 0) {
            bOk = false;
            break;
        }
        text.append(chunk, static_cast<std::size_t>(count));
    }
    close(fd);
    return bOk && !text.empty();
}

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
    while (!mountInfo.empty()) {
        const std::size_t end = std::min(mountInfo.find('\n'), mountInfo.size());
        ReadMountLine(mountInfo.substr(0, end), rule.m_pseudoDevices);
        mountInfo.remove_prefix(std::min(end + 1, mountInfo.size()));
    }
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
        if (ReadWholeFile("/proc/self/mountinfo", text))
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
