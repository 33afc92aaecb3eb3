// The stored text of a window placement: nine integers "left top right bottom 1 left top right
// bottom", the window rectangle, a format marker (read and not used) and the rectangle of the
// monitor that held the window, in screen pixels.
#pragma once

#include "Rect.h"

#include <string>
#include <string_view>

struct PlacementText {
    int nNumbers = 0; // integers read before the first field that is not one (0 to 9)
    Rect rcWindow;    // the first four numbers, when nNumbers is 4 or more
    Rect rcMonitor;   // the last four numbers, when nNumbers is 9

    // Reads as "%d %d ..." does: blanks before each number are skipped, an optional sign is taken,
    // and reading stops at the first field that is not an integer or does not fit in an int.
    static PlacementText Parse(std::string_view text);
    static std::string Format(const Rect& rcWindow, const Rect& rcMonitor);
};
