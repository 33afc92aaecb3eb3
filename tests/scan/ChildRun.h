// Runs a piece of a test in a forked child (to drop privileges or lower a limit without touching
// the test process) and brings back the text it printed to a pipe.
#pragma once

#include <chrono>
#include <functional>
#include <string>

struct ChildResult {
    bool bFinished = false;   // the child exited normally within the time allowed
    int exitCode = -1;
    std::string output;
};

// body runs in the child; its returned text goes back through a pipe; its result decides the exit
// code (0 on true). A child still running after timeout is killed and reported unfinished.
ChildResult RunInChild(const std::function<bool(std::string& output)>& body, std::chrono::seconds timeout);

// In the child: as root (as in CI), becomes the unprivileged user nobody; false on failure.
bool BecomeNobody();

// Runs `run` in a child once `prepare` has set the child up (it returns why it could not, or ""),
// and checks that the child finished and gave back `expected`.
void ExpectChildOutput(const std::function<std::string()>& prepare, const std::function<std::string()>& run,
                       const std::string& expected, std::chrono::seconds timeout, const std::string& what = "");
