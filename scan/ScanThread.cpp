#include "ScanThread.h"

#include "FolderWalk.h"
#include "RootAndLinkRule.h"
#include "ScanInfo.h"
#include "ScanTally.h"
#include "TopFiles.h"
#include "WalkPool.h"

#include <memory>
#include <string_view>
#include <vector>

namespace {

// A root that is a file is the one file of its scan: its row is that of its own name's extension,
// and the largest files asked for are it or nothing. Its path is the root as given.
void CountRootFile(SCANINFO& scan, const LargestFilesQuery& query, ScanTally::Sizes sizes, std::int64_t mtime)
{
    const std::string_view root = scan.szRoot;
    const std::size_t slash = root.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? root : root.substr(slash + 1);
    ScanTally(scan).AddRootFile(name, sizes);
    if (query.count == 0)
        return;
    TopFiles top(scan, query);
    std::vector<std::string_view> folders;
    if (slash != std::string_view::npos)
        folders.push_back(root.substr(0, slash));
    top.Consider(name, sizes.nBytes, mtime, folders);
    top.Merge(true);
}

} // namespace

unsigned ScanThreadProc(SCANINFO* pScan, const FolderWalkOptions& options)
{
    // Own references: the window may drop its own the moment it sees the done event set.
    const std::shared_ptr<ManualResetEvent> stopEvent = pScan->hStopEvent;
    const std::shared_ptr<ManualResetEvent> doneEvent = pScan->hDoneEvent;
    try {
        ScanTally::Sizes sizes;
        std::int64_t mtime = 0;
        if (RootAndLinkRule::RootIsFile(pScan->szRoot, sizes.nBytes, sizes.nDiskBytes, &mtime)) {
            CountRootFile(*pScan, options.largest, sizes, mtime);
        } else
            WalkPool(*pScan, stopEvent, options).Run(pScan->szRoot.c_str());
    } catch (...) {
        // Nothing leaves the worker; the counts so far stand.
    }
    // The last act: after this the window may reuse or destroy *pScan.
    if (doneEvent)
        doneEvent->Set();
    return 0;
}
