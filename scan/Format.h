// Text formatters for counts and shares, shared by the window, the list and the command-line tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Decimal digits in groups of three, separated by the user's locale thousands separator
// ("," when the locale gives none). Writes at most size-1 characters and a terminator;
// returns false (with the buffer emptied) when the text does not fit.
bool FormatNumber(char* buffer, std::size_t size, std::uint64_t value);
std::string FormatNumber(std::uint64_t value);

// The share of part in whole as truncated whole percent, plain digits: 100 when whole is 0.
// Exact for every 64-bit part and whole; never above 100 when part <= whole.
bool FormatPercent(char* buffer, std::size_t size, std::uint64_t part, std::uint64_t whole);
std::string FormatPercent(std::uint64_t part, std::uint64_t whole);
std::uint64_t PercentOf(std::uint64_t part, std::uint64_t whole);
