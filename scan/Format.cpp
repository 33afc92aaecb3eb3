#include "Format.h"

#include <langinfo.h>

#include <cstdio>
#include <cstring>

namespace {

// The user's thousands separator, or "," where the locale gives none (the C/POSIX locale).
const char* ThousandsSeparator()
{
    const char* separator = nl_langinfo(THOUSEP);
    return (separator && *separator) ? separator : ",";
}

bool CopyOut(char* buffer, std::size_t size, const std::string& text)
{
    if (!buffer || size == 0)
        return false;
    if (text.size() >= size) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

std::string FormatNumber(std::uint64_t value)
{
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
    const char* separator = ThousandsSeparator();
    std::string text;
    text.reserve(static_cast<std::size_t>(length) + 8 * std::strlen(separator));
    for (int i = 0; i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0)
            text += separator;
        text += digits[i];
    }
    return text;
}

bool FormatNumber(char* buffer, std::size_t size, std::uint64_t value)
{
    return CopyOut(buffer, size, FormatNumber(value));
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

bool FormatPercent(char* buffer, std::size_t size, std::uint64_t part, std::uint64_t whole)
{
    return CopyOut(buffer, size, FormatPercent(part, whole));
}
