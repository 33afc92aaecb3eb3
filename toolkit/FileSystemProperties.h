// What the folder dialog's properties box tells about the file system that holds a folder: its
// mount point, capacity and free space (statvfs), its name and compression (the mount table) and
// its longest file name. Reading and wording are apart, so the wording can be tested over figures.
// Plain C++ and POSIX, no Qt.
#pragma once

#include "MountTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SpaceFigures {
    std::uint64_t blockSize = 0;   // f_frsize: the unit of the two counts below
    std::uint64_t totalBlocks = 0; // f_blocks
    std::uint64_t freeBlocks = 0;  // f_bavail: free to an unprivileged user, as df shows it
};

struct VolumeFacts {
    std::string fsName;
    bool bCompressed = false;
    std::uint64_t maxNameLength = 0; // f_namemax
};

struct FileSystemProperties {
    std::string rootText;               // the mount point, or the folder when no mount holds it
    std::optional<SpaceFigures> space;  // missing when statvfs fails
    std::optional<VolumeFacts> volume;  // missing when the mount table has no row for the folder
};

// The properties of the file system holding `folder` (absolute), from statvfs and the given rows.
FileSystemProperties ReadFileSystemProperties(const std::string& folder, const std::vector<MountEntry>& mounts);

// "(root) properties".
std::string FormatPropertiesCaption(const FileSystemProperties& properties);
// The capacity and free-space lines, then the file-system lines; "Not available" without figures.
std::string FormatPropertiesBody(const FileSystemProperties& properties);
