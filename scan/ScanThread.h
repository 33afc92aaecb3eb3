// The worker's walk of a folder tree.
#pragma once

struct FolderWalkOptions;
struct SCANINFO;

// Body of the worker thread. The caller (ScanJob) has reset the counters and the record list,
// filled szRoot and created both events (unset). Walks szRoot (with the walking threads the
// options ask for, WalkPool), counting into pScan under pScan->cs; each folder's listing is opened
// only after a test of hStopEvent, and after a stop the listings already open are read to their
// end without entering their subfolders. Sets hDoneEvent as its last act, once every walking
// thread has ended and added all it counted; returns 0. Throws nothing. options (threads,
// descriptor cap, test hook) are read, never copied.
unsigned ScanThreadProc(SCANINFO* pScan, const FolderWalkOptions& options);
