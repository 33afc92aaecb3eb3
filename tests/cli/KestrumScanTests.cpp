// kestrum-scan as a user runs it: wording, formats, orders, exit statuses and Ctrl+C.
#include "ChildProcess.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

// Digits in groups of three with ",", as the C.UTF-8 locale the children run in shows them.
std::string Grouped(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream stream(line);
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

// The first field of each CSV row after the header; the trees here need no quoting.
std::vector<std::string> CsvFirstColumn(const std::string& csv)
{
    std::vector<std::string> column;
    const std::vector<std::string> lines = Lines(csv);
    for (std::size_t i = 1; i < lines.size(); ++i)
        column.push_back(lines[i].substr(0, lines[i].find(',')));
    return column;
}

// Names with commas, quotes, a newline, an invalid UTF-8 byte, mixed case, no extension, a
// dotfile, an empty folder and a 5,000,000,000-byte sparse file.
class KestrumScanOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_tree.Root().empty());
        ASSERT_TRUE(m_tree.MakeFolder("sub"));
        ASSERT_TRUE(m_tree.MakeFolder("sub/deep"));
        const std::pair<const char*, std::uint64_t> files[] = {
            {"a.TXT", 5}, {"sub/notes.txt", 7}, {"sub/README", 11}, {"sub/.profile", 3},
            {"sub/caf\xC3\xA9.Md", 2}, {"sub/x.\xFF", 4}, {"y.c,sv", 1}, {"z.q\"t", 6}, {"w.n\nl", 8},
            {"sub/big", 5'000'000'000ULL},
        };
        for (const auto& [name, size] : files) {
            ASSERT_TRUE(m_tree.MakeFile(name, size)) << name;
            m_nBytes += size;
        }
        m_nBytes += m_tree.SizeOf("sub") + m_tree.SizeOf("sub/deep");
    }

    TempTree m_tree;
    std::uint64_t m_nBytes = 0;  // every file and both subfolders
};

TEST_F(KestrumScanOutput, TextShowsTheWindowsWordingAndAnEscapedAlignedTable)
{
    const ChildResult result = RunChild(kProgram, {m_tree.Root()});
    ASSERT_TRUE(result.bExited);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");

    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 11u) << result.out;
    EXPECT_EQ(lines[0], "Contains: 2 Folders,   10 Files");
    EXPECT_EQ(lines[1], "Size: " + Grouped(m_nBytes) + " bytes");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(Words(lines[3]), (std::vector<std::string>{"Ext", "Count", "Size", "%"}));
    // Rows of 36 extension bytes in all; the control character and the stray byte are shown as \xHH.
    const std::vector<std::vector<std::string>> rows = {
        {".c,sv", "1", "1", "2"},   {".md", "1", "2", "5"},       {".n\\x0al", "1", "8", "22"},
        {".profile", "1", "3", "8"}, {".q\"t", "1", "6", "16"},    {".txt", "2", "12", "33"},
        {".\\xff", "1", "4", "11"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(Words(lines[4 + i]), rows[i]) << "row " << i;
        EXPECT_EQ(lines[4 + i].size(), lines[3].size()) << "row " << i << " is not aligned with the header";
    }
}

TEST_F(KestrumScanOutput, CsvQuotesFieldsAsRfc4180AndKeepsTheNamesBytes)
{
    const ChildResult result = RunChild(kProgram, {"--csv", m_tree.Root()});
    ASSERT_TRUE(result.bExited);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "ext,count,bytes,percent\n"
                          "\".c,sv\",1,1,2\n"
                          ".md,1,2,5\n"
                          "\".n\nl\",1,8,22\n"
                          ".profile,1,3,8\n"
                          "\".q\"\"t\",1,6,16\n"
                          ".txt,2,12,33\n"
                          ".\xFF,1,4,11\n");
}

TEST_F(KestrumScanOutput, JsonHasRawNumbersAndEscapesInvalidUtf8AsBackslashX)
{
    const ChildResult result = RunChild(kProgram, {m_tree.Root(), "--json"});
    ASSERT_TRUE(result.bExited);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string expected =
        "{\"root\": \"" + m_tree.Root() + "\", \"folders\": 2, \"files\": 10, \"bytes\": " + std::to_string(m_nBytes)
        + R"(, "extensions": [)"
          R"({"ext": ".c,sv", "count": 1, "bytes": 1, "percent": 2}, )"
          R"({"ext": ".md", "count": 1, "bytes": 2, "percent": 5}, )"
          R"({"ext": ".n\nl", "count": 1, "bytes": 8, "percent": 22}, )"
          R"({"ext": ".profile", "count": 1, "bytes": 3, "percent": 8}, )"
          R"({"ext": ".q\"t", "count": 1, "bytes": 6, "percent": 16}, )"
          R"({"ext": ".txt", "count": 2, "bytes": 12, "percent": 33}, )"
          R"({"ext": ".\\xff", "count": 1, "bytes": 4, "percent": 11}], )"
          R"("not_listed": 0, "not_entered": 0, "vanished": 0})"
          "\n";
    // Equal to this all-ASCII text, the output is valid UTF-8 and holds no raw control character.
    EXPECT_EQ(result.out, expected);
}

TEST_F(KestrumScanOutput, JsonKeepsValidUtf8AndEscapesTheRoot)
{
    ASSERT_TRUE(m_tree.MakeFolder("d\xC3\xA9j\xC3\xA0 \"vu\"\x01\xFE"));
    ASSERT_TRUE(m_tree.MakeFile("d\xC3\xA9j\xC3\xA0 \"vu\"\x01\xFE/\xE6\x97\xA5.\xC3\x89T\xC3\x89", 9));
    const ChildResult result = RunChild(kProgram, {"--json", m_tree.Path("d\xC3\xA9j\xC3\xA0 \"vu\"\x01\xFE")});
    ASSERT_TRUE(result.bExited);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\"root\": \"" + m_tree.Root() + "/d\xC3\xA9j\xC3\xA0 \\\"vu\\\"\\u0001\\\\xfe\""),
              std::string::npos) << result.out;
    // .ÉTÉ folds to .été; the Unicode text stays as it is.
    EXPECT_NE(result.out.find("{\"ext\": \".\xC3\xA9t\xC3\xA9\", \"count\": 1, \"bytes\": 9, \"percent\": 100}"),
              std::string::npos) << result.out;
}

TEST(KestrumScanSort, OrdersAsTheListViewWithTiesByExtensionInTheSameDirection)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    // .a: 2 files, 15 bytes; .b: 1 file, 30; .c: 2 files, 15; .d: 1 file, 30.
    const std::pair<const char*, std::uint64_t> files[] = {
        {"x.b", 30}, {"y.a", 10}, {"z.a", 5}, {"w.c", 7}, {"v.c", 8}, {"u.d", 30},
    };
    for (const auto& [name, size] : files)
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;

    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"--sort=ext", {".a", ".b", ".c", ".d"}},
        {"--sort=count", {".c", ".a", ".d", ".b"}},
        {"--sort=size", {".d", ".b", ".c", ".a"}},
    };
    for (const auto& [option, order] : cases) {
        const ChildResult result = RunChild(kProgram, {"--csv", option, tree.Root()});
        ASSERT_EQ(result.exitCode, 0) << option << ": " << result.err;
        EXPECT_EQ(CsvFirstColumn(result.out), order) << option;
    }

    const ChildResult text = RunChild(kProgram, {"--sort=count", tree.Root()});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::vector<std::string> lines = Lines(text.out);
    ASSERT_EQ(lines.size(), 8u) << text.out;
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(Words(lines[4 + i]).front(), cases[1].second[i]);
}

TEST(KestrumScanExit, FailuresGiveTheirStatusAndOneMessage)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    ASSERT_TRUE(tree.MakeFile("five.bin", 5));

    const ChildResult missing = RunChild(kProgram, {tree.Path("missing")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(Lines(missing.err).size(), 1u) << missing.err;
    EXPECT_NE(missing.err.find(tree.Path("missing")), std::string::npos) << missing.err;

    const std::vector<std::vector<std::string>> badUsages = {
        {"--frobnicate", tree.Root()}, {"--sort=name", tree.Root()}, {"--csv", "--json", tree.Root()},
        {"--csv"}, {tree.Root(), tree.Root()}, {""}, {"--threads", "0", tree.Root()}, {"--threads=65", tree.Root()},
        {"--threads", "two", tree.Root()}, {tree.Root(), "--threads"},
    };
    for (const std::vector<std::string>& args : badUsages) {
        const ChildResult result = RunChild(kProgram, args);
        EXPECT_EQ(result.exitCode, 2) << args.front();
        EXPECT_EQ(result.out, "") << args.front();
        EXPECT_NE(result.err.find("Usage: kestrum-scan"), std::string::npos) << args.front();
    }

    const ChildResult help = RunChild(kProgram, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: kestrum-scan", 0), 0u) << help.out;

    // A root that is a file is counted as one file, as the window counts it.
    const ChildResult file = RunChild(kProgram, {tree.Path("five.bin")});
    EXPECT_EQ(file.exitCode, 0) << file.err;
    EXPECT_EQ(file.out.rfind("Contains: 0 Folders,   1 Files\nSize: 5 bytes\n", 0), 0u) << file.out;

    // Output that cannot be written is a failure, not a success.
    CChildProcess full(kProgram, {tree.Root()}, "/dev/full");
    const ChildResult fullResult = full.Finish(std::chrono::seconds(60));
    EXPECT_EQ(fullResult.exitCode, 1);
    EXPECT_NE(fullResult.err.find("cannot write"), std::string::npos) << fullResult.err;
}

TEST(KestrumScanInterrupt, CtrlCStopsTheWalkPrintsTheCountsAndExits130)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    constexpr int kFolders = 100, kFilesPerFolder = 200;
    for (int f = 0; f < kFolders; ++f) {
        std::string folder = "f";
        folder += std::to_string(f);
        ASSERT_TRUE(tree.MakeFolder(folder));
        for (int i = 0; i < kFilesPerFolder; ++i)
            ASSERT_TRUE(tree.MakeFile(folder + "/" + std::to_string(i) + ".e" + std::to_string(i % 7), 1));
    }

    // The signal goes as soon as the handler is in place, milliseconds into a walk of 20,000
    // entries; should the walk still win that race, the run is repeated.
    ChildResult result;
    for (int attempt = 0; attempt < 5; ++attempt) {
        CChildProcess child(kProgram, {tree.Root()});
        ASSERT_TRUE(child.Started());
        ASSERT_TRUE(child.WaitForCaughtSignal(SIGINT, std::chrono::seconds(30)));
        ASSERT_EQ(::kill(child.Pid(), SIGINT), 0);
        result = child.Finish(std::chrono::seconds(60));
        ASSERT_TRUE(result.bExited) << "signal " << result.signal << (result.bTimedOut ? ", timed out" : "");
        if (result.exitCode != 0)
            break;
    }
    ASSERT_EQ(result.exitCode, 130) << result.err;
    EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;

    std::smatch match;
    const std::regex contains("^Contains: ([0-9,]+) Folders,   ([0-9,]+) Files\nSize: ([0-9,]+) bytes\n");
    ASSERT_TRUE(std::regex_search(result.out, match, contains)) << result.out;
    const auto number = [](std::string text) {
        std::erase(text, ',');
        return std::stoull(text);
    };
    EXPECT_LE(number(match[1]), static_cast<unsigned long long>(kFolders));
    EXPECT_LE(number(match[2]), static_cast<unsigned long long>(kFolders * kFilesPerFolder));
}

} // namespace
