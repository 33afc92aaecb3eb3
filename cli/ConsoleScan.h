// Runs one scan from the command line the way the window does: a ScanSession, the worker on its
// own thread, and this thread polling the counters.
#pragma once

#include "ScanRequest.h"
#include "ScanResult.h"
#include "ScanSession.h"
#include "SizeMeasure.h"

#include <string>

class CInterruptFlag;
class CStatusLine;

class CConsoleScan {
public:
    CConsoleScan() = default;
    CConsoleScan(const CConsoleScan&) = delete;
    CConsoleScan& operator=(const CConsoleScan&) = delete;

    // The engine's verdict on a request (ValidateRequest) in the tool's words; empty when it
    // found no fault.
    static std::string VerdictText(const RequestVerdict& verdict);

    // Scans as `request` asks (the root as the user gave it) to the end or until `interrupt` is
    // raised, refreshing `status` twice a second meanwhile with the size of `measure`. Returns
    // false only when the worker could not be started (ErrorText() says why); the results then
    // stay empty.
    bool Run(const ScanRequest& request, SizeMeasure measure, const CInterruptFlag& interrupt, CStatusLine& status);

    const std::string& ErrorText() const { return m_szError; }
    // The last scan's result, handed over whole once Run has returned.
    ScanResult TakeResult() { return m_session.TakeResult(); }

private:
    void WaitForEnd(SizeMeasure measure, const CInterruptFlag& interrupt, CStatusLine& status);

    ScanSession m_session;
    std::string m_szError;
};
