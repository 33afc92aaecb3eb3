// Which part of a name is its extension, and how extensions are folded to one record per case.
#include "ExtensionFolding.h"

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
        {".\xED\xA0\x80Z", ".\xED\xA0\x80z"},          // a surrogate
        {".\x80Q", ".\x80q"},                          // stray continuation byte
        {".\xF4\x90\x80\x80" "E", ".\xF4\x90\x80\x80" "e"},  // beyond U+10FFFF
        {".\xC3\x84\xFF", ".\xC3\xA4\xFF"},            // valid Ä, then an invalid byte
        {".\xC3\x41", ".\xC3" "a"},                    // lead byte followed by ASCII
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(ExtensionFolding::Folded(c.input), c.expected) << c.input;
}

} // namespace
