// kestrum-scan's options as users type them: GNU spellings, human-readable sizes and --top.
#include "ChildProcess.h"
#include "HumanSize.h"
#include "ProgressText.h"
#include "ScanCounters.h"
#include "ShellOracle.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <fstream>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

// The live status line shows the size the report will show: with --on-disk the allocated bytes.
TEST(ProgressText, ShowsTheSizeOfTheMeasureAsked)
{
    std::setlocale(LC_ALL, "C");
    ScanCounters counters;
    counters.nFolders = 2;
    counters.nFiles = 3;
    counters.nBytes = 5000;
    counters.nDiskBytes = 12288;
    EXPECT_EQ(ProgressText(counters, SizeMeasure::Apparent), "Contains: 2 Folders,   3 Files   Size: 5,000 bytes");
    EXPECT_EQ(ProgressText(counters, SizeMeasure::OnDisk), "Contains: 2 Folders,   3 Files   Size on disk: 12,288 bytes");
}

TEST(HumanSize, RoundsUpToOneDecimalBelowTenAndNeverShowsTheNextUnitsWorth)
{
    std::setlocale(LC_NUMERIC, "C");
    const struct {
        std::uint64_t bytes;
        SizeStyle style;
        const char* shown;
    } cases[] = {
        {0, SizeStyle::Binary, "0 B"},
        {1023, SizeStyle::Binary, "1023 B"},
        {1024, SizeStyle::Binary, "1.0 KiB"},
        {1025, SizeStyle::Binary, "1.1 KiB"},       // rounded up, never shown smaller
        {1536, SizeStyle::Binary, "1.5 KiB"},
        {10 * 1024 - 1, SizeStyle::Binary, "10 KiB"}, // 9.99.. rounds to 10, shown without a decimal
        {1024 * 1024 - 1, SizeStyle::Binary, "1.0 MiB"}, // not "1024 KiB"
        {5'000'000'000ULL, SizeStyle::Binary, "4.7 GiB"},
        {UINT64_MAX, SizeStyle::Binary, "16 EiB"},  // no overflow at the top
        {999, SizeStyle::Si, "999 B"},
        {1000, SizeStyle::Si, "1.0 kB"},
        {1'500'000, SizeStyle::Si, "1.5 MB"},
        {999'999, SizeStyle::Si, "1.0 MB"},
        {UINT64_MAX, SizeStyle::Si, "19 EB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HumanSize(c.bytes, c.style), c.shown) << c.bytes;
}

class KestrumScanOptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_tree.Root().empty());
        ASSERT_TRUE(m_tree.MakeFolder("-sub"));
        for (const auto& [name, size] : {std::pair{"a.iso", 3000}, {"-sub/b.img", 1536}, {"-sub/c.img", 20}, {"d.txt", 5}})
            ASSERT_TRUE(m_tree.MakeFile(name, size)) << name;
    }

    ChildResult Run(std::vector<std::string> args) const
    {
        ChildResult result = RunChild(kProgram, args);
        EXPECT_EQ(result.exitCode, 0) << args.front() << ": " << result.err;
        return result;
    }

    TempTree m_tree;
};

// Each spelling must give exactly what its plain long form gives.
TEST_F(KestrumScanOptions, GnuSpellingsGiveTheSameReport)
{
    const std::string root = m_tree.Root();
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> sameAs = {
        {{"--sort", "size", root}, {"--sort=size", root}},
        {{"--so=count", root}, {"--sort=count", root}},            // a unique abbreviation
        {{root, "--csv", "-j", "2"}, {"--csv", "--threads=2", root}}, // options after the folder
        {{"-j2", "-xh", root}, {"--threads", "2", "--one-file-system", "--human-readable", root}},
    };
    for (const auto& [spelling, plain] : sameAs) {
        const ChildResult a = Run(spelling), b = Run(plain);
        EXPECT_EQ(a.out, b.out) << spelling.front();
        EXPECT_NE(a.out, "") << spelling.front();
    }
    // "--" ends the options, so a folder may start with a dash.
    const ChildResult dash = RunChild("/bin/sh", {"-c", "cd \"$1\" && exec \"$0\" -- -sub", kProgram, root});
    EXPECT_EQ(dash.exitCode, 0) << dash.err;
    EXPECT_EQ(dash.out, Run({root + "/-sub"}).out);
}

TEST_F(KestrumScanOptions, HumanSizesAndTopKeepTheTableAlignedAndTheTotalsWhole)
{
    const ChildResult human = Run({"-h", "--sort=size", "--top", "2", m_tree.Root()});
    const std::vector<std::string> lines = Lines(human.out);
    ASSERT_EQ(lines.size(), 6u) << human.out;
    EXPECT_EQ(lines[0], "Contains: 1 Folders,   4 Files");
    EXPECT_EQ(lines[1].rfind("Size: ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 4), " KiB") << lines[1];   // every file and the folder
    // 3000 and 1556 of the 4561 bytes of the files; the text file's row is past the top.
    EXPECT_EQ(lines[4], ".iso      1  3.0 KiB  65") << human.out;
    EXPECT_EQ(lines[5], ".img      2  1.6 KiB  34") << human.out;
    EXPECT_EQ(lines[3].size(), lines[4].size());

    // --top cuts CSV and JSON rows the same way; the JSON totals still count every file.
    const ChildResult csv = Run({"--csv", "--sort=count", "--top=1", m_tree.Root()});
    EXPECT_EQ(csv.out, "ext,count,bytes,percent\n.img,2,1556,34\n");
    const ChildResult json = Run({"--json", "--top", "1", m_tree.Root()});
    EXPECT_NE(json.out.find("\"files\": 4"), std::string::npos) << json.out;
    EXPECT_EQ(json.out.find(".iso"), std::string::npos) << json.out;
}

// Each value at an edge of what an option takes, and each abbreviation that fits several options:
// accepted ones give the report of the plain spelling, refused ones exit 2 with the message that
// says why.
TEST_F(KestrumScanOptions, EdgeValuesAndAmbiguousAbbreviationsAreJudgedAsGnuToolsJudgeThem)
{
    const std::string root = m_tree.Root();
    ASSERT_TRUE(m_tree.MakeFile("e.", 7));
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> sameAs;   // empty: refused
        std::string message;              // the refusal, or a text the report holds
    } cases[] = {
        {{"--threads", "64"}, {"--threads", "1"}, ""},
        {{"--largest", "1000000"}, {"--largest", "5"}, ""},
        {{"--largest", "00000000000000000005"}, {"--largest", "5"}, ""},
        {{"--top", "10000000000000000000"}, {"--top", "9"}, ""},
        {{"--top", "18446744073709551615"}, {"--top", "9"}, ""},
        {{"--si", "-h"}, {"--si"}, ""},
        {{"--largest", "3", "--ext", "."}, {}, "e.\n"},
        {{"--top", "18446744073709551616"}, {},
         "kestrum-scan: --top takes a number from 1 to 18446744073709551615, not 18446744073709551616\n"},
        {{"--threads", "065"}, {}, "kestrum-scan: --threads takes a number from 1 to 64, not 065\n"},
        {{"--ex", "x"}, {},
         "kestrum-scan: option '--ex' is ambiguous; possibilities: '--exclude' '--exclude-from' "
         "'--extensions-only' '--ext'\n"},
        {{"--s"}, {}, "kestrum-scan: option '--s' is ambiguous; possibilities: '--sort' '--si'\n"},
        {{"--l=2"}, {}, "kestrum-scan: option '--l' is ambiguous; possibilities: '--links-once' '--largest'\n"},
        {{"--t", "1"}, {}, "kestrum-scan: option '--t' is ambiguous; possibilities: '--threads' '--top'\n"},
        {{"--on"}, {}, "kestrum-scan: option '--on' is ambiguous; possibilities: '--one-file-system' '--on-disk'\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back(root);
        const ChildResult result = RunChild(kProgram, args);
        if (c.sameAs.empty() && c.message.find("kestrum-scan:") == 0) {
            EXPECT_EQ(result.exitCode, 2) << c.args.front() << ' ' << result.out;
            EXPECT_EQ(result.err, c.message + "Try 'kestrum-scan --help' for more information.\n");
            continue;
        }
        ASSERT_EQ(result.exitCode, 0) << c.args.front() << ": " << result.err;
        if (c.sameAs.empty()) {
            EXPECT_NE(result.out.find(c.message), std::string::npos) << c.args.front() << '\n' << result.out;
            continue;
        }
        std::vector<std::string> plain = c.sameAs;
        plain.push_back(root);
        EXPECT_EQ(result.out, Run(plain).out) << c.args.front() << ' ' << c.args.back();
    }
}

// The command line's own allocations, thousands of exclusion patterns here, meet a shortage with
// one line and status 1, never an abort.
TEST(KestrumScanMemory, ShortMemoryWhileReadingTheCommandLineEndsWithOneLine)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    const std::string patterns = tree.Root() + "/patterns";
    {
        std::ofstream out(patterns);
        for (int i = 0; i < 20000; ++i)
            out << "pattern-number-" << i << "-*.tmp\n";
    }
    ::setenv("KESTRUM_MEMORY_CEILING", "60000", 1);
    const ChildResult cut = RunChild(KESTRUM_SCAN_CEILING_PATH, {"--exclude-from", patterns, tree.Root()});
    ::unsetenv("KESTRUM_MEMORY_CEILING");
    ASSERT_TRUE(cut.bExited) << "signal " << cut.signal << '\n' << cut.err;
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.err, "kestrum-scan: out of memory\n");
}

} // namespace

namespace {

// The number after "key": in a JSON text, or -1.
long long JsonNumber(const std::string& json, const std::string& key)
{
    const std::size_t at = json.find("\"" + key + "\": ");
    return at == std::string::npos ? -1 : std::stoll(json.substr(at + key.size() + 4));
}

// The options that change what is counted reach the walk and the report, each against what find
// and du say of the same tree.
TEST(KestrumScanWalkOptions, EachOptionChangesTheReportAsTheOraclesSay)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    ASSERT_TRUE(tree.MakeFolder("sub") && tree.MakeFolder("sub/cache"));
    for (const auto& [name, size] : {std::pair{"a.iso", 3000}, {"sub/b.img", 1536}, {"sub/c.iso", 3000},
                                     {"sub/cache/d.iso", 7000}, {"notes", 50}})
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;
    ASSERT_EQ(::link(tree.Path("a.iso").c_str(), tree.Path("sub/a-again.iso").c_str()), 0);
    const std::string patterns = tree.Path("patterns");
    {
        std::ofstream(patterns) << "cache\r\n\n*.img\n";
    }
    const std::string root = tree.Path("sub");
    const auto shell = [](const std::string& command) { return std::stoll(Shell(command)); };
    // du counts the root folder itself; kestrum-scan does not.
    const long long rootBytes = shell("stat -c %s '" + root + "'");
    const long long rootDisk = shell("stat -c %b '" + root + "'") * 512;
    const struct {
        std::vector<std::string> options;
        const char* key;
        std::string oracle;   // a shell command printing the number the key must hold
        long long adjust;     // added to the oracle's number
    } cases[] = {
        {{"--exclude", "cache", "--exclude=*.img"}, "bytes", "du -sb --exclude=cache --exclude='*.img' '" + root + "' | cut -f1", -rootBytes},
        {{"--exclude-from", patterns}, "excluded", "find '" + root + "' -name cache -o -name '*.img' | wc -l", 0},
        {{}, "disk_bytes", "du -sB1 '" + root + "' | cut -f1", -rootDisk},
    };
    // The walk's own agreement with du and find, with 1 and 8 threads, is the engine tests' part;
    // here each option must reach it.
    for (const auto& c : cases) {
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--json", root});
        const ChildResult result = RunChild(kProgram, args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(JsonNumber(result.out, c.key), shell(c.oracle) + c.adjust) << c.oracle;
    }
    // Over the whole tree a.iso has two names: counted once with --links-once, as du does.
    const ChildResult once = RunChild(kProgram, {"--json", "--links-once", tree.Root()});
    const ChildResult twice = RunChild(kProgram, {"--json", tree.Root()});
    EXPECT_EQ(JsonNumber(twice.out, "files"), JsonNumber(once.out, "files") + 1) << once.out;
    EXPECT_EQ(JsonNumber(once.out, "bytes"), shell("du -sb '" + tree.Root() + "' | cut -f1") -
                                                 shell("stat -c %s '" + tree.Root() + "'"));
    EXPECT_EQ(JsonNumber(twice.out, "bytes"), JsonNumber(once.out, "bytes") + 3000);

    // --on-disk: the sizes shown, the order by size and the label follow the allocated bytes,
    // while the JSON keeps both.
    const ChildResult onDisk = RunChild(kProgram, {"--on-disk", "--csv", tree.Root()});
    const ChildResult json = RunChild(kProgram, {"--on-disk", "--json", tree.Root()});
    EXPECT_NE(onDisk.out.find(",0,"), std::string::npos) << onDisk.out;   // the files are sparse: no blocks
    EXPECT_EQ(JsonNumber(json.out, "bytes"), JsonNumber(twice.out, "bytes"));
    const ChildResult label = RunChild(kProgram, {"--on-disk", tree.Root()});
    EXPECT_EQ(label.out.find("Size on disk: "), label.out.find('\n') + 1) << label.out;
}

// --largest lists the largest files of --ext after the table, in each format, with a path that
// would break a line escaped.
TEST(KestrumScanLargest, ListsTheLargestFilesOfTheExtensionsAsked)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    ASSERT_TRUE(tree.MakeFolder("sub"));
    for (const auto& [name, size] : {std::pair{"a.iso", 3000}, {"sub/b.IMG", 1536}, {"sub/c.iso", 3000},
                                     {"sub/new\nline.iso", 9000}, {"notes", 50000}})
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;
    const std::string root = tree.Root();
    const ChildResult text = RunChild(kProgram, {"--largest", "3", "--ext", "iso,.img", root});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::vector<std::string> lines = Lines(text.out);
    const auto heading = std::find(lines.begin(), lines.end(), "Largest files:");
    ASSERT_NE(heading, lines.end()) << text.out;
    ASSERT_EQ(lines.end() - heading, 4) << text.out;
    // Largest first, equal sizes by path; the newline written out.
    EXPECT_EQ(heading[1].substr(0, 5), "9,000");
    const auto endsWith = [](const std::string& line, const std::string& end) {
        return line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_TRUE(endsWith(heading[1], "  " + root + "/sub/new\\x0aline.iso")) << heading[1];
    EXPECT_TRUE(endsWith(heading[2], "  " + root + "/a.iso")) << heading[2];
    EXPECT_TRUE(endsWith(heading[3], "  " + root + "/sub/c.iso")) << heading[3];

    const ChildResult none = RunChild(kProgram, {"--json", "--largest", "5", "--ext", "", root});
    EXPECT_NE(none.out.find("\"largest\": [{\"path\": \"" + root + "/notes\", \"bytes\": 50000, \"mtime\": "),
              std::string::npos) << none.out;
    EXPECT_EQ(none.out.find(".iso\", \"bytes\""), std::string::npos) << none.out;
    const ChildResult csv = RunChild(kProgram, {"--csv", "--largest", "1", root});
    EXPECT_NE(csv.out.find("\n\npath,bytes,mtime\n" + root + "/notes,50000,"), std::string::npos) << csv.out;
}

} // namespace
