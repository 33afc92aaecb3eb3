// The walking thread's side of the shared counters: each walking thread gathers its counts and
// extension totals here and adds them to the SCANINFO under the scan's lock in batches, when
// asked (once per folder listed) and at least every 100 ms, so the window keeps seeing them grow
// and the lock is taken far less often than once per entry.
#pragma once

#include "ScanCounters.h"
#include "ScanProblem.h"

#include <sys/stat.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct EXTINFO;
struct SCANINFO;

class ScanTally {
public:
    explicit ScanTally(SCANINFO& scan) noexcept;
    // Adds what is still gathered.
    ~ScanTally();
    ScanTally(const ScanTally&) = delete;
    ScanTally& operator=(const ScanTally&) = delete;

    // An entry's apparent size (st_size) and the space allocated for it (st_blocks x 512).
    struct Sizes {
        std::uint64_t nBytes = 0;
        std::uint64_t nDiskBytes = 0;
    };
    static Sizes SizesOf(const struct stat& status);

    // What the walk met; how each counts is decided here alone.
    // A subfolder below the root: one folder and its own sizes.
    void AddFolder(Sizes sizes);
    // A file named `name` (the name alone): one file, its sizes, and its extension's record (or,
    // out of memory, a file reported as kept in no record).
    void AddFile(std::string_view name, Sizes sizes);
    // A root that is itself a file, named `name` (the last part of the root as given): one file,
    // its sizes and its row, as any file below a root would have; added at once.
    void AddRootFile(std::string_view name, Sizes sizes);
    // The first link met of a file with several links when they count once: one file and its
    // sizes, no row; the set of links (HardLinkSet) gives it its row when the walk ends.
    void AddLinkedFile(Sizes sizes);
    // A file with several links that could not be checked against the others (out of memory):
    // counted as AddFile does, and reported as perhaps counted twice.
    void AddUncheckedLink(std::string_view name, Sizes sizes);
    // A subfolder not entered (a pseudo-filesystem's mount point, or another file system's when
    // the walk stays on one): a folder, reported as not entered.
    void AddFolderNotEntered(Sizes sizes);
    // An entry below the root left out by an exclusion pattern: counted as excluded, nothing else.
    void AddExcluded();
    // An entry listed whose status could not be read (error: the errno of fstatat);
    // bListedAsFolder: the listing gave it as a folder. Returns the kind it was counted as.
    ProblemKind AddUnexamined(std::string_view name, int error, bool bListedAsFolder);
    // The root folder could not be opened (error: the errno of the open). True when it counts as
    // a folder not listed (it exists).
    bool AddRootNotOpened(int error);
    // Folders counted whose listing could not be read, or not to its end.
    void AddNotListed(std::uint64_t count = 1);
    void AddVanished();
    // A name in a list not examined, named again, or empty (ScanCounters::nNotFound...).
    void AddNotFound();
    void AddRepeated();
    void AddEmptyName();

    // The problems named beside the counts: whether one of the kind would still be kept (read
    // without the lock, so that no path is made once the scan holds enough of them), and keeping
    // one until the next flush. Out of memory a problem is not kept; its count stays.
    bool WantsProblem(ProblemKind kind) const;
    void KeepProblem(ScanProblem&& problem) noexcept;

    // Adds everything gathered to the scan under its lock (finding or making the records there)
    // and starts gathering afresh. Never holds the lock across anything but the additions.
    void Flush();

private:
    // Totals gathered since the last flush for an extension whose record this thread knows.
    struct Pending {
        EXTINFO* pRecord = nullptr;
        std::uint64_t nCount = 0;
        std::uint64_t nBytes = 0;
        std::uint64_t nDiskBytes = 0;
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    using KnownMap = std::unordered_map<std::string, Pending, TextHash, std::equal_to<>>;

    void AddFileWithoutRow(Sizes sizes);
    void AddToRow(std::string_view name, Sizes sizes);
    void AddToKnown(Pending& pending, Sizes sizes);
    void AddUnresolved(std::string_view folded, Sizes sizes);
    void ResolveUnderLock();
    void KeepProblemsUnderLock() noexcept;
    void Counted();

    SCANINFO& m_scan;
    ScanCounters m_counts;   // gathered since the last flush
    bool m_bGathered = false;

    // Extensions whose record this thread has met (a bounded number: the common ones), and those
    // of them with totals since the last flush. Records outlive the walk, so they stay valid.
    KnownMap m_known;
    std::vector<Pending*> m_changed;
    // Files whose extension's record is not known here yet, found or made at the next flush: per
    // file its sizes (8 bytes each), the folded extension's length (2 bytes) and the extension.
    std::string m_unresolved;
    // Files of one kind tend to come in runs, so the last extension met (as listed, before folding)
    // and its totals skip both the folding and the lookup.
    std::string m_lastExtension;
    Pending* m_pLast = nullptr;
    std::string m_folded;   // reused for every fold, so common extensions cost no allocation

    // Problems named since the last flush, and how many of each kind.
    std::vector<ScanProblem> m_problems;
    std::size_t m_problemsWaiting[kProblemKinds] = {};

    unsigned m_nSinceClock = 0;
    std::chrono::steady_clock::time_point m_lastFlush;
};
