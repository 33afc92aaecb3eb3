// The kernel's mount table (/proc/self/mountinfo) read in one place, for the scan's rule on
// pseudo-filesystem mounts and the window's file-system properties alike. Plain C++ and POSIX:
// it knows nothing of scanning, so both sides can use it.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

struct MountInfoRow {
    dev_t device = 0;          // major:minor of the mounted file system
    bool bDeviceKnown = false; // false when that field was not of the form major:minor
    std::string mountPoint;    // absolute, with the table's octal escapes (\040 for a blank) decoded
    std::string fsType;        // "ext4", "tmpfs", "fuse.sshfs", ... (escapes decoded)
    std::string mountOptions;  // the mount's own options ("rw,relatime")
    std::string superOptions;  // the file system's options ("rw,compress=zstd:3")
};

class MountInfo {
public:
    // The rows of mountinfo text, in the table's order. A line is "id parent major:minor root
    // mount-point options [optional fields...] - type source super-options"; lines not of that
    // shape (or with a mount point that is not absolute) are skipped. Throws std::bad_alloc.
    static std::vector<MountInfoRow> Parse(std::string_view text);
    // This process's table as text; false when it cannot be read (no /proc in a chroot or
    // container) or is empty. Throws std::bad_alloc.
    static bool ReadThisProcess(std::string& text);
};
