#include "Utf8Sequence.h"

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0u) == 0x80u;
}

} // namespace

std::size_t Utf8Sequence::Decode(std::string_view text, std::size_t at, char32_t& code)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const std::size_t available = text.size() - at;
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;   // allowed range of the second byte
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        if (lead == 0xE0)
            low = 0xA0;         // no overlong forms
        else if (lead == 0xED)
            high = 0x9F;        // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;        // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (available < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(byte(i)))
            return 0;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    return length;
}
