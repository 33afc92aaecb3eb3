#include "FrameStack.h"

#include "ScanPath.h"

#include "RootAndLinkRule.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <utility>

namespace {

// One batch holds a few hundred entries: few system calls, and bounded memory per open listing.
constexpr std::size_t kBatchBytes = 32 * 1024;

constexpr int kParentOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Keeps fd (or -1) only when it is the folder that was entered as device and inode: whatever
// took a folder's place meanwhile is never listed in its stead. -1 on failure, with errno from
// the open, or ESTALE for another folder.
int KeepIfSame(int fd, dev_t device, ino_t inode)
{
    if (fd < 0)
        return -1;
    struct stat status {};
    if (fstat(fd, &status) == 0 && status.st_dev == device && status.st_ino == inode)
        return fd;
    close(fd);
    errno = ESTALE;
    return -1;
}

int KeepIfSame(int fd, const DirectoryFrame& expected)
{
    return KeepIfSame(fd, expected.Device(), expected.Inode());
}

int OpenIfSame(int dirFd, const char* name, int flags, const DirectoryFrame& expected)
{
    return KeepIfSame(openat(dirFd, name, flags), expected);
}

} // namespace

FrameStack::FrameStack(std::size_t maxOpenListings) noexcept
    : m_maxOpenListings(std::max<std::size_t>(maxOpenListings, 1))
{
}

FrameStack::~FrameStack()
{
    CloseAll();
}

void FrameStack::SetRoot(const char* root, bool bUnnamed)
{
    m_root = root;
    m_bUnnamedRoot = bUnnamed;
}

void FrameStack::StartPart(std::shared_ptr<PathNode> above, std::size_t baseDepth)
{
    m_above = std::move(above);
    m_baseDepth = baseDepth;
}

bool FrameStack::OutOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE;
}

bool FrameStack::Push(int fd, dev_t device, ino_t inode, std::string_view name, std::string* pSaved)
{
    char* buffer = nullptr;
    try {
        if (m_depth == m_frames.size()) {
            m_nodes.reserve(m_depth + 1);
            m_frames.push_back(std::make_unique<DirectoryFrame>());
            m_nodes.emplace_back();   // capacity reserved: cannot throw
        }
        m_nodes[m_depth].reset();
        if (pSaved) {
            m_frames[m_depth]->StartSaved(fd, device, inode, name, std::move(*pSaved));
        } else {
            buffer = TakeBuffer();
            m_frames[m_depth]->Start(fd, device, inode, name, buffer, kBatchBytes);
        }
    } catch (const std::bad_alloc&) {
        ReturnBuffer(buffer);
        close(fd);
        return false;
    }
    ++m_depth;
    return true;
}

FrameStack::Popped FrameStack::Pop()
{
    Popped popped;
    DirectoryFrame& child = *m_frames[m_depth - 1];
    // A listing split between threads fails in one part or several: its folder is said once.
    if (child.Incomplete() && child.TakeNotListed()) {
        popped.bFolderNotListed = true;
        popped.folderError = child.Error();
    }
    popped.folderName = child.Name();
    ReturnBuffer(child.ReleaseBuffer());
    const int childFd = child.TakeDescriptor();
    --m_depth;
    if (m_depth <= m_lostFrom)
        m_lostFrom = kNone;   // every lost frame is gone from the path
    if (m_depth > 0 && m_firstOpen == m_depth) {
        // The parent was closed early: it is the newest closed frame, and every frame below it is
        // closed too.
        --m_firstOpen;
        if (!FindParentAgain(m_depth - 1, childFd) && m_frames[m_depth - 1]->TakeNotListed()) {
            popped.bParentNotListed = true;
            popped.parentError = ENOENT;   // no longer where it was
        }
    } else if (childFd >= 0) {
        close(childFd);
    }
    m_firstOpen = std::min(m_firstOpen, m_depth);
    return popped;
}

void FrameStack::CloseAll()
{
    while (m_depth > 0) {
        DirectoryFrame& frame = *m_frames[--m_depth];
        ReturnBuffer(frame.ReleaseBuffer());
        const int fd = frame.TakeDescriptor();
        if (fd >= 0)
            close(fd);
    }
    m_firstOpen = 0;
    m_lostFrom = kNone;
    ReleaseRootAnchor();
}

int FrameStack::OpenSubfolder(int parentFd, const char* name)
{
    for (;;) {
        const int fd = openat(parentFd, name, RootAndLinkRule::SubfolderOpenFlags());
        if (fd >= 0 || !OutOfDescriptors(errno))
            return fd;
        const int error = errno;
        if (!FreeDescriptor()) {
            errno = error;   // the caller tells running out from other failures
            return fd;
        }
    }
}

void FrameStack::KeepWithinBudget()
{
    while (OpenListings() > m_maxOpenListings && CloseOldestListing()) {
    }
}

// Gives the frame at index its descriptor back, so that its remaining names (kept in memory) can
// be examined. A folder moved meanwhile is still the same folder: it is found through ".." of the
// child it was left for and, when that child has moved elsewhere, from the root down through the
// names on the way. Only a folder found neither way has really left the tree: its remaining
// entries are dropped (false when there were some). Takes childFd over.
bool FrameStack::FindParentAgain(std::size_t index, int childFd)
{
    DirectoryFrame& parent = *m_frames[index];
    int fd = -1;
    if (index == 0 && m_rootAnchor >= 0) {
        fd = std::exchange(m_rootAnchor, -1);
    } else if (childFd >= 0) {
        fd = OpenIfSame(childFd, "..", kParentOpenFlags, parent);
        if (fd < 0 && OutOfDescriptors(errno) && ReleaseRootAnchor())
            fd = OpenIfSame(childFd, "..", kParentOpenFlags, parent);
    }
    if (childFd >= 0)
        close(childFd);
    if (fd < 0 && index < m_lostFrom)
        fd = FindFromRoot(index);
    if (fd >= 0) {
        parent.Reattach(fd);
        return true;
    }
    return !parent.Abandon();
}

// Opens the folder of the frame at index from the root, one recorded name at a time, each step
// checked against the device and inode recorded on the way down. -1 when a folder on the way is
// no longer where it was; the frames from that one on are then marked lost.
int FrameStack::FindFromRoot(std::size_t index)
{
    // Held here while in use, so that running out of descriptors cannot take it away midway.
    int anchor = std::exchange(m_rootAnchor, -1);
    int fd = anchor;
    if (fd < 0)
        fd = FindFirstFrame();
    if (fd < 0)
        m_lostFrom = 0;
    for (std::size_t i = 1; i <= index && fd >= 0; ++i) {
        const DirectoryFrame& step = *m_frames[i];
        const int flags = RootAndLinkRule::SubfolderOpenFlags();
        int next = OpenIfSame(fd, step.Name().c_str(), flags, step);
        if (next < 0 && OutOfDescriptors(errno) && anchor >= 0 && fd != anchor) {
            close(std::exchange(anchor, -1));
            next = OpenIfSame(fd, step.Name().c_str(), flags, step);
        }
        if (fd != anchor)
            close(fd);
        if (next < 0)
            m_lostFrom = i;
        fd = next;
    }
    m_rootAnchor = (fd == anchor) ? -1 : anchor;
    return fd;
}

// Opens the folder of frame 0 from the root: the root itself by the root rule, or a folder handed
// over by another thread down the names of the folders above it, each step checked. -1 when a
// folder on the way is no longer where it was.
int FrameStack::FindFirstFrame()
{
    const DirectoryFrame& first = *m_frames[0];
    if (!m_above)
        return KeepIfSame(RootAndLinkRule::OpenRootFolder(m_root), first);
    return OpenBelowAbove(first.Name(), first.Device(), first.Inode());
}

int FrameStack::OpenBelowAbove(const std::string& name, dev_t device, ino_t inode)
{
    std::vector<const PathNode*> above;   // from the folder's parent up to the root
    for (const PathNode* pNode = m_above.get(); pNode; pNode = pNode->parent.get())
        above.push_back(pNode);
    int fd = KeepIfSame(RootAndLinkRule::OpenRootFolder(m_root), above.back()->device, above.back()->inode);
    const int flags = RootAndLinkRule::SubfolderOpenFlags();
    for (auto it = above.rbegin() + 1; it != above.rend() && fd >= 0; ++it) {
        const int next = KeepIfSame(openat(fd, (*it)->name.c_str(), flags), (*it)->device, (*it)->inode);
        close(fd);
        fd = next;
    }
    if (fd < 0)
        return -1;
    const int next = KeepIfSame(openat(fd, name.c_str(), flags), device, inode);
    const int error = errno;
    close(fd);
    errno = error;
    return next;
}

std::shared_ptr<PathNode> FrameStack::NodeAbove(std::size_t count)
{
    std::size_t made = count;
    while (made > 0 && !m_nodes[made - 1])
        --made;
    std::shared_ptr<PathNode> node = made > 0 ? m_nodes[made - 1] : m_above;
    for (; made < count; ++made) {
        const DirectoryFrame& frame = *m_frames[made];
        node = std::make_shared<PathNode>(frame.Name(), frame.Device(), frame.Inode(), std::move(node));
        m_nodes[made] = node;
    }
    return node;
}

void FrameStack::FolderNames(std::vector<std::string_view>& names) const
{
    names.clear();
    // The folders above the first frame are known from the nearest up to the root.
    for (const PathNode* pNode = m_above.get(); pNode; pNode = pNode->parent.get())
        names.push_back(pNode->name);
    std::reverse(names.begin(), names.end());
    for (std::size_t i = 0; i < m_depth; ++i)
        names.push_back(m_frames[i]->Name());
    if (m_bUnnamedRoot && !names.empty())
        names.erase(names.begin());
}

// Out of descriptors: gives up the oldest open listing (its rest is kept in memory) or, when only
// the newest is left open, the root's kept descriptor. False when nothing is left to give up.
bool FrameStack::FreeDescriptor()
{
    for (;;) {
        const bool bRoot = m_firstOpen == 0;
        if (!CloseOldestListing())
            break;
        if (!bRoot)
            return true;
        // The root's descriptor was kept as the anchor: nothing freed yet.
    }
    return ReleaseRootAnchor();
}

bool FrameStack::CloseOldestListing()
{
    // The newest frame is never closed: it is the one whose entries are being examined or opened.
    if (m_depth == 0 || m_firstOpen >= m_depth - 1)
        return false;
    DirectoryFrame& oldest = *m_frames[m_firstOpen];
    ReturnBuffer(oldest.SaveRemaining());
    const int fd = oldest.TakeDescriptor();
    if (m_firstOpen == 0)
        m_rootAnchor = fd;
    else if (fd >= 0)
        close(fd);
    ++m_firstOpen;
    return true;
}

bool FrameStack::ReleaseRootAnchor()
{
    if (m_rootAnchor < 0)
        return false;
    close(std::exchange(m_rootAnchor, -1));
    return true;
}

char* FrameStack::TakeBuffer()
{
    if (m_freeBuffers.empty()) {
        // Both reservations come first, so a failure leaves nothing half-done.
        m_freeBuffers.reserve(m_buffers.size() + 1);
        m_buffers.reserve(m_buffers.size() + 1);
        // getdents64 records need 8-byte alignment; new[] gives the fundamental alignment.
        m_buffers.push_back(std::make_unique<char[]>(kBatchBytes));
        return m_buffers.back().get();
    }
    char* buffer = m_freeBuffers.back();
    m_freeBuffers.pop_back();
    return buffer;
}

void FrameStack::ReturnBuffer(char* buffer)
{
    // Capacity for every buffer was reserved when it was made, so this cannot throw.
    if (buffer)
        m_freeBuffers.push_back(buffer);
}

std::string FrameStack::PathOf(std::size_t frames, std::string_view name) const
{
    std::vector<std::string_view> folders;
    for (const PathNode* pNode = m_above.get(); pNode; pNode = pNode->parent.get())
        folders.push_back(pNode->name);
    std::reverse(folders.begin(), folders.end());
    for (std::size_t i = 0; i < frames && i < m_depth; ++i)
        folders.push_back(m_frames[i]->Name());
    if (name.empty() && !folders.empty()) {
        name = folders.back();
        folders.pop_back();
    }
    if (m_bUnnamedRoot && !folders.empty())
        folders.erase(folders.begin());
    std::string path = ScanPath::Join(folders, name);
    return path.empty() ? std::string("/") : path;   // the root "" is "/"
}
