// Text formatters for counts and shares, shared by the window, the list and the command-line tool.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

// The user's locale thousands separator, or "," where the locale gives none (the C/POSIX locale).
std::string_view ThousandsSeparator();

// Hands put() the decimal digits of value in groups of three with separator between the groups,
// piece by piece, so a caller can write them straight into its own buffer.
template <typename Put>
void PutGroupedDigits(std::uint64_t value, std::string_view separator, Put&& put)
{
    char digits[20];
    const auto length = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    std::size_t group = length % 3 == 0 ? 3 : length % 3;
    put(std::string_view(digits, group));
    for (; group < length; group += 3) {
        put(separator);
        put(std::string_view(digits + group, 3));
    }
}

// Decimal digits in groups of three, separated by the user's locale thousands separator.
std::string FormatNumber(std::uint64_t value);

// The share of part in whole as truncated whole percent, plain digits: 100 when whole is 0.
// Exact for every 64-bit part and whole; never above 100 when part <= whole.
std::string FormatPercent(std::uint64_t part, std::uint64_t whole);
std::uint64_t PercentOf(std::uint64_t part, std::uint64_t whole);
