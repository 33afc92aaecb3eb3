// Runs the built kestrum-scan as a child process, with bounded waits, and collects what it wrote.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

struct ChildResult {
    bool bExited = false;     // ended through exit(); else killed by a signal or timed out
    int exitCode = -1;        // the exit status when bExited
    int signal = 0;           // the signal that ended it, when it did
    bool bTimedOut = false;   // killed by us because it outlived the limit
    std::string out;          // standard output
    std::string err;          // standard error
};

class CChildProcess {
public:
    // Starts `program` with `args`, LC_ALL=C.UTF-8 (so numbers are grouped with ",") and SIGINT
    // at its default handling. With stdoutPath set, standard output goes to that file instead of
    // being collected.
    CChildProcess(const std::string& program, const std::vector<std::string>& args,
                  const std::string& stdoutPath = {});
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // True once the child has a handler of its own for `signal` (SigCgt in /proc), false when
    // it ended or the limit passed first.
    bool WaitForCaughtSignal(int signal, std::chrono::milliseconds limit) const;
    // Reads both outputs to their end and reaps the child; kills it when `limit` passes first.
    ChildResult Finish(std::chrono::milliseconds limit);

private:
    pid_t m_pid = -1;
    int m_outPipe = -1;
    int m_errPipe = -1;
};

// Starts, finishes and returns in one call.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     std::chrono::milliseconds limit = std::chrono::seconds(60));
