// The command-line tools as the tests' oracle, and the text they print split into lines.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Runs a shell command line in the C locale and returns what it printed.
std::string Shell(const std::string& command);
// text cut at each newline; a last line without one counts too.
std::vector<std::string> Lines(const std::string& text);
// text in single quotes for the shell, every byte kept.
std::string ShellQuoted(const std::string& text);
// The first number a shell command line prints; all ones when it printed none, which no count
// can equal.
std::uint64_t ShellNumber(const std::string& command);

// Counts and bytes by folded extension ("" for the files without one).
using ExtGroups = std::map<std::string, std::pair<std::uint64_t, std::uint64_t>>;
// Lines "ext<TAB>count<TAB>bytes" as groups.
ExtGroups ParseTabbed(const std::string& text);
// find's entries below root that are not folders, by extension folded with awk's tolower; those
// without an extension under "" when bNoExtGroup, else left out.
ExtGroups FindGroups(const std::string& root, bool bNoExtGroup = true);
