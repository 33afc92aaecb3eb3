// How names from the file system, which are bytes and not always UTF-8, are written out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Length of the valid UTF-8 sequence starting at text[i] (1 to 4), or 0 when the byte there
// begins no valid sequence (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// The contents of a JSON string (without the quotes): valid UTF-8 is kept, every byte outside
// valid UTF-8 becomes the four characters \xHH (written \\xHH in JSON), quotes, backslashes and
// control characters are escaped as JSON requires. The result is always valid UTF-8.
std::string JsonEscape(std::string_view text);

// One CSV field: quoted, with inner quotes doubled, when it holds a comma, a quote, CR or LF.
// Other bytes pass unchanged, so the field keeps the name's exact bytes.
std::string CsvField(std::string_view text);

// Text safe to show on a terminal: control characters (C0, DEL, C1) and bytes outside valid
// UTF-8 become \xHH, so no name can move the cursor or send escape sequences.
std::string TerminalEscape(std::string_view text);

// Columns the text takes on a terminal, for aligning tables; unknown widths count as 1.
std::size_t DisplayWidth(std::string_view text);
