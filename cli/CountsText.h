// The window's wording of the scan counters, shared by the report and the status line.
#pragma once

#include <cstdint>
#include <string>

// "12 Folders,   345 Files", grouped by the user's locale (the "Contains:" field).
std::string ContainsText(std::uint64_t nFolders, std::uint64_t nFiles);
// "1,234,567 bytes" (the "Size:" field).
std::string SizeText(std::uint64_t nBytes);
// A field with its label in front, e.g. "Size: 1,234,567 bytes"; labelId names the label string.
std::string LabelledText(unsigned labelId, const std::string& field);
