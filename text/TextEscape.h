// How names from the file system, which are bytes and not always UTF-8, are written out.
//
// Every output shares one rule: valid UTF-8 passes, a byte that is not part of valid UTF-8 is
// written \xHH (lowercase hex) and a backslash is written \x5c. The text is then always valid
// UTF-8, and reading each \xHH back as its byte gives the name's exact bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The contents of a JSON string (without the quotes) whose decoded value is the name under the
// rule above: the JSON text holds \\xHH and \\x5c, a JSON reader gives \xHH and \x5c. Quotes and
// control characters are escaped as JSON requires.
std::string JsonEscape(std::string_view text);

// The name's bytes back from a text written under the rule above (a JSON string as read, a CSV
// field without its quoting): each \xHH (two hex digits) becomes its byte; everything else
// stays. Throws bad_alloc when memory is short.
std::string UnescapedName(std::string_view text);

// One CSV field holding the name under the rule above: quoted, with inner quotes doubled, when
// it holds a comma, a quote, CR or LF.
std::string CsvField(std::string_view text);

// Text safe to show on a terminal: the rule above, and besides control characters (C0, DEL, C1),
// bidirectional controls (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) and the
// line and paragraph separators (U+2028, U+2029) are written byte by byte as \xHH, so no name can
// move the cursor, send escape sequences, or reorder or break the line it is shown in.
std::string TerminalEscape(std::string_view text);

// Columns the text takes on a terminal, for aligning tables; unknown widths count as 1.
std::size_t DisplayWidth(std::string_view text);

// True when every rule above leaves the name as it is: printable ASCII without a backslash, a
// quote or a comma, as nearly every extension is.
bool IsPlainName(std::string_view text);

// The text under `escape` (one of the functions above), in `scratch` when escaping changes it; a
// plain name is not copied. Throws bad_alloc when memory is short.
template <typename Escape>
std::string_view EscapedUnlessPlain(std::string_view text, std::string& scratch, Escape escape)
{
    if (IsPlainName(text))
        return text;
    scratch = escape(text);
    return scratch;
}
