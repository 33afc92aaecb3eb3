// The kernel's mount table (/proc/self/mountinfo) as rows, and the row that holds a path.
// Plain C++ and POSIX, no Qt, so that the rules can be tested over text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct MountEntry {
    std::string mountPoint; // absolute, with the table's octal escapes (\040 for a blank) decoded
    std::string fsType;     // the file-system name as mounted: "ext4", "tmpfs", "fuse.sshfs", ...
    std::string options;    // the mount's own options, then the file system's, joined by ","
};

// The rows of mountinfo text, in the table's order. Lines that do not have the table's shape are
// skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The row of the file system that holds `path` (absolute, without "." or ".." parts): the longest
// mount point that is the path or one of its parents. Of several mounts on one point the last is
// the one on top. nullptr when no row holds the path.
const MountEntry* FindMountOf(const std::vector<MountEntry>& entries, std::string_view path);

// Whether the options ask the file system to compress what it stores ("compress", "compress=zstd",
// "compress-force=lzo", "compression", ...). "compress=no" and "compress=none" do not.
bool OptionsSayCompressed(std::string_view options);

// The rows of this process's mount table; empty when it cannot be read.
std::vector<MountEntry> ReadMountTable();
