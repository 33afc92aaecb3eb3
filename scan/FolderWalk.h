// The walk of one folder tree: depth first, each subfolder entered as its folder's listing meets
// it, with an explicit stack of listings instead of the call stack and every folder opened
// relative to its parent's descriptor, so neither depth nor path length limits it.
#pragma once

#include "DirectoryFrame.h"
#include "PseudoMountRule.h"
#include "ScanTally.h"

#include <sys/stat.h>

#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ManualResetEvent;
struct SCANINFO;

struct FolderWalkOptions {
    // Listings held open at once. Past this the oldest open listing is read to its end into memory
    // and closed, then found again when the walk climbs back to it.
    std::size_t maxOpenListings = 64;
    // For tests: called on the walking thread each time a folder's listing has been opened, with
    // the folder's name (the root as given) and its depth (0 for the root).
    std::function<void(std::string_view name, std::size_t depth)> onFolderOpened;
};

class FolderWalk {
public:
    // stopEvent (may be null: never stops) is tested once per folder before its listing opens.
    FolderWalk(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, FolderWalkOptions options = {});
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;
    ~FolderWalk();

    // Walks folder ("" stands for "/") and everything below it; once per object. Throws nothing.
    void Run(const char* folder);

private:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    bool StopRequested() const;
    bool OpenRoot();
    void WalkEntries();
    void VisitEntry(DirectoryFrame& frame, const char* name);
    void CountUnexamined(const DirectoryFrame& frame, const char* name);
    void EnterFolder(DirectoryFrame& parent, const char* name, const struct stat& status);
    int OpenSubfolder(int parentFd, const char* name);
    bool PushFrame(int fd, const struct stat& status, std::string_view name);
    void PopFrame();

    // Climbing back to a folder whose listing was closed early.
    void FindParentAgain(std::size_t index, int childFd);
    int FindFromRoot(std::size_t index);

    // Descriptors.
    bool FreeDescriptor();
    bool CloseOldestListing();
    bool ReleaseRootAnchor();
    std::size_t OpenListings() const { return m_depth - m_firstOpen; }

    char* TakeBuffer();
    void ReturnBuffer(char* buffer);
    void CloseAll();

    SCANINFO& m_scan;
    std::shared_ptr<ManualResetEvent> m_stopEvent;
    FolderWalkOptions m_options;
    ScanTally m_tally;
    PseudoMountRule m_mountRule;
    std::string m_root;   // as given to Run

    // Frames [0, m_depth) are the folders on the current path, the root first. Those below
    // m_firstOpen were closed early (always the oldest ones); the rest hold a descriptor.
    std::vector<std::unique_ptr<DirectoryFrame>> m_frames;
    std::size_t m_depth = 0;
    std::size_t m_firstOpen = 0;
    // The root's descriptor, kept when its listing is closed early so that a folder closed early
    // can be found again from it; given up only when descriptors run out.
    int m_rootAnchor = -1;
    // Frames from this index on could not be found again from the root; kNone when none.
    std::size_t m_lostFrom = kNone;

    // getdents64 batches, one per open listing, reused from folder to folder.
    std::vector<std::unique_ptr<char[]>> m_buffers;
    std::vector<char*> m_freeBuffers;
};
