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
        ScanTally::Sizes sizes;
        if (RootAndLinkRule::RootIsFile(pScan->szRoot, sizes.nBytes, sizes.nDiskBytes))
            ScanTally(*pScan).AddRootFile(sizes);
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
