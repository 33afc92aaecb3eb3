// One record per file-name extension met by a scan, and the operations on the scan's record list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct SCANINFO;

struct EXTINFO {
    std::uint64_t nCount = 0;   // files with this extension
    std::uint64_t nBytes = 0;   // sum of their sizes
    EXTINFO* pNext = nullptr;   // next record; the list runs from the newest extension to the oldest
    std::string szExt;          // the extension with its leading dot, case-folded; never changes
    std::uint64_t nDiskBytes = 0; // sum of their allocated sizes (st_blocks x 512)
};

// Records are allocated with new and released by FreeExtList, or by FreeExtRecords once a
// ScanResult has taken them.

// Returns the record of an extension already folded (ExtensionFolding), adding one at the head of
// pScan->pExtList when the extension is new; the walk folds outside the lock. Null for an empty
// text or when memory ran out. The caller holds pScan->cs and adds the file to the record itself.
EXTINFO* FindFoldedExtInfo(SCANINFO* pScan, std::string_view foldedExt);

// Releases every record and leaves pExtList null. Only while no worker runs.
void FreeExtList(SCANINFO* pScan);
// Releases the records of a list taken out of a scan.
void FreeExtRecords(EXTINFO* pHead);
