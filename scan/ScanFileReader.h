// Reads a scan back: a file kestrum-scan --json or the window's "Save list as..." wrote (format 1
// or 2), or an export of ncdu (ncdu -o) or gdu (gdu -o). Whatever the file holds, the answer is a
// scan or one fault, never a crash: at most kMaxBytes are read, nesting of any depth is followed
// without recursion, and every number is checked against what it counts.
#pragma once

#include "SavedScan.h"

#include <cstdint>
#include <string>
#include <string_view>

class ScanFileReader {
public:
    // No scan file comes near this (an export of ten million entries takes about a gigabyte).
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 30;

    // Reads the file at path (a regular file or a pipe; a folder is refused). True with `scan`
    // filled; false with `error` saying why, `scan` untouched.
    static bool ReadFile(const std::string& path, SavedScan& scan, ScanFileError& error,
                         std::uint64_t maxBytes = kMaxBytes);
    // The same for text already in memory.
    static bool ReadText(std::string_view text, SavedScan& scan, ScanFileError& error);
};
