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
    // bUnnamed: the root holds a list of names rather than a folder's entries, so paths start
    // with the names (PathOf, FolderNames leave the root out). Throws std::bad_alloc.
    void SetRoot(const char* root, bool bUnnamed = false);
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
    // What a Pop found not fully listed, each folder to be reported once however many threads
    // held parts of its listing: the frame's own folder (its listing failed; folderName stays
    // valid until the next Push) and its parent (it could not be found again, now the newest
    // frame). The errors are the errno of each failure.
    struct Popped {
        bool bFolderNotListed = false;
        int folderError = 0;
        std::string_view folderName;
        bool bParentNotListed = false;
        int parentError = 0;

        std::size_t NotListed() const { return (bFolderNotListed ? 1 : 0) + (bParentNotListed ? 1 : 0); }
    };
    // Ends the newest frame and gives its parent its descriptor back when it had been closed.
    Popped Pop();
    // Of the frames on the stack, those whose folder is to be reported as not listed now that this
    // thread's part ended early: each folder once, however many threads held parts of it. Calls
    // report(index) for each, the root's side first.
    template <class Report>
    void NotListedOnce(Report report)
    {
        for (std::size_t index = 0; index < m_depth; ++index)
            if (m_frames[index]->TakeNotListed())
                report(index);
    }
    // The path of `name` in the folder of frame `frames` - 1 (in the folder above the first frame
    // when frames is 0; the folder itself when name is empty), from the root as given. Throws
    // std::bad_alloc.
    std::string PathOf(std::size_t frames, std::string_view name) const;
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
    bool m_bUnnamedRoot = false;
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
