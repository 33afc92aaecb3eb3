#include "TextEscape.h"

#include <cwchar>

namespace {

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF)
{
    return byte >= low && byte <= high;
}

void AppendHexEscape(std::string& out, unsigned char byte, std::string_view prefix)
{
    static const char kDigits[] = "0123456789abcdef";
    out += prefix;
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

// C0 controls and DEL as single bytes, C1 controls as the two-byte sequences C2 80 to C2 9F.
bool IsControlSequence(std::string_view text, std::size_t i, std::size_t length)
{
    const auto first = static_cast<unsigned char>(text[i]);
    if (length == 1)
        return first < 0x20 || first == 0x7F;
    return length == 2 && first == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
}

char32_t DecodeSequence(std::string_view text, std::size_t i, std::size_t length)
{
    const auto first = static_cast<unsigned char>(text[i]);
    static const unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t code = first & kLeadMask[length];
    for (std::size_t k = 1; k < length; ++k)
        code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return code;
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const std::size_t left = text.size() - i;
    const unsigned char first = at(0);
    if (first < 0x80)
        return 1;
    if (first >= 0xC2 && first <= 0xDF)
        return (left >= 2 && IsContinuation(at(1))) ? 2 : 0;
    if (first >= 0xE0 && first <= 0xEF) {
        // E0 would be overlong below A0; ED would encode a surrogate from A0 on.
        const unsigned char low = (first == 0xE0) ? 0xA0 : 0x80;
        const unsigned char high = (first == 0xED) ? 0x9F : 0xBF;
        return (left >= 3 && IsContinuation(at(1), low, high) && IsContinuation(at(2))) ? 3 : 0;
    }
    if (first >= 0xF0 && first <= 0xF4) {
        // F0 would be overlong below 90; F4 would pass U+10FFFF from 90 on.
        const unsigned char low = (first == 0xF0) ? 0x90 : 0x80;
        const unsigned char high = (first == 0xF4) ? 0x8F : 0xBF;
        return (left >= 4 && IsContinuation(at(1), low, high) && IsContinuation(at(2)) && IsContinuation(at(3)))
                   ? 4 : 0;
    }
    return 0;
}

std::string JsonEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        const auto byte = static_cast<unsigned char>(text[i]);
        if (length == 0) {
            AppendHexEscape(out, byte, "\\\\x");
            ++i;
            continue;
        }
        if (length == 1) {
            switch (byte) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (byte < 0x20)
                    AppendHexEscape(out, byte, "\\u00");
                else
                    out += static_cast<char>(byte);
            }
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string TerminalEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0 || IsControlSequence(text, i, length)) {
            if (length == 0)
                length = 1;
            for (std::size_t k = 0; k < length; ++k)
                AppendHexEscape(out, static_cast<unsigned char>(text[i + k]), "\\x");
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::size_t DisplayWidth(std::string_view text)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            // Printable ASCII, nearly every name: one column each, no lookup needed.
            ++width;
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            ++width;
            ++i;
            continue;
        }
        // glibc's wchar_t holds the code point itself; wcwidth knows it in a UTF-8 locale only.
        const int columns = ::wcwidth(static_cast<wchar_t>(DecodeSequence(text, i, length)));
        width += (columns >= 0) ? static_cast<std::size_t>(columns) : 1;
        i += length;
    }
    return width;
}
