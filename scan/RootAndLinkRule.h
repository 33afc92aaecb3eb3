// What the walk takes as its root and what it takes a link for: decided here once, for the window,
// the command-line tool and the walk alike.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

class RootAndLinkRule {
public:
    // The root as the walk wants it: the text as typed, a trailing "/" included (it must then be
    // a folder). "/" becomes "", which stands for the file-system root.
    static std::string RootFromTyped(std::string_view typed);

    // The root is examined as typed: a link to a folder is that folder. True (with its size) when
    // the root is something other than a folder; false for a folder, and also when the query
    // fails: the root is then taken for a folder whose listing fails.
    static bool RootIsFile(const std::string& root, std::uint64_t& size);
    // The same with the space allocated for it (st_blocks x 512) too, and (pMtime, may be null)
    // its last modification, seconds since the epoch.
    static bool RootIsFile(const std::string& root, std::uint64_t& size, std::uint64_t& diskSize,
                           std::int64_t* pMtime = nullptr);
    // Opens the root folder for listing, following a link as typed; -1 with errno on failure.
    static int OpenRootFolder(const std::string& root);

    // Below the root an entry is a folder only by its own, unfollowed status: a symbolic link is
    // a file of its own size, whatever it points to, and is never entered, so link cycles cannot
    // arise.
    static bool IsFolder(const struct stat& ownStatus) { return S_ISDIR(ownStatus.st_mode); }
    // fstatat flags for an entry's own status. AT_NO_AUTOMOUNT: looking at an automount point
    // must not mount it.
    static int EntryStatusFlags();
    // openat flags for a subfolder. O_NOFOLLOW: a name replaced by a link since its status was
    // read is not followed.
    static int SubfolderOpenFlags();
};
