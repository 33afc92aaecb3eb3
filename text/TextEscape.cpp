#include "TextEscape.h"

#include "Utf8Sequence.h"

#include <cwchar>

namespace {

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

// The rule every output shares (see the header); with bTerminal, terminal controls are written
// byte by byte as well.
std::string EscapeBytes(std::string_view text, bool bTerminal)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const std::size_t length = Utf8Sequence::Decode(text, i, code);
        if (length == 0) {
            AppendHexEscape(out, static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        if (code == '\\' || (bTerminal && IsTerminalControl(code))) {
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
        char32_t code = 0;
        const std::size_t length = Utf8Sequence::Decode(text, i, code);
        if (length == 0) {
            ++width;
            ++i;
            continue;
        }
        // glibc's wchar_t holds the code point itself; wcwidth knows it in a UTF-8 locale only.
        const int columns = ::wcwidth(static_cast<wchar_t>(code));
        width += (columns >= 0) ? static_cast<std::size_t>(columns) : 1;
        i += length;
    }
    return width;
}

bool IsPlainName(std::string_view text)
{
    for (const char c : text) {
        if (c < 0x20 || c >= 0x7F || c == '\\' || c == '"' || c == ',')
            return false;
    }
    return true;
}

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string UnescapedName(std::string_view text)
{
    std::string name;
    name.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool bEscape = text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
                             HexDigitValue(text[i + 2]) >= 0 && HexDigitValue(text[i + 3]) >= 0;
        if (bEscape) {
            name += static_cast<char>(HexDigitValue(text[i + 2]) * 16 + HexDigitValue(text[i + 3]));
            i += 3;
        } else {
            name += text[i];
        }
    }
    return name;
}
