// What a scan could not count, as data: besides the exact counts (ScanCounters), the scan keeps
// the first few paths of each kind with the system's reason, so that a front end can name them.
#pragma once

#include "ScanCounters.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class ProblemKind {
    NotListed,    // a folder counted but not (fully) listed
    NotEntered,   // a mount counted as a folder but not entered
    Vanished,     // an entry listed but gone before it could be examined
    NotExamined,  // a file listed but not examined: its size is missing
    NotFound,     // a name in a list that could not be examined
    Repeated,     // a name in a list of an entry named before
    EmptyName,    // an empty name in a list, named by the list and its place in it ("list:3")
};
constexpr std::size_t kProblemKinds = 7;

// Paths kept of each kind; the counts go on beyond them.
constexpr std::size_t kMaxProblemsPerKind = 100;

struct ScanProblem {
    std::string path;   // the root as given, then the names below it, joined by "/"
    ProblemKind kind = ProblemKind::NotListed;
    int error = 0;      // the errno of the failure; 0 when there was none (a mount not entered)

    bool operator==(const ScanProblem&) const = default;
};

// The kind's name in the JSON ("not_listed", ...).
std::string_view ProblemKindKey(ProblemKind kind);
// How many problems of the kind the scan counted (kept or not).
std::uint64_t ProblemCount(const ScanCounters& counters, ProblemKind kind);
// Problems first by kind (the order above), then by path, in plain byte order.
bool ProblemRanksBefore(const ScanProblem& a, const ScanProblem& b);
