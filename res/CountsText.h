// The wording of the scan counters in the window's "Contains:" and "Size:" fields, which the
// command-line tool uses too.
#pragma once

#include <cstdint>
#include <string>

// "12 Folders,   345 Files", grouped by the user's locale (the "Contains:" field).
std::string ContainsText(std::uint64_t nFolders, std::uint64_t nFiles);
// "1,234,567 bytes" (the "Size:" field).
std::string SizeText(std::uint64_t nBytes);
