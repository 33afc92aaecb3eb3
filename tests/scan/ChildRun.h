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
