// The command-line tools as the tests' oracle, and the text they print split into lines.
#pragma once

#include <string>
#include <vector>

// Runs a shell command line in the C locale and returns what it printed.
std::string Shell(const std::string& command);
// text cut at each newline; a last line without one counts too.
std::vector<std::string> Lines(const std::string& text);
