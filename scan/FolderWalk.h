// One walking thread's walk of a folder tree: depth first, each subfolder entered as its folder's
// listing meets it, with an explicit stack of listings (FrameStack) instead of the call stack and
// every folder opened relative to its parent's descriptor, so neither depth nor path length limits
// it. When several threads walk one tree (WalkPool), each hands a subfolder or the later half of a
// listing to the shared WalkQueue whenever another thread waits for work, and takes work from
// there when it has none. What it meets goes to its ScanTally, which decides how it counts.
#pragma once

#include "FrameStack.h"
#include "LargestFiles.h"
#include "ScanProblem.h"
#include "ScanTally.h"
#include "TopFiles.h"
#include "WalkChoices.h"
#include "WalkQueue.h"
#include "WalkRules.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ManualResetEvent;
class NameList;
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

    // Folders on another device than the root's are counted, not entered (as not entered).
    bool oneFileSystem = false;
    // Shell patterns (fnmatch) matched against each entry's name: an entry that matches is left
    // out, a folder with everything below it, and counted as excluded.
    std::vector<std::string> excludePatterns;
    // A file with several hard links is counted once, by device and inode.
    bool linksOnce = false;
    // Keeps the largest files of some extensions beside the counts (ScanResult::Largest).
    LargestFilesQuery largest;
    // Counts the names of this list (which must outlive the walk) as the entries of the root,
    // which must then be the current folder ("."), instead of the root's own listing: a file
    // named counts as a file, a folder as a folder and is walked, a link as itself. Names are
    // paths as given, and paths below them start with them.
    NameList* pNames = nullptr;

    // The choices that change what such a walk measures, as a scan file records them; without
    // bWithPatterns the exclusion patterns are left out. Throws std::bad_alloc.
    WalkChoices Choices(bool bWithPatterns = true) const;
};

class FolderWalk {
public:
    // Makes nothing that can fail: a walking thread always gets its walk. options and rules are
    // shared with the other walking threads and outlive the walk.
    // maxOpenListings is this thread's own share. stopEvent (may be null: never stops) is tested
    // once per folder before its listing opens. pQueue (may be null: a walk alone) is shared with
    // the other threads walking the same tree.
    FolderWalk(SCANINFO& scan, std::shared_ptr<ManualResetEvent> stopEvent, const FolderWalkOptions& options,
               std::size_t maxOpenListings, const WalkRules& rules, WalkQueue* pQueue = nullptr) noexcept;
    ~FolderWalk();
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // Walks folder ("" stands for "/") and everything below it, then (with a queue) whatever the
    // other threads hand over, until the queue ends; once per object. Every count has been added
    // to the scan when it returns.
    void Run(const char* folder) noexcept;
    // For the other threads: walks what is handed over below folder (the same root as Run's)
    // until the queue ends.
    void RunHandedOver(const char* folder) noexcept;

private:
    bool StopRequested() const;
    bool OpenRoot();
    void WalkHandedOver(bool bWasWorking);
    void TakeOver(WalkItem& item);
    void WalkEntries();
    void EndFolder();
    void VisitEntry(DirectoryFrame& frame, const char* name);
    // The listing being walked is the list of names, not a folder's.
    bool AtNameList() const { return m_options.pNames && m_frames.TopDepth() == 0; }
    bool VisitNamed(const char* name, const struct stat& status);
    // What an entry's name is taken relative to. The list's folder is the current folder: named
    // as such, it spares every walking thread the shared count of one descriptor per name.
    int BaseOf(const DirectoryFrame& frame) const { return AtNameList() ? AT_FDCWD : frame.Descriptor(); }
    // For a name in a list, the folder to examine lastPart in, and the name to examine there:
    // the folder part of the name, kept open while the names that follow lie in it too (a list
    // names a folder's entries one after another), so that each is looked up as a walk looks up
    // an entry, not from the current folder down. The current folder and the whole name when
    // the name has no folder part or its folder cannot be opened.
    int NamedFolderOf(const char* name, std::string_view lastPart, const char*& examined) noexcept;
    void CloseNamedFolder() noexcept;
    bool CountLink(std::string_view name, const struct stat& status, ScanTally::Sizes sizes);
    bool StaysOutside(const DirectoryFrame& parent, const char* name, const struct stat& status) const;
    void EnterFolder(DirectoryFrame& parent, const char* name, const struct stat& status);
    void OfferLargest(const char* name, const struct stat& status) noexcept;
    void ReportOpened(std::string_view name, std::size_t depth) const;
    // Handing work over to a waiting thread. Each takes fd over only when it returns true.
    bool HandOverFolder(int fd, const struct stat& status, const char* name);
    void HandOverListingPart(DirectoryFrame& frame);
    void TakeBackNames(DirectoryFrame& frame, const std::string& entries) noexcept;
    // Bytes of names handed to another thread at once: a few milliseconds of work, so that the
    // threads end the list together.
    static constexpr std::size_t kHandedNameBytes = 128 * 1024;
    bool HandBackAgain(WalkItem& item);
    void EndPart();
    void ReportUnfinished(int error) noexcept;
    void NameProblem(ProblemKind kind, int error, std::size_t frames, std::string_view name) noexcept;

    std::shared_ptr<ManualResetEvent> m_stopEvent;
    const FolderWalkOptions& m_options;
    const WalkRules& m_rules;
    WalkQueue* m_pQueue;
    ScanTally m_tally;
    FrameStack m_frames;
    // Only with a count asked for (options.largest): this thread's largest files, and the names
    // of the folders above a file that may enter them (reused from file to file).
    TopFiles m_top;
    std::vector<std::string_view> m_folderNames;
    std::string m_linkExtension;   // the folded extension of a link, reused from file to file
    std::string m_namedFolder;     // the folder part of the last name of a list examined
    int m_namedFolderFd = -1;      // open on it (O_PATH), or -1
};
