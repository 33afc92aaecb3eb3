#include "ScanProblem.h"

#include <tuple>

std::string_view ProblemKindKey(ProblemKind kind)
{
    switch (kind) {
    case ProblemKind::NotListed: return "not_listed";
    case ProblemKind::NotEntered: return "not_entered";
    case ProblemKind::Vanished: return "vanished";
    case ProblemKind::NotExamined: return "not_examined";
    case ProblemKind::NotFound: return "not_found";
    case ProblemKind::Repeated: return "repeated";
    case ProblemKind::EmptyName: return "empty_name";
    }
    return "";
}

std::uint64_t ProblemCount(const ScanCounters& counters, ProblemKind kind)
{
    switch (kind) {
    case ProblemKind::NotListed: return counters.nNotListed;
    case ProblemKind::NotEntered: return counters.nNotEntered;
    case ProblemKind::Vanished: return counters.nVanished;
    case ProblemKind::NotExamined: return counters.nNotExamined;
    case ProblemKind::NotFound: return counters.nNotFound;
    case ProblemKind::Repeated: return counters.nRepeated;
    case ProblemKind::EmptyName: return counters.nEmptyNames;
    }
    return 0;
}

bool ProblemRanksBefore(const ScanProblem& a, const ScanProblem& b)
{
    return std::tie(a.kind, a.path) < std::tie(b.kind, b.path);
}
