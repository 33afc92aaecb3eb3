// The folders on one walking thread's current path, the root of its part of the tree first: one
// DirectoryFrame per folder, each opened relative to its parent. It keeps within the thread's
// share of descriptors by closing the oldest listings early (their rest is read into memory) and
// finds such a folder again when the walk climbs back to it, by ".." of the child it was left for
// or from the scan's root down through the recorded names, every step checked by device and inode.
#pragma once

#include "DirectoryFrame.h"
#include "WalkQueue.h"

#include <sys/types.h>

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class FrameStack {
public:
    // maxOpenListings: the listings this thread may hold open (at least one).
    explicit FrameStack(std::size_t maxOpenListings) noexcept;
    FrameStack(const FrameStack&) = delete;
    FrameStack& operator=(const FrameStack&) = delete;
    ~FrameStack();

    // The scan's root as given ("" stands for "/"), from which closed folders are found again.
    // Throws std::bad_alloc.
    void SetRoot(const char* root);
    const std::string& Root() const { return m_root; }
    // Starts a part of the tree whose first frame is a folder below `above` (null: the root),
    // `baseDepth` folders below the root. Only while the stack is empty.
    void StartPart(std::shared_ptr<PathNode> above, std::size_t baseDepth);
    const std::shared_ptr<PathNode>& Above() const { return m_above; }

    std::size_t Size() const { return m_depth; }
    bool Empty() const { return m_depth == 0; }
    // The newest frame: the folder whose entries are being examined. Only when not empty.
    DirectoryFrame& Top() { return *m_frames[m_depth - 1]; }
    // How far below the scan's root the newest frame's folder lies.
    std::size_t TopDepth() const { return m_baseDepth + m_depth - 1; }
    std::size_t BaseDepth() const { return m_baseDepth; }

    // Makes the folder open on fd the newest frame; takes fd over (closed when the frame cannot
    // be made for want of memory: false). With pSaved the frame walks those entries (the rest of
    // a listing read elsewhere) instead of listing the folder.
    bool Push(int fd, dev_t device, ino_t inode, std::string_view name, std::string* pSaved = nullptr);
    // Ends the newest frame and gives its parent its descriptor back when it had been closed.
    // Returns the folders found not fully listed on the way (0 to 2): the frame's own listing
    // failed, or its parent could not be found again.
    std::size_t Pop();
    // Of the frames on the stack, those whose folder is to be reported as not listed now that this
    // thread's part ended early: each folder once, however many threads held parts of it.
    std::size_t NotListedOnce();
    // Closes every frame, listed or not; the stack is empty afterwards.
    void CloseAll();

    // Opens the subfolder `name` of parentFd for listing, closing old listings while descriptors
    // run out. -1 with errno on failure (EMFILE or ENFILE when nothing more could be freed).
    int OpenSubfolder(int parentFd, const char* name);
    // After a push: closes the oldest listings until this thread holds no more than its share.
    void KeepWithinBudget();
    // Opens the folder `name` (device, inode) below Above(), from the root down through the names
    // of the folders above it, each step checked. -1 (with errno) when it cannot be opened or a
    // folder on the way is no longer where it was.
    int OpenBelowAbove(const std::string& name, dev_t device, ino_t inode);
    // The folders above frame `count` (the node of frame count - 1), made as needed and kept.
    // Throws std::bad_alloc.
    std::shared_ptr<PathNode> NodeAbove(std::size_t count);

    // The names of the folders from the root (as given) down to the newest frame's folder, into
    // names (cleared first). They stay valid until the stack changes. Throws std::bad_alloc.
    void FolderNames(std::vector<std::string_view>& names) const;

    static bool OutOfDescriptors(int error);

private:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    bool FindParentAgain(std::size_t index, int childFd);
    int FindFromRoot(std::size_t index);
    int FindFirstFrame();

    bool FreeDescriptor();
    bool CloseOldestListing();
    bool ReleaseRootAnchor();
    std::size_t OpenListings() const { return m_depth - m_firstOpen; }

    char* TakeBuffer();
    void ReturnBuffer(char* buffer);

    std::size_t m_maxOpenListings;
    std::string m_root;
    // Where frame 0 lies: the folders above it (null when it is the root) and its depth.
    std::shared_ptr<PathNode> m_above;
    std::size_t m_baseDepth = 0;

    // Frames [0, m_depth) are the folders on the current path, the root first. Those below
    // m_firstOpen were closed early (always the oldest ones); the rest hold a descriptor.
    std::vector<std::unique_ptr<DirectoryFrame>> m_frames;
    std::vector<std::shared_ptr<PathNode>> m_nodes;   // each frame's node, once made
    std::size_t m_depth = 0;
    std::size_t m_firstOpen = 0;
    // The descriptor of frame 0, kept when its listing is closed early so that a folder closed
    // early can be found again from it; given up only when descriptors run out.
    int m_rootAnchor = -1;
    // Frames from this index on could not be found again from the root; kNone when none.
    std::size_t m_lostFrom = kNone;

    // getdents64 batches, one per open listing, reused from folder to folder.
    std::vector<std::unique_ptr<char[]>> m_buffers;
    std::vector<char*> m_freeBuffers;
};
