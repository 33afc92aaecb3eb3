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
#include <memory>
#include <string_view>
#include <vector>

class ManualResetEvent;
struct SCANINFO;

struct FolderWalkOptions {
    // Listings held open at once. Past this the oldest open listing is read to its end into memory
    // and closed, then opened again through ".." when the walk climbs back to it.
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
    bool StopRequested() const;
    bool OpenRoot(const char* folder);
    void WalkEntries();
    void VisitEntry(DirectoryFrame& frame, const char* name);
    void CountUnexamined(const DirectoryFrame& frame, const char* name);
    void EnterFolder(DirectoryFrame& parent, const char* name, const struct stat& status);
    void PushFrame(int fd, const struct stat& status, char* buffer);
    void PopFrame();
    void FindParentAgain(DirectoryFrame& parent, int childFd);
    bool CloseOldestListing();
    std::size_t OpenListings() const { return m_depth - m_firstOpen; }
    char* TakeBuffer();
    void ReturnBuffer(char* buffer);
    void CloseAll();

    SCANINFO& m_scan;
    std::shared_ptr<ManualResetEvent> m_stopEvent;
    FolderWalkOptions m_options;
    ScanTally m_tally;
    PseudoMountRule m_mountRule;

    // Frames [0, m_depth) are the folders on the current path, the root first. Those below
    // m_firstOpen were closed early (always the oldest ones); the rest hold a descriptor.
    std::vector<std::unique_ptr<DirectoryFrame>> m_frames;
    std::size_t m_depth = 0;
    std::size_t m_firstOpen = 0;

    // getdents64 batches, one per open listing, reused from folder to folder.
    std::vector<std::unique_ptr<char[]>> m_buffers;
    std::vector<char*> m_freeBuffers;
};
