// Which mounts met below the root of a scan are counted as a folder but not entered: those of the
// kernel's pseudo-filesystems, whose sizes are not disk bytes (/proc/kcore alone reads as 128 TiB).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string_view>
#include <vector>

class PseudoMountRule {
public:
    // Reads /proc/self/mountinfo once. Where it cannot be read (a chroot or container without
    // /proc), the rule asks statfs per mount point instead.
    static PseudoMountRule ForThisProcess();
    // A rule from mountinfo text in the kernel's format.
    static PseudoMountRule FromMountInfo(std::string_view mountInfo);
    // A rule that only has statfs to go by. statfs cannot tell devtmpfs from tmpfs (both report
    // the tmpfs magic), so a tmpfs-magic mount is taken for devtmpfs when it has the device of
    // the tmpfs-magic mount on /dev.
    static PseudoMountRule FromFileSystemMagic();

    // True when the folder `name` in the listing of parentFd, a mount point whose device is
    // device (the caller has seen it differ from its parent's), must not be entered.
    bool Excludes(dev_t device, int parentFd, const char* name) const;

    // True when fileSystemType names one of the pseudo-filesystems ("proc", "sysfs", ...).
    static bool IsPseudoFileSystem(std::string_view fileSystemType);
    // True when magic is the statfs type of one of them (devtmpfs has none of its own).
    static bool IsPseudoMagic(std::uint32_t magic);

private:
    bool m_bFromMountInfo = false;
    bool m_bDevDeviceKnown = false;
    dev_t m_devDevice = 0;                // the device of /dev, when it reports the tmpfs magic
    std::vector<dev_t> m_pseudoDevices;   // sorted; devices of pseudo-filesystem mounts
};
