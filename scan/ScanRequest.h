// What the user asked a scan for, as every front end hands it to its ScanSession, and the one
// place that decides whether it can be scanned: the root, the exclusion patterns and the
// extensions asked for. The front ends word the verdict; they never decide it again.
#pragma once

#include "FolderWalk.h"

#include <string>
#include <string_view>

struct ScanRequest {
    std::string typedRoot;      // the root as typed ("/" for the file-system root)
    FolderWalkOptions walk;     // threads, one file system, links once, exclusions, largest files
};

enum class RequestFault {
    None,
    RootMissing,        // the root (or a folder on its way) does not exist; error says which errno
    RootUnreadable,     // it exists but is a folder that cannot be opened (error: errno)
    ExcludeHasSlash,    // an exclusion pattern holds a "/" and could never match (subject)
    ExtensionInvalid,   // an extension asked for that no file can have (subject)
};

struct RequestVerdict {
    RequestFault fault = RequestFault::None;
    std::string subject;   // the root as typed, the pattern or the extension at fault
    int error = 0;         // errno for the root faults, else 0

    bool Ok() const { return fault == RequestFault::None; }
};

// Whether the root as typed can be scanned: a file can (it counts as one file), a folder must
// open. The root is checked before the walk, which says nothing of a root it cannot list.
RequestVerdict ValidateRoot(std::string_view typedRoot);
// Every pattern legal (ExclusionRule::Check), every extension legal (ExtensionQuery::Check, on
// the extension normalised), then the root. The first fault found wins.
RequestVerdict ValidateRequest(const ScanRequest& request);
