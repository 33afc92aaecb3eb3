// The string table: every text the user sees, looked up by id. Plain C++, so that the
// command-line tool shares it with the window.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The text of `id` in the user's language (the message catalogue's, else the table's English),
// or an empty view when the table has none (a failed load).
std::string_view LoadString(unsigned id);
// The table's own English text of `id`, whatever the language.
std::string_view LoadEnglishString(unsigned id);
bool HasString(unsigned id);
// False for the texts programs read back (settings names and the like), which stay as they are.
bool IsTranslated(unsigned id);
// Every id of the table, in ascending order.
std::vector<unsigned> StringIds();

// A text with a count: its singular's id and its plural's. The catalogue holds the pair as one
// plural message, so each language has the forms its counts need.
struct PluralIds {
    unsigned nIDOne;
    unsigned nIDMany;
};
std::span<const PluralIds> PluralPairs();
// The form of plural `nIDOne` (a singular's id) for `count`.
std::string_view LoadCountString(unsigned nIDOne, unsigned long long count);

// The text of `id` with each "%s" replaced by the next argument, in order, and "%%" by "%".
std::string FormatString(unsigned id, std::initializer_list<std::string_view> args);
// The same with the form of plural `nIDOne` for `count`.
std::string FormatCountString(unsigned nIDOne, unsigned long long count, std::initializer_list<std::string_view> args);
