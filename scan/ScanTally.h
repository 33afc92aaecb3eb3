// The walking thread's side of the shared counters: each walking thread gathers its counts and
// extension totals here and adds them to the SCANINFO under the scan's lock in batches, when
// asked (once per folder listed) and at least every 100 ms, so the window keeps seeing them grow
// and the lock is taken far less often than once per entry.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct EXTINFO;
struct SCANINFO;

class ScanTally {
public:
    explicit ScanTally(SCANINFO& scan);
    // Adds what is still gathered.
    ~ScanTally();
    ScanTally(const ScanTally&) = delete;
    ScanTally& operator=(const ScanTally&) = delete;

    // A subfolder below the root: one folder and its own size.
    void AddFolder(std::uint64_t size);
    // A file named `name` (the name alone): one file, its size, and its extension's record.
    void AddFile(std::string_view name, std::uint64_t size);
    // A root that is itself a file: one file and its size, no record; added at once.
    void AddRootFile(std::uint64_t size);

    // What could not be counted (see SCANINFO).
    void AddNotListed(std::uint64_t count = 1);
    void AddNotEntered();
    void AddVanished();

    // Adds everything gathered to the scan under its lock (finding or making the records there)
    // and starts gathering afresh. Never holds the lock across anything but the additions.
    void Flush();

private:
    // Totals of one folded extension gathered since the last flush, and its record once known.
    struct Pending {
        EXTINFO* pRecord = nullptr;
        std::uint64_t nCount = 0;
        std::uint64_t nBytes = 0;
    };
    using PendingMap = std::unordered_map<std::string, Pending>;

    PendingMap::value_type* EntryFor(std::string_view extension);
    bool MarkChanged(PendingMap::value_type* pEntry);
    void Counted();

    SCANINFO& m_scan;
    std::uint64_t m_nFolders = 0;
    std::uint64_t m_nFiles = 0;
    std::uint64_t m_nBytes = 0;
    std::uint64_t m_nNotListed = 0;
    std::uint64_t m_nNotEntered = 0;
    std::uint64_t m_nVanished = 0;
    bool m_bGathered = false;

    // Extensions met by this thread; those with totals since the last flush are in m_changed.
    // Records outlive the walk, so a remembered record stays valid.
    PendingMap m_extensions;
    std::vector<PendingMap::value_type*> m_changed;
    // Files of one kind tend to come in runs, so the last extension met (as listed, before folding)
    // and its totals skip both the folding and the lookup.
    std::string m_lastExtension;
    PendingMap::value_type* m_pLast = nullptr;
    std::string m_folded;   // reused for every fold, so common extensions cost no allocation

    unsigned m_nSinceClock = 0;
    std::chrono::steady_clock::time_point m_lastFlush;
};
