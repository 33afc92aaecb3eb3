#include "ScanThread.h"

#include "FolderWalk.h"
#include "RootAndLinkRule.h"
#include "ScanInfo.h"
#include "ScanTally.h"
#include "WalkPool.h"

#include <memory>

unsigned ScanThreadProc(SCANINFO* pScan, const FolderWalkOptions& options)
{
    // Own references: the window may drop its own the moment it sees the done event set.
    const std::shared_ptr<ManualResetEvent> stopEvent = pScan->hStopEvent;
    const std::shared_ptr<ManualResetEvent> doneEvent = pScan->hDoneEvent;
    try {
        std::uint64_t size = 0;
        if (RootAndLinkRule::RootIsFile(pScan->szRoot, size))
            ScanTally(*pScan).AddRootFile(size);
        else
            WalkPool(*pScan, stopEvent, options).Run(pScan->szRoot.c_str());
    } catch (...) {
        // Nothing leaves the worker; the counts so far stand.
    }
    // The last act: after this the window may reuse or destroy *pScan.
    if (doneEvent)
        doneEvent->Set();
    return 0;
}
