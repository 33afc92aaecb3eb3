// A counter field of the window with its label in front, as the command-line tool prints it.
#pragma once

#include <string>

// e.g. "Size: 1,234,567 bytes"; labelId names the label string.
std::string LabelledText(unsigned labelId, const std::string& field);
