// Which part of a name is its extension, and how extensions are folded to one record per case.
#include "ExtensionFolding.h"
#include "Utf8Sequence.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TextCase {
    const char* input;
    const char* expected;
};

TEST(ExtensionFoldingTest, ExtensionRunsFromTheLastDot)
{
    const TextCase cases[] = {
        {"Report.TXT", ".TXT"},
        {"archive.tar.gz", ".gz"},
        {".profile", ".profile"},
        {"name.", "."},
        {"README", ""},
        {"", ""},
        {"dir.d\xC3\xA4t", ".d\xC3\xA4t"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(ExtensionFolding::ExtensionOf(c.input), c.expected) << c.input;
}

TEST(ExtensionFoldingTest, FoldsBySimpleCaseFolding)
{
    const TextCase cases[] = {
        {".TXT", ".txt"},
        {".Txt", ".txt"},
        {".txt", ".txt"},
        {".\xC3\x84" "BC", ".\xC3\xA4" "bc"},                    // .ÄBC -> .äbc
        {".\xCE\xA3\xCE\x91\xCE\xA3", ".\xCF\x83\xCE\xB1\xCF\x83"},  // .ΣΑΣ -> .σασ
        {".\xCF\x82", ".\xCF\x83"},                              // final sigma -> σ
        {".\xE2\x84\xAA", ".k"},                                 // KELVIN SIGN (3 bytes) -> k
        {".\xE1\xBA\x9E", ".\xC3\x9F"},                          // ẞ -> ß (status S)
        {".\xC4\xB0", ".\xC4\xB0"},                              // İ folds only by T/F rules: kept
        {".\xC8\xBA", ".\xE2\xB1\xA5"},                          // Ⱥ (2 bytes) -> ⱥ (3 bytes)
        {".\xF0\x90\x90\x80", ".\xF0\x90\x90\xA8"},              // DESERET CAPITAL LONG I -> small
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(ExtensionFolding::Folded(c.input), c.expected) << c.input;
}

TEST(ExtensionFoldingTest, KeepsBytesOfInvalidSequencesAndFoldsAsciiAroundThem)
{
    const TextCase cases[] = {
        {".\xFF\xFE" "ABC", ".\xFF\xFE" "abc"},
        {".A\xC3", ".a\xC3"},                          // cut short at the end
        {".\xC0\xAF" "X", ".\xC0\xAF" "x"},            // overlong "/"
        {".\xC1\x81", ".\xC1\x81"},                    // overlong "A" in 2 bytes: not folded to "a"
        {".\xE0\x81\x81", ".\xE0\x81\x81"},            // ... in 3 bytes
        {".\xF0\x80\x81\x81", ".\xF0\x80\x81\x81"},    // ... in 4 bytes
        {".\x80Q", ".\x80q"},                          // stray continuation byte
        {".\xF4\x90\x80\x80" "E", ".\xF4\x90\x80\x80" "e"},  // beyond U+10FFFF
        {".\xC3\x84\xFF", ".\xC3\xA4\xFF"},            // valid Ä, then an invalid byte
        {".\xC3\x41", ".\xC3" "a"},                    // lead byte followed by ASCII
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(ExtensionFolding::Folded(c.input), c.expected) << c.input;
}

// Only well-formed sequences decode; each malformed kind is rejected at its first byte.
TEST(ExtensionFoldingTest, DecodesOnlyWellFormedUtf8)
{
    const struct {
        std::string_view bytes;
        std::size_t length;   // 0: rejected
        char32_t code;
    } cases[] = {
        {"A", 1, U'A'},
        {"\xC3\xA4", 2, U'\u00E4'},
        {"\xE2\x82\xAC", 3, U'\u20AC'},
        {"\xED\x9F\xBF", 3, U'\uD7FF'},          // just below the surrogates
        {"\xEE\x80\x80", 3, U'\uE000'},          // just above them
        {"\xF0\x90\x80\x80", 4, U'\U00010000'},
        {"\xF4\x8F\xBF\xBF", 4, U'\U0010FFFF'},
        {"\xC0\x80", 0, 0},                      // overlong NUL
        {"\xC1\xBF", 0, 0},                      // overlong in 2 bytes
        {"\xE0\x9F\xBF", 0, 0},                  // overlong in 3 bytes
        {"\xF0\x8F\xBF\xBF", 0, 0},              // overlong in 4 bytes
        {"\xED\xA0\x80", 0, 0},                  // U+D800, the first surrogate
        {"\xED\xBF\xBF", 0, 0},                  // U+DFFF, the last
        {"\xF4\x90\x80\x80", 0, 0},              // beyond U+10FFFF
        {"\xF5\x80\x80\x80", 0, 0},
        {"\x80", 0, 0},                          // stray continuation byte
        {"\xE2\x82", 0, 0},                      // cut short
        {"\xE2\x28\xA1", 0, 0},                  // second byte not a continuation
        {"\xFF", 0, 0},
    };
    for (const auto& c : cases) {
        char32_t code = 0;
        const std::size_t length = Utf8Sequence::Decode(c.bytes, 0, code);
        EXPECT_EQ(length, c.length) << testing::PrintToString(c.bytes);
        if (length != 0) {
            EXPECT_EQ(static_cast<std::uint32_t>(code), static_cast<std::uint32_t>(c.code));
        }
    }
}

} // namespace
