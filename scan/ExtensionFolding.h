// Where a file name's extension starts, and how extensions that differ only in case become one.
#pragma once

#include <string>
#include <string_view>

class ExtensionFolding {
public:
    // The text from the last "." byte of name to its end, dot included ("name." gives "."); empty
    // when name holds no ".". A "." byte never occurs inside a multi-byte UTF-8 sequence, so the
    // byte search is also the character search.
    static std::string_view ExtensionOf(std::string_view name);

    // Appends extension to out, folded by Unicode simple case folding where it is valid UTF-8.
    // Bytes of an invalid sequence are kept as they are. Throws std::bad_alloc only.
    static void AppendFolded(std::string_view extension, std::string& out);

    // The folded text of extension as a new string. Throws std::bad_alloc only.
    static std::string Folded(std::string_view extension);
};
