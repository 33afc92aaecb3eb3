// Decoding of one UTF-8 sequence, strictly: what every part takes for valid UTF-8, when the engine
// folds the case of an extension and when a name is escaped for output.
#pragma once

#include <cstddef>
#include <string_view>

class Utf8Sequence {
public:
    // Decodes the well-formed sequence at text[at] into code and returns its length (1 to 4), or
    // 0 when the bytes there begin no valid sequence: a stray continuation byte, an overlong
    // form, a surrogate, a code point beyond U+10FFFF and a sequence cut short are all rejected.
    // at must be below text.size().
    static std::size_t Decode(std::string_view text, std::size_t at, char32_t& code);
};
