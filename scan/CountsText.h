// The wording of a scan's counters: the window's "Contains:" and "Size:" fields, which the
// command-line tool uses too, and the note on what a scan could not count. Texts come from the
// string table; this sits beside the engine, so that neither front end nor the string table needs
// the other.
#pragma once

#include <cstdint>
#include <string>

struct ScanCounters;

// "12 Folders,   345 Files", grouped by the user's locale (the "Contains:" field).
std::string ContainsText(std::uint64_t nFolders, std::uint64_t nFiles);
// "1,234,567 bytes" (the "Size:" field).
std::string SizeText(std::uint64_t nBytes);
// "3 folders could not be listed; 1 mount not entered": one part per non-zero count, in the
// order folders, mounts, entries, files not examined, files in no row, entries excluded; empty
// when the scan left nothing out.
std::string IncompleteText(const ScanCounters& counters);
// The same parts, one per line, for a tip that gives the details.
std::string IncompleteLines(const ScanCounters& counters);
