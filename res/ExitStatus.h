// The exit statuses of both programs, kestrum and kestrum-scan, as their manual pages give them.
#pragma once

namespace ExitStatus {

constexpr int kDone = 0;
constexpr int kFailed = 1;            // the folder could not be read, the output not written, ...
constexpr int kUsage = 2;             // the command line was wrong
constexpr int kInterrupted = 130;     // 128 + SIGINT, as shells report a Ctrl+C

} // namespace ExitStatus
