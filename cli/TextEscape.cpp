#include "TextEscape.h"

#include <cwchar>

namespace {

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF)
{
    return byte >= low && byte <= high;
}

void AppendHexEscape(std::string& out, unsigned char byte, std::string_view prefix = "\\x")
{
    static const char kDigits[] = "0123456789abcdef";
    out += prefix;
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

// C0 controls, DEL, C1 controls, the bidirectional controls and the line and paragraph
// separators: characters that act on a terminal or on the line rather than show as a glyph.
bool IsTerminalControl(char32_t code)
{
    return code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0x061C || code == 0x200E || code == 0x200F
           || (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
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

namespace {

// The rule every output shares (see the header); with bTerminal, terminal controls are written
// byte by byte as well.
std::string EscapeBytes(std::string_view text, bool bTerminal)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            AppendHexEscape(out, static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        if (text[i] == '\\' || (bTerminal && IsTerminalControl(DecodeSequence(text, i, length)))) {
            for (std::size_t k = 0; k < length; ++k)
                AppendHexEscape(out, static_cast<unsigned char>(text[i + k]));
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

} // namespace

std::string JsonEscape(std::string_view text)
{
    // The escaped name is valid UTF-8, so only JSON's own escapes remain to be added.
    const std::string name = EscapeBytes(text, false);
    std::string out;
    out.reserve(name.size() + 8);
    for (const char c : name) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                AppendHexEscape(out, static_cast<unsigned char>(c), "\\u00");
            else
                out += c;
        }
    }
    return out;
}

std::string CsvField(std::string_view text)
{
    std::string name = EscapeBytes(text, false);
    if (name.find_first_of(",\"\r\n") == std::string::npos)
        return name;
    std::string out = "\"";
    for (const char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string TerminalEscape(std::string_view text)
{
    return EscapeBytes(text, true);
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
