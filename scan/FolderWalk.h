// One walking thread's walk of a folder tree: depth first, each subfolder entered as its folder's
// listing meets it, with an explicit stack of listings instead of the call stack and every folder
// opened relative to its parent's descriptor, so neither depth nor path length limits it. When
// several threads walk one tree (WalkPool), each hands a subfolder or the later half of a listing
// to the shared WalkQueue whenever another thread waits for work, and takes work from there when
// it has none.
#pragma once

#include "DirectoryFrame.h"
#include "PseudoMountRule.h"
#include "ScanTally.h"
#include "WalkQueue.h"

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
    // Listings held open at once, by all walking threads together. Past this a thread reads its
    // oldest open listing to its end into memory and closes it, then finds it again when it
    // climbs back to it.
    std::size_t maxOpenListings = 64;
    // Walking threads; 0 for WalkPool::DefaultThreads(). 1 walks on the worker thread alone.
    std::size_t threads = 0;
    // For tests: called on the walking thread (any of them) each time a folder's listing has been
    // opened, with the folder's name (the root as given) and its depth (0 for the root).
    std::function<void(std::string_view name, std::size_t depth)> onFolderOpened;
};

class FolderWalk {
public:
    // stopEvent (may be null: never stops) is tested once per folder before its listing opens.
    // pQueue (may be null: a walk alone) is shared with the other threads walking the same tree.
    // options.maxOpenListings is this thread's own share.
    FolderWalk(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, FolderWalkOptions options = {},
               WalkQueue* pQueue = nullptr);
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;
    ~FolderWalk();

    // Walks folder ("" stands for "/") and everything below it, then (with a queue) whatever the
    // other threads hand over, until the queue ends; once per object. Throws nothing. Every count
    // has been added to the scan when it returns.
    void Run(const char* folder);
    // For the other threads: walks what is handed over below folder (the same root as Run's)
    // until the queue ends. Throws nothing.
    void RunHandedOver(const char* folder);

private:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    bool StopRequested() const;
    bool OpenRoot();
    void WalkHandedOver(bool bWasWorking);
    void TakeOver(WalkItem& item);
    void WalkEntries();
    // Handing work over to a waiting thread. Each takes fd over only when it returns true.
    bool HandOverFolder(int fd, const struct stat& status, const char* name);
    void HandOverListingPart(DirectoryFrame& frame);
    // The folders above frame `count` (the node of frame count - 1), made as needed and kept.
    std::shared_ptr<PathNode> NodeAbove(std::size_t count);
    void VisitEntry(DirectoryFrame& frame, const char* name);
    void CountUnexamined(const DirectoryFrame& frame, const char* name);
    void EnterFolder(DirectoryFrame& parent, const char* name, const struct stat& status);
    int OpenSubfolder(int parentFd, const char* name);
    bool PushFrame(int fd, dev_t device, ino_t inode, std::string_view name, std::string* pSaved = nullptr);
    void PopFrame();

    // Climbing back to a folder whose listing was closed early.
    void FindParentAgain(std::size_t index, int childFd);
    int FindFromRoot(std::size_t index);
    int FindFirstFrame();
    int OpenBelow(const std::string& name, dev_t device, ino_t inode);
    bool HandBackAgain(WalkItem& item);

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
    WalkQueue* m_pQueue;
    // Where frame 0 lies: the folders above it (null when it is the root) and its depth.
    std::shared_ptr<PathNode> m_above;
    std::size_t m_baseDepth = 0;

    // Frames [0, m_depth) are the folders on the current path, the root first. Those below
    // m_firstOpen were closed early (always the oldest ones); the rest hold a descriptor.
    std::vector<std::unique_ptr<DirectoryFrame>> m_frames;
    std::vector<std::shared_ptr<PathNode>> m_nodes;   // each frame's node, once made
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
