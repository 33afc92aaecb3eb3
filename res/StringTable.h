// The string table: every text the user sees, looked up by id. Plain C++, so that the
// command-line tool shares it with the window.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// The text of `id`, or an empty view when the table has none (a failed load).
std::string_view LoadString(unsigned id);
bool HasString(unsigned id);

// The text of `id` with each "%s" replaced by the next argument, in order, and "%%" by "%".
std::string FormatString(unsigned id, std::initializer_list<std::string_view> args);
