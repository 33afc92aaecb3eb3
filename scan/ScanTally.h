// The worker's side of the shared counters: every update of the counters and records of a SCANINFO
// made by a walk goes through here, each under the scan's lock and only for the update itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct EXTINFO;
struct SCANINFO;

class ScanTally {
public:
    explicit ScanTally(SCANINFO& scan);

    // A subfolder below the root: one folder and its own size.
    void AddFolder(std::uint64_t size);
    // A file named `name` (the name alone): one file, its size, and its extension's record.
    void AddFile(std::string_view name, std::uint64_t size);
    // A root that is itself a file: one file and its size, no record.
    void AddRootFile(std::uint64_t size);

    // What could not be counted (see SCANINFO).
    void AddNotListed(std::uint64_t count = 1);
    void AddNotEntered();
    void AddVanished();

private:
    EXTINFO* RememberedRecord(std::string_view extension) const;
    void Remember(std::string_view extension, EXTINFO* pRecord);

    SCANINFO& m_scan;
    // Files of one kind tend to come in runs, so the last extension met (as listed, before folding)
    // and its record skip both the folding and the index. Records outlive the walk, so the
    // pointer stays valid.
    std::string m_lastExtension;
    EXTINFO* m_pLastRecord = nullptr;
    std::string m_folded;   // reused for every fold, so common extensions cost no allocation
};
