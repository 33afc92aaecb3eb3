#include "ExtensionFolding.h"

#include "CaseFoldTable.h"
#include "Utf8Sequence.h"

#include <cstddef>
#include <cstdint>

namespace {

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
        const std::size_t length = Utf8Sequence::Decode(extension, at, code);
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
