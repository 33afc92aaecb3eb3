// kestrum-scan's options as users type them: GNU spellings, human-readable sizes and --top.
#include "ChildProcess.h"
#include "HumanSize.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
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

} // namespace
