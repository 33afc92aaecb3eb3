#include "FolderWalk.h"

#include "ManualResetEvent.h"
#include "RootAndLinkRule.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <string>
#include <utility>

namespace {

// One batch holds a few hundred entries: few system calls, and bounded memory per open listing.
constexpr std::size_t kBatchBytes = 32 * 1024;

constexpr int kParentOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool OutOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE;
}

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

FolderWalk::FolderWalk(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, FolderWalkOptions options,
                       WalkQueue* pQueue)
    : m_scan(scan)
    , m_stopEvent(std::move(stopEvent))
    , m_options(std::move(options))
    , m_tally(scan)
    , m_mountRule(PseudoMountRule::ForThisProcess())
    , m_pQueue(pQueue)
{
    m_options.maxOpenListings = std::max<std::size_t>(m_options.maxOpenListings, 1);
}

FolderWalk::~FolderWalk()
{
    CloseAll();
}

void FolderWalk::Run(const char* folder)
{
    try {
        m_root = folder;
        if (!StopRequested() && OpenRoot())
            WalkEntries();
    } catch (...) {
        // Out of memory for the walk's own bookkeeping (or a failing test hook) ends the walk;
        // what was counted stays counted, and the folders left unfinished are reported.
        m_tally.AddNotListed(m_depth);
    }
    CloseAll();
    m_tally.Flush();
    WalkHandedOver(true);
}

void FolderWalk::RunHandedOver(const char* folder)
{
    try {
        m_root = folder;
    } catch (...) {
        // Only finding a folder again from the root needs it; without, such a folder is lost.
    }
    WalkHandedOver(false);
}

void FolderWalk::WalkHandedOver(bool bWasWorking)
{
    if (!m_pQueue)
        return;
    WalkItem item;
    while (m_pQueue->Take(item, bWasWorking)) {
        bWasWorking = true;
        try {
            TakeOver(item);
        } catch (...) {
            m_tally.AddNotListed(m_depth);
        }
        CloseAll();
        m_tally.Flush();
        item = WalkItem();   // closes what was not taken over
    }
}

// A folder not listed yet is listed only when no stop has come; the rest of a listing already
// open is walked whatever happens.
void FolderWalk::TakeOver(WalkItem& item)
{
    m_above = std::move(item.parent);
    m_baseDepth = item.depth;
    if (item.IsListingPart()) {
        if (!PushFrame(std::exchange(item.fd, -1), item.device, item.inode, item.name, &item.saved)) {
            m_tally.AddNotListed();
            return;
        }
    } else {
        if (StopRequested())
            return;
        // A folder handed back for want of descriptors or memory comes unopened.
        const int fd = item.fd >= 0 ? std::exchange(item.fd, -1) : OpenBelow(item.name, item.device, item.inode);
        if (fd < 0 && !OutOfDescriptors(errno)) {
            m_tally.AddNotListed();
            return;
        }
        if (fd < 0 || !PushFrame(fd, item.device, item.inode, item.name)) {
            if (!HandBackAgain(item))
                m_tally.AddNotListed();
            return;
        }
        if (m_options.onFolderOpened)
            m_options.onFolderOpened(item.name, m_baseDepth);
    }
    WalkEntries();
}

bool FolderWalk::StopRequested() const
{
    return m_stopEvent && m_stopEvent->IsSet();
}

bool FolderWalk::OpenRoot()
{
    const int fd = RootAndLinkRule::OpenRootFolder(m_root);
    if (fd < 0) {
        // A root that does not exist counts nothing and is no folder; one that exists but cannot
        // be listed is a folder not listed.
        if (errno != ENOENT && errno != ENOTDIR)
            m_tally.AddNotListed();
        return false;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        close(fd);
        m_tally.AddNotListed();
        return false;
    }
    if (!PushFrame(fd, status.st_dev, status.st_ino, m_root)) {
        m_tally.AddNotListed();
        return false;
    }
    if (m_options.onFolderOpened)
        m_options.onFolderOpened(m_root, 0);
    return true;
}

void FolderWalk::WalkEntries()
{
    while (m_depth > 0) {
        DirectoryFrame& frame = *m_frames[m_depth - 1];
        if (m_pQueue && m_pQueue->Hungry())
            HandOverListingPart(frame);
        const char* name = frame.Next();
        if (!name)
            PopFrame();
        else if (!IsDotOrDotDot(name))
            VisitEntry(frame, name);
    }
}

void FolderWalk::VisitEntry(DirectoryFrame& frame, const char* name)
{
    struct stat status;
    if (fstatat(frame.Descriptor(), name, &status, RootAndLinkRule::EntryStatusFlags()) != 0) {
        CountUnexamined(frame, name);
        return;
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (!RootAndLinkRule::IsFolder(status)) {
        m_tally.AddFile(name, size);
        return;
    }
    m_tally.AddFolder(size);
    if (status.st_dev != frame.Device() && m_mountRule.Excludes(status.st_dev, frame.Descriptor(), name)) {
        m_tally.AddNotEntered();
        return;
    }
    // The one place a stop is seen: before a folder's listing opens. Folders already open finish
    // their listings, counting the rest of their entries without entering any subfolder.
    if (StopRequested())
        return;
    EnterFolder(frame, name, status);
}

void FolderWalk::CountUnexamined(const DirectoryFrame& frame, const char* name)
{
    // An entry gone since the listing was read is not counted, only reported. One that is listed
    // but cannot be examined (a folder that may be read but not searched) still exists: it is
    // counted by the type the listing gives, with a size of 0, and reported: a folder among them
    // as not listed (it is not entered), a file as not examined (its size is missing).
    if (errno == ENOENT) {
        m_tally.AddVanished();
        return;
    }
    if (frame.Type() == DT_DIR) {
        m_tally.AddFolder(0);
        m_tally.AddNotListed();
    } else {
        m_tally.AddFile(name, 0);
        m_tally.AddNotExamined();
    }
}

void FolderWalk::EnterFolder(DirectoryFrame& parent, const char* name, const struct stat& status)
{
    // The folder is counted already; whatever keeps it from being listed is reported.
    const int fd = OpenSubfolder(parent.Descriptor(), name);
    if (fd >= 0 && m_pQueue && m_pQueue->Hungry() && HandOverFolder(fd, status, name))
        return;
    if (fd < 0 && !OutOfDescriptors(errno)) {
        m_tally.AddNotListed();
        return;
    }
    if (fd < 0 || !PushFrame(fd, status.st_dev, status.st_ino, name)) {
        // Out of descriptors or memory this thread could free: another thread (or this one, once
        // its own part is walked) may have them, so the folder goes back to the queue, unopened,
        // instead of being given up with its whole subtree.
        if (!m_pQueue || !HandOverFolder(-1, status, name))
            m_tally.AddNotListed();
        return;
    }
    // name may lie in the parent's batch, which closing the parent reuses: report first.
    if (m_options.onFolderOpened)
        m_options.onFolderOpened(name, m_baseDepth + m_depth - 1);
    while (OpenListings() > m_options.maxOpenListings && CloseOldestListing()) {
    }
}

int FolderWalk::OpenSubfolder(int parentFd, const char* name)
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

// Takes fd over: it is closed when the frame cannot be made (out of memory). With pSaved the
// frame walks those entries (the rest of a listing read elsewhere) instead of listing the folder.
bool FolderWalk::PushFrame(int fd, dev_t device, ino_t inode, std::string_view name, std::string* pSaved)
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

void FolderWalk::PopFrame()
{
    // A listing read to its end: what it counted reaches the scan now.
    m_tally.Flush();
    DirectoryFrame& child = *m_frames[m_depth - 1];
    if (child.Incomplete())
        m_tally.AddNotListed();
    ReturnBuffer(child.ReleaseBuffer());
    const int childFd = child.TakeDescriptor();
    --m_depth;
    if (m_depth <= m_lostFrom)
        m_lostFrom = kNone;   // every lost frame is gone from the path
    if (m_depth > 0 && m_firstOpen == m_depth) {
        // The parent was closed early: it is the newest closed frame, and every frame below it is
        // closed too.
        --m_firstOpen;
        FindParentAgain(m_depth - 1, childFd);
    } else if (childFd >= 0) {
        close(childFd);
    }
    m_firstOpen = std::min(m_firstOpen, m_depth);
}

// Gives the frame at index its descriptor back, so that its remaining names (kept in memory) can
// be examined. A folder moved meanwhile is still the same folder: it is found through ".." of the
// child it was left for and, when that child has moved elsewhere, from the root down through the
// names on the way. Only a folder found neither way has really left the tree: its remaining
// entries are dropped and reported. Takes childFd over.
void FolderWalk::FindParentAgain(std::size_t index, int childFd)
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
    if (fd >= 0)
        parent.Reattach(fd);
    else if (parent.Abandon())
        m_tally.AddNotListed();
}

// Opens the folder of the frame at index from the root, one recorded name at a time, each step
// checked against the device and inode recorded on the way down. -1 when a folder on the way is
// no longer where it was; the frames from that one on are then marked lost.
int FolderWalk::FindFromRoot(std::size_t index)
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
int FolderWalk::FindFirstFrame()
{
    const DirectoryFrame& first = *m_frames[0];
    if (!m_above)
        return KeepIfSame(RootAndLinkRule::OpenRootFolder(m_root), first);
    return OpenBelow(first.Name(), first.Device(), first.Inode());
}

// Opens the folder `name` (device, inode) below m_above, from the root down through the names of
// the folders above it, each step checked. -1 (with errno) when it cannot be opened or a folder
// on the way is no longer where it was.
int FolderWalk::OpenBelow(const std::string& name, dev_t device, ino_t inode)
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

// A folder handed back that could not be opened or given a frame here either goes back once
// more, a bounded number of times, so that a shortage that lasts ends the walk all the same.
bool FolderWalk::HandBackAgain(WalkItem& item)
{
    constexpr std::size_t kMaxHandBacks = 16;
    if (item.handBacks >= kMaxHandBacks)
        return false;
    ++item.handBacks;
    item.parent = m_above;   // taken over by TakeOver
    return m_pQueue->Offer(item);
}

// Hands the folder just opened on fd (-1: not opened) to a waiting thread, with what it needs to
// find it again.
bool FolderWalk::HandOverFolder(int fd, const struct stat& status, const char* name)
{
    WalkItem item;
    try {
        item.parent = NodeAbove(m_depth);
        item.name = name;
    } catch (const std::bad_alloc&) {
        return false;
    }
    item.device = status.st_dev;
    item.inode = status.st_ino;
    item.depth = m_baseDepth + m_depth;
    item.fd = fd;
    if (m_pQueue->Offer(item))
        return true;
    item.fd = -1;   // stays with the caller
    return false;
}

// Hands the later half of what is left of frame's listing to a waiting thread, on a descriptor of
// its own for the same folder.
void FolderWalk::HandOverListingPart(DirectoryFrame& frame)
{
    if (frame.Descriptor() < 0)
        return;
    const std::size_t index = m_depth - 1;
    WalkItem item;
    std::size_t cut = 0;
    try {
        cut = frame.CopyLaterHalf(item.saved);
        if (cut == 0)
            return;
        item.parent = NodeAbove(index);
        item.name = frame.Name();
    } catch (const std::bad_alloc&) {
        return;
    }
    item.fd = fcntl(frame.Descriptor(), F_DUPFD_CLOEXEC, 0);
    if (item.fd < 0)
        return;
    item.device = frame.Device();
    item.inode = frame.Inode();
    item.depth = m_baseDepth + index;
    if (m_pQueue->Offer(item))
        frame.DropFrom(cut);
}

std::shared_ptr<PathNode> FolderWalk::NodeAbove(std::size_t count)
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

// Out of descriptors: gives up the oldest open listing (its rest is kept in memory) or, when only
// the newest is left open, the root's kept descriptor. False when nothing is left to give up.
bool FolderWalk::FreeDescriptor()
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

bool FolderWalk::CloseOldestListing()
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

bool FolderWalk::ReleaseRootAnchor()
{
    if (m_rootAnchor < 0)
        return false;
    close(std::exchange(m_rootAnchor, -1));
    return true;
}

char* FolderWalk::TakeBuffer()
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

void FolderWalk::ReturnBuffer(char* buffer)
{
    // Capacity for every buffer was reserved when it was made, so this cannot throw.
    if (buffer)
        m_freeBuffers.push_back(buffer);
}

void FolderWalk::CloseAll()
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
