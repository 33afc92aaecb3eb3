#include "PlacementText.h"

#include <charconv>

namespace {

constexpr int kNumbers = 9;
constexpr int kFormatMarker = 1;

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

PlacementText PlacementText::Parse(std::string_view text)
{
    int an[kNumbers] = {};
    int n = 0;
    const char* cursor = text.data();
    const char* const end = cursor + text.size();
    while (n < kNumbers) {
        while (cursor != end && IsBlank(*cursor))
            ++cursor;
        const char* number = cursor;
        // from_chars takes a minus but no plus; "+-5" is no number either.
        if (number != end && *number == '+' && number + 1 != end && number[1] != '-')
            ++number;
        const auto [next, error] = std::from_chars(number, end, an[n]);
        if (error != std::errc())
            break;
        cursor = next;
        ++n;
    }

    PlacementText placement;
    placement.nNumbers = n;
    if (n >= 4)
        placement.rcWindow = Rect{an[0], an[1], an[2], an[3]};
    if (n == kNumbers)
        placement.rcMonitor = Rect{an[5], an[6], an[7], an[8]};
    return placement;
}

std::string PlacementText::Format(const Rect& rcWindow, const Rect& rcMonitor)
{
    std::string text;
    for (int value : {rcWindow.left, rcWindow.top, rcWindow.right, rcWindow.bottom, kFormatMarker, rcMonitor.left,
                      rcMonitor.top, rcMonitor.right, rcMonitor.bottom}) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(value);
    }
    return text;
}
