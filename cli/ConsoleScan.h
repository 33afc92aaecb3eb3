// Runs one scan from the command line the way the window does: a ScanJob over a SCANINFO, the
// worker on its own thread, and this thread polling the counters.
#pragma once

#include "ScanInfo.h"
#include "ScanJob.h"

#include <cstddef>
#include <string>

class CInterruptFlag;
class CStatusLine;

class CConsoleScan {
public:
    CConsoleScan() = default;
    CConsoleScan(const CConsoleScan&) = delete;
    CConsoleScan& operator=(const CConsoleScan&) = delete;

    // The walk says nothing of a root it cannot list, so the tool checks it first: false, with
    // a one-line message in `error`, when `root` does not exist or is a folder that cannot be opened.
    static bool CheckRoot(const std::string& root, std::string& error);

    // Scans `root` (as the user gave it) to the end or until `interrupt` is raised, refreshing
    // `status` twice a second meanwhile. Returns false only when the worker could not be started
    // (ErrorText() says why); the results then stay empty.
    // options: how the walk goes (threads, exclusions, largest files, ...).
    bool Run(const std::string& root, const FolderWalkOptions& options, const CInterruptFlag& interrupt,
             CStatusLine& status);

    const std::string& ErrorText() const { return m_szError; }
    // The last scan's counters and records, handed over whole once Run has returned.
    ScanResult TakeResult() { return m_job.TakeResult(); }

private:
    void WaitForEnd(const CInterruptFlag& interrupt, CStatusLine& status);
    std::string StatusText() const;

    SCANINFO m_scan;
    ScanJob m_job{m_scan};   // after m_scan: it stops its worker before the state goes
    std::string m_szError;
};
