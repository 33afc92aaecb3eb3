// A scan read back from a file: Kestrum's own scan files (format 1 and 2) and the JSON exports of
// ncdu and gdu, folded into the same per-extension records a walk makes.
#pragma once

#include "ScanFileHead.h"
#include "ScanResult.h"

#include <cstdint>
#include <string>

enum class ScanFileKind { Kestrum, Ncdu, Gdu };

struct SavedScan {
    ScanFileKind kind = ScanFileKind::Kestrum;
    unsigned format = 1;        // Kestrum's format; an export's major version for ncdu and gdu
    bool bHasChoices = false;   // the file records the walk's choices (Kestrum's format 2)
    bool bHasStarted = false;   // the file says when the walk began (format 2; an export's timestamp)
    ScanFileHead head;          // what the file says of itself; defaults where it says nothing
    std::string root;           // the folder scanned, as the file names it
    ScanResult result;          // counters, records, ending, largest files and problems
};

// Why a file could not be read as a scan.
enum class ScanFileFault {
    None,
    Unreadable,   // open or read failed, a folder, larger than a scan file may be: errno in error
    NotJson,      // not valid JSON, or cut short: offset is the byte where it went wrong
    BadField,     // a value missing, of the wrong type or out of range: where is its JSON pointer
    Twice,        // an extension listed twice: where is the extension (its name's bytes)
};

struct ScanFileError {
    ScanFileFault fault = ScanFileFault::None;
    int error = 0;
    std::uint64_t offset = 0;
    std::string where;

    static ScanFileError Unreadable(int error) { return {ScanFileFault::Unreadable, error, 0, {}}; }
};
