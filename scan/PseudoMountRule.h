// Which mounts met below the root of a scan are counted as a folder but not entered: those of the
// kernel's pseudo-filesystems, whose sizes are not disk bytes (/proc/kcore alone reads as 128 TiB).
#pragma once

#include <sys/types.h>

#include <string_view>
#include <vector>

class PseudoMountRule {
public:
    // Reads /proc/self/mountinfo once. Where it cannot be read, the rule asks statfs per mount
    // point instead, which cannot tell devtmpfs from tmpfs (both report the tmpfs magic), so
    // devtmpfs mounts are then entered.
    static PseudoMountRule ForThisProcess();
    // A rule from mountinfo text in the kernel's format.
    static PseudoMountRule FromMountInfo(std::string_view mountInfo);
    // A rule that only has statfs to go by.
    static PseudoMountRule FromFileSystemMagic();

    // True when the folder `name` in the listing of parentFd, a mount point whose device is
    // device (the caller has seen it differ from its parent's), must not be entered.
    bool Excludes(dev_t device, int parentFd, const char* name) const;

    // True when fileSystemType names one of the pseudo-filesystems ("proc", "sysfs", ...).
    static bool IsPseudoFileSystem(std::string_view fileSystemType);

private:
    bool m_bFromMountInfo = false;
    std::vector<dev_t> m_pseudoDevices;   // sorted; devices of pseudo-filesystem mounts
};
