#include "Format.h"

#include <langinfo.h>

std::string_view ThousandsSeparator()
{
    const char* separator = nl_langinfo(THOUSEP);
    return (separator && *separator) ? std::string_view(separator) : std::string_view(",");
}

std::string FormatNumber(std::uint64_t value)
{
    std::string text;
    PutGroupedDigits(value, ThousandsSeparator(), [&text](std::string_view piece) { text += piece; });
    return text;
}

std::uint64_t PercentOf(std::uint64_t part, std::uint64_t whole)
{
    if (whole == 0)
        return 100;
    // 128 bits hold part x 100 for every 64-bit part, so the truncated share is exact.
    const unsigned __int128 scaled = static_cast<unsigned __int128>(part) * 100u;
    return static_cast<std::uint64_t>(scaled / whole);
}

std::string FormatPercent(std::uint64_t part, std::uint64_t whole)
{
    return std::to_string(PercentOf(part, whole));
}
