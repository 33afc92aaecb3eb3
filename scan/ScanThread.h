// The worker's walk of a folder tree.
#pragma once

struct FolderWalkOptions;
struct SCANINFO;

// Body of the worker thread. The caller has reset the counters and the record list, filled szRoot
// and szPattern and created both events (unset). Sets hDoneEvent as its last act; returns 0.
// Throws nothing.
unsigned ScanThreadProc(SCANINFO* pScan);
// The same with walk options (descriptor cap, test hook).
unsigned ScanThreadProc(SCANINFO* pScan, const FolderWalkOptions& options);

// Walks `folder` and everything below it, depth first, counting into pScan under pScan->cs.
// Tests hStopEvent once per folder before listing it; after a stop, folders already open finish
// their listings (their subfolders are counted but not entered). `pattern` is always "*.*".
// Throws nothing.
void ScanFolder(SCANINFO* pScan, const char* folder, const char* pattern);
void ScanFolder(SCANINFO* pScan, const char* folder, const char* pattern, const FolderWalkOptions& options);
