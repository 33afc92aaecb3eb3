#include "FolderWalk.h"

#include "ManualResetEvent.h"

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

// AT_NO_AUTOMOUNT: looking at an automount point must not mount it.
constexpr int kEntryStatusFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
// O_NOFOLLOW: a name replaced by a link since its status was read is not followed.
constexpr int kSubfolderOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool OutOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE;
}

} // namespace

FolderWalk::FolderWalk(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, FolderWalkOptions options)
    : m_scan(scan)
    , m_stopEvent(std::move(stopEvent))
    , m_options(std::move(options))
    , m_tally(scan)
    , m_mountRule(PseudoMountRule::ForThisProcess())
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
        if (!StopRequested() && OpenRoot(folder))
            WalkEntries();
    } catch (...) {
        // Out of memory for the walk's own bookkeeping (or a failing test hook) ends the walk;
        // what was counted stays counted.
    }
    CloseAll();
}

bool FolderWalk::StopRequested() const
{
    return m_stopEvent && m_stopEvent->IsSet();
}

bool FolderWalk::OpenRoot(const char* folder)
{
    // The root is opened by its path as typed: a root that is a link to a folder is walked as
    // that folder. The trailing "/" makes "" the file-system root.
    const std::string path = std::string(folder) + "/";
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    char* buffer = nullptr;
    try {
        if (fstat(fd, &status) == 0)
            buffer = TakeBuffer();
    } catch (const std::bad_alloc&) {
    }
    if (!buffer) {
        close(fd);
        return false;
    }
    PushFrame(fd, status, buffer);
    if (m_options.onFolderOpened)
        m_options.onFolderOpened(folder, 0);
    return true;
}

void FolderWalk::WalkEntries()
{
    while (m_depth > 0) {
        DirectoryFrame& frame = *m_frames[m_depth - 1];
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
    if (fstatat(frame.Descriptor(), name, &status, kEntryStatusFlags) != 0) {
        CountUnexamined(frame, name);
        return;
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    // A symbolic link is a file of its own size, whatever it points to: links are never entered.
    if (!S_ISDIR(status.st_mode)) {
        m_tally.AddFile(name, size);
        return;
    }
    m_tally.AddFolder(size);
    if (status.st_dev != frame.Device() && m_mountRule.Excludes(status.st_dev, frame.Descriptor(), name))
        return;
    // The one place a stop is seen: before a folder's listing opens. Folders already open finish
    // their listings, counting the rest of their entries without entering any subfolder.
    if (StopRequested())
        return;
    EnterFolder(frame, name, status);
}

void FolderWalk::CountUnexamined(const DirectoryFrame& frame, const char* name)
{
    // An entry gone since the listing was read is not counted. One that is listed but cannot be
    // examined (a folder that may be read but not searched) still exists: it is counted by the type
    // the listing gives, with a size of 0, and a folder among them is not entered.
    if (errno == ENOENT)
        return;
    if (frame.Type() == DT_DIR)
        m_tally.AddFolder(0);
    else
        m_tally.AddFile(name, 0);
}

void FolderWalk::EnterFolder(DirectoryFrame& parent, const char* name, const struct stat& status)
{
    int fd = -1;
    for (;;) {
        fd = openat(parent.Descriptor(), name, kSubfolderOpenFlags);
        if (fd >= 0)
            break;
        // Out of descriptors: give up the oldest open listing and try again. When none is left to
        // give up, the folder stays counted but unlisted, like one that cannot be read.
        if (!OutOfDescriptors(errno) || !CloseOldestListing())
            return;
    }
    char* buffer = nullptr;
    try {
        buffer = TakeBuffer();
    } catch (const std::bad_alloc&) {
        close(fd);
        return;
    }
    try {
        PushFrame(fd, status, buffer);
    } catch (const std::bad_alloc&) {
        ReturnBuffer(buffer);
        close(fd);
        return;
    }
    // name may lie in the parent's batch, which closing the parent reuses: report first.
    if (m_options.onFolderOpened)
        m_options.onFolderOpened(name, m_depth - 1);
    while (OpenListings() > m_options.maxOpenListings && CloseOldestListing()) {
    }
}

void FolderWalk::PushFrame(int fd, const struct stat& status, char* buffer)
{
    if (m_depth == m_frames.size())
        m_frames.push_back(std::make_unique<DirectoryFrame>());
    m_frames[m_depth]->Start(fd, status.st_dev, status.st_ino, buffer, kBatchBytes);
    ++m_depth;
}

void FolderWalk::PopFrame()
{
    DirectoryFrame& child = *m_frames[m_depth - 1];
    ReturnBuffer(child.ReleaseBuffer());
    const int childFd = child.TakeDescriptor();
    --m_depth;
    if (m_depth > 0 && m_firstOpen == m_depth) {
        // The parent was closed early: it is the newest closed frame, and every frame below it is
        // closed too.
        --m_firstOpen;
        FindParentAgain(*m_frames[m_depth - 1], childFd);
    }
    m_firstOpen = std::min(m_firstOpen, m_depth);
    if (childFd >= 0)
        close(childFd);
}

void FolderWalk::FindParentAgain(DirectoryFrame& parent, int childFd)
{
    // Whatever took the folder's place (the tree was moved or changed meanwhile) is not listed
    // in its stead: the device and inode must be the ones recorded when it was entered.
    const int fd = childFd >= 0 ? openat(childFd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    struct stat status {};
    if (fd >= 0 && fstat(fd, &status) == 0 && status.st_dev == parent.Device() && status.st_ino == parent.Inode())
        parent.Reattach(fd);
    else
        parent.Abandon(fd);
}

bool FolderWalk::CloseOldestListing()
{
    // The newest frame is never closed: it is the one whose entries are being examined or opened.
    if (m_depth == 0 || m_firstOpen >= m_depth - 1)
        return false;
    ReturnBuffer(m_frames[m_firstOpen]->SaveRemainingAndClose());
    ++m_firstOpen;
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
}
