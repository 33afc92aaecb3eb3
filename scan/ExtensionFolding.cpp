#include "ExtensionFolding.h"

#include "CaseFoldTable.h"

#include <cstddef>
#include <cstdint>

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0u) == 0x80u;
}

// Decodes one well-formed UTF-8 sequence at text[at]; returns its length, or 0 when the bytes
// there are not a valid sequence (stray continuation, overlong form, surrogate, beyond U+10FFFF,
// cut short).
std::size_t DecodeSequence(std::string_view text, std::size_t at, char32_t& code)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const std::size_t available = text.size() - at;
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;   // allowed range of the second byte
    unsigned char high = 0xBF;
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

void AppendUtf8(char32_t code, std::string& out)
{
    const auto put = [&](std::uint32_t value) { out.push_back(static_cast<char>(value)); };
    if (code < 0x80) {
        put(code);
    } else if (code < 0x800) {
        put(0xC0u | (code >> 6));
        put(0x80u | (code & 0x3Fu));
    } else if (code < 0x10000) {
        put(0xE0u | (code >> 12));
        put(0x80u | ((code >> 6) & 0x3Fu));
        put(0x80u | (code & 0x3Fu));
    } else {
        put(0xF0u | (code >> 18));
        put(0x80u | ((code >> 12) & 0x3Fu));
        put(0x80u | ((code >> 6) & 0x3Fu));
        put(0x80u | (code & 0x3Fu));
    }
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string_view ExtensionFolding::ExtensionOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

void ExtensionFolding::AppendFolded(std::string_view extension, std::string& out)
{
    std::size_t at = 0;
    while (at < extension.size()) {
        const char c = extension[at];
        if (static_cast<unsigned char>(c) < 0x80) {
            // Most extensions are plain ASCII: no table look-up for them.
            out.push_back(FoldAscii(c));
            ++at;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = DecodeSequence(extension, at, code);
        if (length == 0) {
            out.push_back(c);   // a byte of an invalid sequence stays as it is
            ++at;
            continue;
        }
        AppendUtf8(SimpleCaseFold(code), out);
        at += length;
    }
}

std::string ExtensionFolding::Folded(std::string_view extension)
{
    std::string folded;
    folded.reserve(extension.size());
    AppendFolded(extension, folded);
    return folded;
}
