// The worker's walk of a folder tree.
#pragma once

struct FolderWalkOptions;
struct SCANINFO;

// Body of the worker thread. The caller (ScanJob) has reset the counters and the record list,
// filled szRoot and created both events (unset). Walks szRoot depth first, counting into pScan
// under pScan->cs; tests hStopEvent once per folder before listing it, and after a stop finishes
// the listings already open without entering their subfolders. Sets hDoneEvent as its last act;
// returns 0. Throws nothing.
unsigned ScanThreadProc(SCANINFO* pScan);
// The same with walk options (descriptor cap, test hook).
unsigned ScanThreadProc(SCANINFO* pScan, const FolderWalkOptions& options);
