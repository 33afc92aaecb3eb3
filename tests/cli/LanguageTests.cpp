// kestrum-scan speaks the language LANGUAGE chooses, with the catalogue it finds beside itself
// in the build folder, and keeps English without one.
#include "ChildProcess.h"
#include "Resource.h"
#include "StringTable.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

// Sets LANGUAGE for the children started while it lives.
class LanguageVariable {
public:
    explicit LanguageVariable(const char* szLanguage) { setenv("LANGUAGE", szLanguage, 1); }
    ~LanguageVariable() { unsetenv("LANGUAGE"); }
};

} // namespace

TEST(KestrumScanLanguage, HelpAndMessagesFollowLanguage)
{
    {
        const LanguageVariable german("de");
        const ChildResult help = RunChild(kProgram, {"--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind("Aufruf: kestrum-scan [OPTION]... ORDNER\n", 0), 0u) << help.out;
        const ChildResult bad = RunChild(kProgram, {"--bogus"});
        EXPECT_EQ(bad.err, "kestrum-scan: unbekannte Option --bogus\n»kestrum-scan --help« gibt weitere Informationen.\n");
    }
    {
        // A language without a catalogue falls back to the table's English.
        const LanguageVariable unknown("xx");
        const ChildResult help = RunChild(kProgram, {"--help"});
        EXPECT_EQ(help.out, LoadEnglishString(IDS_CLI_USAGE));
    }
}

TEST(KestrumScanLanguage, CountsTakeTheLanguagesPluralForms)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFile("a.txt", 1));
    const LanguageVariable german("de");
    const ChildResult result = RunChild(kProgram, {tree.Root()});
    EXPECT_EQ(result.out.rfind("Enthält: 0 Ordner,   1 Datei\nGröße: 1 Byte\n", 0), 0u) << result.out;
}
