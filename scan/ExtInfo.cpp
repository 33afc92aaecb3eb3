#include "ExtInfo.h"

#include "ExtensionFolding.h"
#include "ScanInfo.h"

#include <new>

EXTINFO* FindFoldedExtInfo(SCANINFO* pScan, std::string_view foldedExt)
{
    if (foldedExt.empty())
        return nullptr;
    if (EXTINFO* pFound = pScan->extIndex.Find(foldedExt))
        return pFound;
    EXTINFO* pRecord = nullptr;
    try {
        pRecord = new EXTINFO;
        pRecord->szExt.assign(foldedExt);
    } catch (const std::bad_alloc&) {
        delete pRecord;
        return nullptr;
    }
    // The index keys view pRecord->szExt, which stays put: the record lives on the heap and its
    // text never changes.
    if (!pScan->extIndex.Insert(pRecord)) {
        delete pRecord;
        return nullptr;
    }
    pRecord->pNext = pScan->pExtList;
    pScan->pExtList = pRecord;
    return pRecord;
}

void FreeExtList(SCANINFO* pScan)
{
    pScan->extIndex.Clear();
    FreeExtRecords(pScan->pExtList);
    pScan->pExtList = nullptr;
}

void FreeExtRecords(EXTINFO* pHead)
{
    while (pHead) {
        EXTINFO* pNext = pHead->pNext;
        delete pHead;
        pHead = pNext;
    }
}
