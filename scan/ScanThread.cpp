#include "ScanThread.h"

#include "FolderWalk.h"
#include "ScanInfo.h"
#include "ScanTally.h"

#include <sys/stat.h>

#include <memory>
#include <string>

namespace {

// The root is examined as typed (a link to a folder is that folder). A failed query reads as "a
// folder", whose listing then fails and counts nothing.
bool RootIsFile(const std::string& root, std::uint64_t& size)
{
    struct stat status {};
    const char* path = root.empty() ? "/" : root.c_str();
    if (stat(path, &status) != 0 || S_ISDIR(status.st_mode))
        return false;
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

} // namespace

unsigned ScanThreadProc(SCANINFO* pScan)
{
    return ScanThreadProc(pScan, FolderWalkOptions());
}

unsigned ScanThreadProc(SCANINFO* pScan, const FolderWalkOptions& options)
{
    // Own references: the window may drop its own the moment it sees the done event set.
    const std::shared_ptr<ManualResetEvent> stopEvent = pScan->hStopEvent;
    const std::shared_ptr<ManualResetEvent> doneEvent = pScan->hDoneEvent;
    try {
        std::uint64_t size = 0;
        if (RootIsFile(pScan->szRoot, size))
            ScanTally(*pScan).AddRootFile(size);
        else
            FolderWalk(*pScan, stopEvent, options).Run(pScan->szRoot.c_str());
    } catch (...) {
        // Nothing leaves the worker; the counts so far stand.
    }
    // The last act: after this the window may reuse or destroy *pScan.
    if (doneEvent)
        doneEvent->Set();
    return 0;
}

void ScanFolder(SCANINFO* pScan, const char* folder, const char* pattern)
{
    ScanFolder(pScan, folder, pattern, FolderWalkOptions());
}

void ScanFolder(SCANINFO* pScan, const char* folder, const char* /*pattern*/, const FolderWalkOptions& options)
{
    // The pattern is always "*.*", which every name matches, so the listing is not filtered.
    try {
        FolderWalk(*pScan, pScan->hStopEvent, options).Run(folder);
    } catch (...) {
    }
}
