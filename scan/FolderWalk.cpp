#include "FolderWalk.h"

#include "ExtensionFolding.h"
#include "HardLinkSet.h"
#include "ManualResetEvent.h"
#include "NameList.h"
#include "PseudoMountRule.h"
#include "RootAndLinkRule.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>
#include <utility>

FolderWalk::FolderWalk(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, const FolderWalkOptions& options,
                       std::size_t maxOpenListings, const WalkRules& rules, WalkQueue* pQueue) noexcept
    : m_stopEvent(std::move(stopEvent))
    , m_options(options)
    , m_rules(rules)
    , m_pQueue(pQueue)
    , m_tally(scan)
    , m_frames(maxOpenListings)
    , m_top(scan, options.largest)
{
}

WalkChoices FolderWalkOptions::Choices(bool bWithPatterns) const
{
    WalkChoices choices;
    choices.oneFileSystem = oneFileSystem;
    choices.linksOnce = linksOnce;
    if (bWithPatterns)
        choices.exclude = excludePatterns;
    return choices;
}

FolderWalk::~FolderWalk()
{
    CloseNamedFolder();
}

void FolderWalk::CloseNamedFolder() noexcept
{
    if (m_namedFolderFd >= 0)
        close(m_namedFolderFd);
    m_namedFolderFd = -1;
    m_namedFolder.clear();
}

int FolderWalk::NamedFolderOf(const char* name, std::string_view lastPart, const char*& examined) noexcept
{
    examined = name;
    if (lastPart.data() == name || lastPart.ends_with('/'))
        return AT_FDCWD;
    const std::string_view folder(name, static_cast<std::size_t>(lastPart.data() - name));
    if (m_namedFolderFd < 0 || folder != m_namedFolder) {
        CloseNamedFolder();
        try {
            m_namedFolder.assign(folder);
        } catch (const std::bad_alloc&) {
            return AT_FDCWD;
        }
        m_namedFolderFd = open(m_namedFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (m_namedFolderFd < 0) {
            m_namedFolder.clear();
            return AT_FDCWD;   // the whole name then gives the reason it cannot be examined
        }
    }
    examined = lastPart.data();
    return m_namedFolderFd;
}

void FolderWalk::Run(const char* folder) noexcept
{
    try {
        m_frames.SetRoot(folder, m_options.pNames != nullptr);
        if (!StopRequested() && OpenRoot())
            WalkEntries();
    } catch (const std::bad_alloc&) {
        // Out of memory for the walk's own bookkeeping (or a failing test hook) ends the walk;
        // what was counted stays counted, and the folders left unfinished are reported.
        ReportUnfinished(ENOMEM);
    } catch (...) {
        ReportUnfinished(0);
    }
    EndPart();
    WalkHandedOver(true);
}

void FolderWalk::RunHandedOver(const char* folder) noexcept
{
    try {
        m_frames.SetRoot(folder, m_options.pNames != nullptr);
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
        } catch (const std::bad_alloc&) {
            ReportUnfinished(ENOMEM);
        } catch (...) {
            ReportUnfinished(0);
        }
        EndPart();
        item = WalkItem();   // closes what was not taken over
    }
}

void FolderWalk::ReportUnfinished(int error) noexcept
{
    m_frames.NotListedOnce([&](std::size_t index) {
        m_tally.AddNotListed();
        NameProblem(ProblemKind::NotListed, error, index + 1, {});
    });
}

// A path is made only here, for a problem the scan still has room to name.
void FolderWalk::NameProblem(ProblemKind kind, int error, std::size_t frames, std::string_view name) noexcept
{
    if (!m_tally.WantsProblem(kind))
        return;
    try {
        m_tally.KeepProblem(ScanProblem{m_frames.PathOf(frames, name), kind, error});
    } catch (const std::bad_alloc&) {
        // Not named; still counted.
    }
}

void FolderWalk::EndPart()
{
    CloseNamedFolder();
    m_frames.CloseAll();
    m_tally.Flush();
    m_top.Merge(true);
}

// A folder not listed yet is listed only when no stop has come; the rest of a listing already
// open is walked whatever happens.
void FolderWalk::TakeOver(WalkItem& item)
{
    m_frames.StartPart(std::move(item.parent), item.depth);
    if (item.IsListingPart()) {
        if (!m_frames.Push(std::exchange(item.fd, -1), item.device, item.inode, item.name, &item.saved)) {
            if (!item.notListedSaid || !item.notListedSaid->exchange(true)) {
                m_tally.AddNotListed();
                NameProblem(ProblemKind::NotListed, ENOMEM, 0, item.name);
            }
            return;
        }
        m_frames.Top().ShareNotListed(std::move(item.notListedSaid));
    } else {
        if (StopRequested())
            return;
        // A folder handed back for want of descriptors or memory comes unopened.
        const int fd =
            item.fd >= 0 ? std::exchange(item.fd, -1) : m_frames.OpenBelowAbove(item.name, item.device, item.inode);
        if (fd < 0 && !FrameStack::OutOfDescriptors(errno)) {
            m_tally.AddNotListed();
            NameProblem(ProblemKind::NotListed, errno, 0, item.name);
            return;
        }
        const int error = fd < 0 ? errno : ENOMEM;
        if (fd < 0 || !m_frames.Push(fd, item.device, item.inode, item.name)) {
            if (!HandBackAgain(item)) {
                m_tally.AddNotListed();
                NameProblem(ProblemKind::NotListed, error, 0, item.name);
            }
            return;
        }
        ReportOpened(item.name, m_frames.BaseDepth());
    }
    WalkEntries();
}

bool FolderWalk::StopRequested() const
{
    return m_stopEvent && m_stopEvent->IsSet();
}

bool FolderWalk::OpenRoot()
{
    const std::string& root = m_frames.Root();
    const int fd = RootAndLinkRule::OpenRootFolder(root);
    if (fd < 0) {
        const int error = errno;
        if (m_tally.AddRootNotOpened(error))
            NameProblem(ProblemKind::NotListed, error, 0, root);
        return false;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        const int error = errno;
        close(fd);
        m_tally.AddNotListed();
        NameProblem(ProblemKind::NotListed, error, 0, root);
        return false;
    }
    // A list of names is walked as a listing kept in memory that refills itself from the list.
    std::string noEntriesYet;
    if (!m_frames.Push(fd, status.st_dev, status.st_ino, root, m_options.pNames ? &noEntriesYet : nullptr)) {
        m_tally.AddNotListed();
        NameProblem(ProblemKind::NotListed, ENOMEM, 0, root);
        return false;
    }
    m_frames.Top().FeedFrom(m_options.pNames);
    ReportOpened(root, 0);
    return true;
}

void FolderWalk::ReportOpened(std::string_view name, std::size_t depth) const
{
    if (m_options.onFolderOpened)
        m_options.onFolderOpened(name, depth);
}

void FolderWalk::WalkEntries()
{
    while (!m_frames.Empty()) {
        DirectoryFrame& frame = m_frames.Top();
        if (m_pQueue && m_pQueue->Hungry())
            HandOverListingPart(frame);
        const char* name = frame.Next();
        if (!name)
            EndFolder();
        else if (AtNameList() || !DirectoryFrame::IsDotOrDotDot(name))
            VisitEntry(frame, name);   // "." named in a list is the current folder
    }
}

void FolderWalk::EndFolder()
{
    // A listing read to its end: what it counted reaches the scan now.
    m_tally.Flush();
    if (m_top.Active())
        m_top.Merge(false);
    const FrameStack::Popped popped = m_frames.Pop();
    if (popped.NotListed() == 0)
        return;
    m_tally.AddNotListed(popped.NotListed());
    if (popped.bFolderNotListed)
        NameProblem(ProblemKind::NotListed, popped.folderError, m_frames.Size(), popped.folderName);
    if (popped.bParentNotListed)
        NameProblem(ProblemKind::NotListed, popped.parentError, m_frames.Size(), {});
}

namespace {

// The last part of a name in a list ("c" of "a/b/c"), always a suffix of the name: what an
// extension and an exclusion pattern are taken from. A folder named with trailing slashes keeps them (its extension counts
// for nothing).
std::string_view LastPartOf(std::string_view name)
{
    std::size_t end = name.size();
    while (end > 1 && name[end - 1] == '/')
        --end;
    // memrchr: the names of a long list are long paths, each looked at once or twice.
    const void* slash = end > 0 ? memrchr(name.data(), '/', end - 1) : nullptr;
    if (!slash)
        return name;
    return name.substr(static_cast<const char*>(slash) - name.data() + 1);
}

} // namespace

void FolderWalk::VisitEntry(DirectoryFrame& frame, const char* name)
{
    const bool bNamed = AtNameList();
    if (bNamed && frame.Type() == static_cast<unsigned char>(NameList::kEmptyName)) {
        m_tally.AddEmptyName();
        if (m_tally.WantsProblem(ProblemKind::EmptyName)) {
            try {
                m_tally.KeepProblem(ScanProblem{m_options.pNames->Source() + ':' + name, ProblemKind::EmptyName, 0});
            } catch (const std::bad_alloc&) {
                // Not named; still counted.
            }
        }
        return;
    }
    const std::string_view lastPart = bNamed ? LastPartOf(name) : std::string_view(name);
    // An entry left out is left out before anything else: not even its status is read, and
    // nothing below a folder left out is looked at. The last part ends where the name ends, so
    // it is a C string as it stands.
    if (m_rules.exclusion.Any() && m_rules.exclusion.Excludes(lastPart.data())) {
        m_tally.AddExcluded();
        return;
    }
    struct stat status;
    const char* examined = name;
    const int base = bNamed ? NamedFolderOf(name, lastPart, examined) : frame.Descriptor();
    if (fstatat(base, examined, &status, RootAndLinkRule::EntryStatusFlags()) != 0) {
        const int error = errno;
        if (bNamed) {
            m_tally.AddNotFound();
            NameProblem(ProblemKind::NotFound, error, m_frames.Size(), name);
            return;
        }
        NameProblem(m_tally.AddUnexamined(name, error, frame.Type() == DT_DIR), error, m_frames.Size(), name);
        return;
    }
    if (bNamed && !VisitNamed(name, status))
        return;
    const ScanTally::Sizes sizes = ScanTally::SizesOf(status);
    if (!RootAndLinkRule::IsFolder(status)) {
        // A later link of a file counted once adds nothing, nor does it enter the largest files
        // a second time.
        if (m_options.linksOnce && status.st_nlink > 1) {
            if (!CountLink(lastPart, status, sizes))
                return;
        } else {
            m_tally.AddFile(lastPart, sizes);
        }
        if (m_top.Active())
            OfferLargest(name, status);
        return;
    }
    // A folder named in a list is entered wherever it lies: it was named.
    if (!bNamed && StaysOutside(frame, name, status)) {
        m_tally.AddFolderNotEntered(sizes);
        NameProblem(ProblemKind::NotEntered, 0, m_frames.Size(), name);
        return;
    }
    m_tally.AddFolder(sizes);
    // The one place a stop is seen: before a folder's listing opens. Folders already open finish
    // their listings, counting the rest of their entries without entering any subfolder.
    if (StopRequested())
        return;
    EnterFolder(frame, name, status);
}

// A name given twice counts once: the first time it is met, whichever thread meets it.
bool FolderWalk::VisitNamed(const char* name, const struct stat& status)
{
    const bool bSeveralLinks = !RootAndLinkRule::IsFolder(status) && status.st_nlink > 1;
    if (m_options.pNames->FirstTime(status.st_dev, status.st_ino, bSeveralLinks, name))
        return true;
    m_tally.AddRepeated();
    NameProblem(ProblemKind::Repeated, 0, m_frames.Size(), name);
    return false;
}

// The folders' names are gathered only for a file big enough to enter the list. Whatever memory
// the list lacks costs it the file, counted, never a count of the walk. A file named in a list
// has the folder part of its name for its folders.
void FolderWalk::OfferLargest(const char* name, const struct stat& status) noexcept
{
    const auto size = static_cast<std::uint64_t>(status.st_size);
    const bool bNamed = AtNameList();
    const std::string_view lastPart = bNamed ? LastPartOf(name) : std::string_view(name);
    if (!m_top.MayEnter(lastPart, size))
        return;
    try {
        m_frames.FolderNames(m_folderNames);
        if (bNamed && lastPart.size() < std::strlen(name))
            m_folderNames.assign(1, std::string_view(name, std::strlen(name) - lastPart.size()));
    } catch (const std::bad_alloc&) {
        m_top.CountNotKept();
        return;
    }
    m_top.Offer(lastPart, size, static_cast<std::int64_t>(status.st_mtime), m_folderNames);
}

// When hard links count once, the second and later links of a file add nothing at all (false).
// Only files with more than one link can have been met before, so only they are remembered; the
// link set gives the file its row when the walk ends. A link that cannot be checked is counted
// with its own row and reported.
bool FolderWalk::CountLink(std::string_view name, const struct stat& status, ScanTally::Sizes sizes)
{
    HardLinkSet::Link link = HardLinkSet::Link::Unchecked;
    if (m_rules.pLinks) {
        try {
            m_linkExtension.clear();
            ExtensionFolding::AppendFolded(ExtensionFolding::ExtensionOf(name), m_linkExtension);
            link = m_rules.pLinks->Offer(status.st_dev, status.st_ino, m_linkExtension, sizes.nBytes,
                                         sizes.nDiskBytes);
        } catch (const std::bad_alloc&) {
        }
    }
    switch (link) {
    case HardLinkSet::Link::First: m_tally.AddLinkedFile(sizes); return true;
    case HardLinkSet::Link::Later: return false;
    case HardLinkSet::Link::Unchecked: m_tally.AddUncheckedLink(name, sizes); return true;
    }
    return true;
}

// A folder on another device than its parent's is a mount point: one of a pseudo-filesystem is
// never entered, and with one file system asked for none is. Folders on another device are then
// never entered, so every folder listed, the parent here included (whichever thread lists it),
// is on the root's device: comparing with the parent is comparing with the root.
bool FolderWalk::StaysOutside(const DirectoryFrame& parent, const char* name, const struct stat& status) const
{
    if (status.st_dev == parent.Device())
        return false;
    return m_options.oneFileSystem || m_rules.mountRule.Excludes(status.st_dev, parent.Descriptor(), name);
}

void FolderWalk::EnterFolder(DirectoryFrame& parent, const char* name, const struct stat& status)
{
    // The folder is counted already; whatever keeps it from being listed is reported.
    const int fd = m_frames.OpenSubfolder(BaseOf(parent), name);
    if (fd >= 0 && m_pQueue && m_pQueue->Hungry() && HandOverFolder(fd, status, name))
        return;
    if (fd < 0 && !FrameStack::OutOfDescriptors(errno)) {
        m_tally.AddNotListed();
        NameProblem(ProblemKind::NotListed, errno, m_frames.Size(), name);
        return;
    }
    const int error = fd < 0 ? errno : ENOMEM;
    if (fd < 0 || !m_frames.Push(fd, status.st_dev, status.st_ino, name)) {
        // Out of descriptors or memory this thread could free: another thread (or this one, once
        // its own part is walked) may have them, so the folder goes back to the queue, unopened,
        // instead of being given up with its whole subtree.
        if (!m_pQueue || !HandOverFolder(-1, status, name)) {
            m_tally.AddNotListed();
            NameProblem(ProblemKind::NotListed, error, m_frames.Size(), name);
        }
        return;
    }
    // name may lie in the parent's batch, which closing the parent reuses: report first.
    ReportOpened(name, m_frames.TopDepth());
    m_frames.KeepWithinBudget();
}

// A folder handed back that could not be opened or given a frame here either goes back once
// more, a bounded number of times, so that a shortage that lasts ends the walk all the same.
bool FolderWalk::HandBackAgain(WalkItem& item)
{
    constexpr std::size_t kMaxHandBacks = 16;
    if (item.handBacks >= kMaxHandBacks)
        return false;
    ++item.handBacks;
    item.parent = m_frames.Above();   // taken over by TakeOver
    return m_pQueue->Offer(item);
}

// Hands the folder just opened on fd (-1: not opened) to a waiting thread, with what it needs to
// find it again.
bool FolderWalk::HandOverFolder(int fd, const struct stat& status, const char* name)
{
    WalkItem item;
    try {
        item.parent = m_frames.NodeAbove(m_frames.Size());
        item.name = name;
    } catch (const std::bad_alloc&) {
        return false;
    }
    item.device = status.st_dev;
    item.inode = status.st_ino;
    item.depth = m_frames.BaseDepth() + m_frames.Size();
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
    // A list of names is handed out from the list itself, fresh names a part at a time, by any
    // thread walking a part of it: no name is copied from thread to thread while the list lasts.
    // Once it is read to its end, the parts' last names are split as a listing's are.
    const std::size_t index = m_frames.Size() - 1;
    WalkItem item;
    try {
        item.parent = m_frames.NodeAbove(index);
        item.name = frame.Name();
        item.notListedSaid = frame.SharedNotListed();
    } catch (const std::bad_alloc&) {
        return;
    }
    item.fd = fcntl(frame.Descriptor(), F_DUPFD_CLOEXEC, 0);
    if (item.fd < 0)
        return;
    item.device = frame.Device();
    item.inode = frame.Inode();
    item.depth = m_frames.BaseDepth() + index;
    bool bFresh = false;
    std::size_t cut = 0;
    try {
        if (AtNameList())
            bFresh = m_options.pNames->Refill(item.saved, kHandedNameBytes);
        if (!bFresh)
            cut = frame.CopyLaterHalf(item.saved);
    } catch (const std::bad_alloc&) {
        // Whole names the list gave before memory ran short are handed on all the same (a
        // copied half, which changes nothing when it fails, never is).
        bFresh = AtNameList() && !item.saved.empty() && cut == 0;
    }
    if (!bFresh && cut == 0)
        return;
    if (m_pQueue->Offer(item)) {
        if (!bFresh)
            frame.DropFrom(cut);
        return;
    }
    if (bFresh)
        TakeBackNames(frame, item.saved);
}

// Names taken from the list for a part that no thread took after all: this thread walks them.
void FolderWalk::TakeBackNames(DirectoryFrame& frame, const std::string& entries) noexcept
{
    try {
        frame.TakeBack(entries);
    } catch (const std::bad_alloc&) {
        // The list could not be read whole: said as for a folder whose listing failed.
        if (frame.TakeNotListed()) {
            m_tally.AddNotListed();
            NameProblem(ProblemKind::NotListed, ENOMEM, m_frames.Size() - 1, {});
        }
    }
}
