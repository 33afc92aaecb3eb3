// kestrum-scan as a user runs it: wording, formats, orders, exit statuses and Ctrl+C.
#include "ChildProcess.h"
#include "MimeEnvironment.h"
#include "ShellOracle.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
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

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream stream(line);
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

// The first field of each CSV row after the header, unquoted.
std::vector<std::string> CsvFirstColumn(const std::string& csv)
{
    std::vector<std::string> column;
    for (std::size_t i = csv.find('\n') + 1; i > 0 && i < csv.size(); i = csv.find('\n', i) + 1) {
        std::string field;
        if (csv[i] == '"') {
            // A quote ends the field unless another follows it.
            for (++i; i < csv.size() && !(csv[i] == '"' && (i + 1 == csv.size() || csv[i + 1] != '"')); ++i) {
                if (csv[i] == '"')
                    ++i;
                field += csv[i];
            }
        } else {
            for (; i < csv.size() && csv[i] != ',' && csv[i] != '\n'; ++i)
                field += csv[i];
        }
        column.push_back(field);
    }
    return column;
}

// The decoded value of every "ext" string of the JSON text. The tool writes \u only as \u00XX.
std::vector<std::string> JsonExtValues(const std::string& json)
{
    static const std::string kKey = "{\"ext\": \"", kEscaped = "\"\\/bfnrt", kMeant = "\"\\/\b\f\n\r\t";
    std::vector<std::string> values;
    for (std::size_t at = json.find(kKey); at != std::string::npos; at = json.find(kKey, at)) {
        std::string value;
        for (at += kKey.size(); at < json.size() && json[at] != '"'; ++at) {
            if (json[at] != '\\' || at + 1 == json.size()) {
                value += json[at];
            } else if (json[++at] == 'u') {
                value += static_cast<char>(std::stoi(json.substr(at + 1, 4), nullptr, 16));
                at += 4;
            } else {
                value += kMeant[kEscaped.find(json[at])];
            }
        }
        values.push_back(value);
    }
    return values;
}

// Reads each \xHH back as its byte: what every output's escaping must undo exactly.
std::string Unescape(const std::string& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

bool IsValidUtf8(std::string text)
{
    const iconv_t converter = ::iconv_open("UTF-8", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string converted(text.size(), '\0');
    char* in = text.data();
    char* out = converted.data();
    std::size_t inLeft = text.size(), outLeft = converted.size();
    const bool bValid = ::iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    ::iconv_close(converter);
    return bValid;
}

std::vector<std::string> Sorted(std::vector<std::string> texts)
{
    std::sort(texts.begin(), texts.end());
    return texts;
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
            m_nDiskBytes += DiskSizeOf(name);
        }
        m_nBytes += m_tree.SizeOf("sub") + m_tree.SizeOf("sub/deep");
        m_nDiskBytes += DiskSizeOf("sub") + DiskSizeOf("sub/deep");
    }

    // The entry's allocated bytes, as the tool counts them.
    std::uint64_t DiskSizeOf(const std::string& relative) const
    {
        struct stat status {};
        EXPECT_EQ(lstat(m_tree.Path(relative).c_str(), &status), 0) << relative;
        return static_cast<std::uint64_t>(status.st_blocks) * 512;
    }

    TempTree m_tree;
    // No MIME database: every extension's category is "other".
    TempTree m_noMimeDatabase;
    CMimeEnvironment m_mime{m_noMimeDatabase.Root()};
    std::uint64_t m_nBytes = 0;  // every file and both subfolders
    std::uint64_t m_nDiskBytes = 0;  // the same, allocated
};

TEST_F(KestrumScanOutput, TextShowsTheWindowsWordingAndAnEscapedAlignedTable)
{
    const ChildResult result = RunChild(kProgram, {"--extensions-only", m_tree.Root()});
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

TEST_F(KestrumScanOutput, CsvQuotesFieldsAsRfc4180AndEscapesInvalidUtf8)
{
    const ChildResult result = RunChild(kProgram, {"--extensions-only", "--csv", m_tree.Root()});
    ASSERT_TRUE(result.bExited);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "ext,count,bytes,percent,category\n"
                          "\".c,sv\",1,1,2,other\n"
                          ".md,1,2,5,other\n"
                          "\".n\nl\",1,8,22,other\n"
                          ".profile,1,3,8,other\n"
                          "\".q\"\"t\",1,6,16,other\n"
                          ".txt,2,12,33,other\n"
                          ".\\xff,1,4,11,other\n");
}

TEST_F(KestrumScanOutput, JsonHasRawNumbersAndEscapesInvalidUtf8AsBackslashX)
{
    const ChildResult result = RunChild(kProgram, {"--extensions-only", m_tree.Root(), "--json"});
    ASSERT_TRUE(result.bExited);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto disk = [this](std::initializer_list<const char*> names) {
        std::uint64_t bytes = 0;
        for (const char* name : names)
            bytes += DiskSizeOf(name);
        return R"(, "disk_bytes": )" + std::to_string(bytes);
    };
    const std::string expected =
        "{\"root\": \"" + m_tree.Root() + "\", \"folders\": 2, \"files\": 10, \"bytes\": " + std::to_string(m_nBytes)
        + R"(, "disk_bytes": )" + std::to_string(m_nDiskBytes) + R"(, "extensions": [)"
        + R"({"ext": ".c,sv", "count": 1, "bytes": 1)" + disk({"y.c,sv"}) + R"(, "percent": 2, "category": "other"}, )"
        + R"({"ext": ".md", "count": 1, "bytes": 2)" + disk({"sub/caf\xC3\xA9.Md"}) + R"(, "percent": 5, "category": "other"}, )"
        + R"({"ext": ".n\nl", "count": 1, "bytes": 8)" + disk({"w.n\nl"}) + R"(, "percent": 22, "category": "other"}, )"
        + R"({"ext": ".profile", "count": 1, "bytes": 3)" + disk({"sub/.profile"}) + R"(, "percent": 8, "category": "other"}, )"
        + R"({"ext": ".q\"t", "count": 1, "bytes": 6)" + disk({"z.q\"t"}) + R"(, "percent": 16, "category": "other"}, )"
        + R"({"ext": ".txt", "count": 2, "bytes": 12)" + disk({"a.TXT", "sub/notes.txt"}) + R"(, "percent": 33, "category": "other"}, )"
        + R"({"ext": ".\\xff", "count": 1, "bytes": 4)" + disk({"sub/x.\xFF"}) + R"(, "percent": 11, "category": "other"}], )"
        + R"("not_listed": 0, "not_entered": 0, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0, )"
        + R"("not_in_largest": 0, "links_unchecked": 0, )"
        + R"("no_extension": {"count": 2, "bytes": 5000000011)" + disk({"sub/README", "sub/big"}) + R"(}, "problems": []})" + "\n";
    // A scan file's head first: what wrote it, when, where, with which choices and how it ended.
    const std::size_t root = result.out.find("\"root\": ");
    ASSERT_NE(root, std::string::npos) << result.out;
    EXPECT_TRUE(std::regex_match(
        result.out.substr(0, root),
        std::regex(R"(\{"format": 2, "program": "kestrum-scan [0-9.]+", "started": "[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z", )"
                   R"("seconds": [0-9]+\.[0-9]{3}, "host": "[^"]*", "options": \{"one_file_system": false, "exclude": \[\], )"
                   R"("links_once": false, "extensions_only": true\}, "ending": "finished", )")))
        << result.out.substr(0, root);
    // Equal to this all-ASCII text, the output is valid UTF-8 and holds no raw control character.
    EXPECT_EQ("{" + result.out.substr(root), expected);
}

// The two files without an extension (5,000,000,011 bytes) get the "(none)" row by default, and
// the shares become shares of every file's bytes; --extensions-only gives the rows above.
TEST_F(KestrumScanOutput, FilesWithoutAnExtensionGetTheirRowUnlessExtensionsOnly)
{
    const std::string noExtField = R"("no_extension": {"count": 2, "bytes": 5000000011, "disk_bytes": )";
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {{"--sort=size", "--csv"}, {"ext,count,bytes,percent,category\n,2,5000000011,99,none\n.txt,2,12,0,other\n"}, {}},
        {{"--sort=size", "--csv", "--extensions-only"}, {"ext,count,bytes,percent,category\n.txt,2,12,33,other\n"}, {",2,5000000011"}},
        {{"--sort=ext", "--csv"}, {"ext,count,bytes,percent,category\n,2,5000000011,99,none\n\".c,sv\",1,1,0,other\n"}, {}},
        {{"--sort=size", "--json"},
         {R"("extensions": [{"ext": "", "count": 2, "bytes": 5000000011, "disk_bytes": )", R"(, "percent": 99, "category": "none"}, {"ext": ".txt")",
          noExtField},
         {}},
        {{"--sort=size", "--json", "--extensions-only"}, {R"("extensions": [{"ext": ".txt")", noExtField}, {R"("ext": "")"}},
        {{"--sort=size"}, {"\n(none)  ", "  5,000,000,011  99\n"}, {}},
        {{"--sort=size", "--extensions-only"}, {"\n.txt  "}, {"(none)"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back(m_tree.Root());
        const ChildResult result = RunChild(kProgram, args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        for (const std::string& text : c.present)
            EXPECT_NE(result.out.find(text), std::string::npos) << args[1] << " lacks " << text << ":\n" << result.out;
        for (const std::string& text : c.absent)
            EXPECT_EQ(result.out.find(text), std::string::npos) << args[1] << " has " << text << ":\n" << result.out;
    }
}

TEST_F(KestrumScanOutput, JsonKeepsValidUtf8AndEscapesTheRoot)
{
    ASSERT_TRUE(m_tree.MakeFolder("d\xC3\xA9j\xC3\xA0 \"vu\"\x01\xFE"));
    ASSERT_TRUE(m_tree.MakeFile("d\xC3\xA9j\xC3\xA0 \"vu\"\x01\xFE/\xE6\x97\xA5.\xC3\x89T\xC3\x89", 9));
    const ChildResult result = RunChild(kProgram, {"--extensions-only", "--json", m_tree.Path("d\xC3\xA9j\xC3\xA0 \"vu\"\x01\xFE")});
    ASSERT_TRUE(result.bExited);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\"root\": \"" + m_tree.Root() + "/d\xC3\xA9j\xC3\xA0 \\\"vu\\\"\\u0001\\\\xfe\""),
              std::string::npos) << result.out;
    // .ÉTÉ folds to .été; the Unicode text stays as it is.
    const std::string diskBytes = std::to_string(DiskSizeOf("d\xC3\xA9j\xC3\xA0 \"vu\"\x01\xFE/\xE6\x97\xA5.\xC3\x89T\xC3\x89"));
    EXPECT_NE(result.out.find("{\"ext\": \".\xC3\xA9t\xC3\xA9\", \"count\": 1, \"bytes\": 9, \"disk_bytes\": " + diskBytes
                              + ", \"percent\": 100, \"category\": \"other\"}"),
              std::string::npos) << result.out;
}

TEST(KestrumScanEscaping, EveryOutputIsValidUtf8AndDecodesBackToTheNamesBytes)
{
    struct Case {
        std::string ext;       // as the walk folds it
        std::string shown;     // the CSV field and the decoded JSON string
        std::string terminal;  // the text table's cell, when it differs
    };
    const Case cases[] = {
        {".\xff", R"(.\xff)", ""},
        {R"(.\xff)", R"(.\x5cxff)", ""},
        {R"(.a\b)", R"(.a\x5cb)", ""},
        {".\xc0\xaf", R"(.\xc0\xaf)", ""},                              // overlong "/"
        {".\xe0\x80\xaf", R"(.\xe0\x80\xaf)", ""},                      // overlong, three bytes
        {".\xed\xa0\x80", R"(.\xed\xa0\x80)", ""},                      // surrogate U+D800
        {".\xf4\x90\x80\x80", R"(.\xf4\x90\x80\x80)", ""},              // beyond U+10FFFF
        {".s\xe2\x82", R"(.s\xe2\x82)", ""},                             // cut short
        {".caf\xc3\xa9", ".caf\xc3\xa9", ""},
        {".q\"t,c", ".q\"t,c", ""},
        {".x\x1b[0m", ".x\x1b[0m", R"(.x\x1b[0m)"},
        {".n\nl", ".n\nl", R"(.n\x0al)"},
        {".c\xc2\x85", ".c\xc2\x85", R"(.c\xc2\x85)"},                  // C1 NEL
        {".a\xd8\x9c", ".a\xd8\x9c", R"(.a\xd8\x9c)"},                  // U+061C
        {".m\xe2\x80\x8f", ".m\xe2\x80\x8f", R"(.m\xe2\x80\x8f)"},      // U+200F
        {".l\xe2\x80\xa8", ".l\xe2\x80\xa8", R"(.l\xe2\x80\xa8)"},      // U+2028
        {".p\xe2\x80\xa9", ".p\xe2\x80\xa9", R"(.p\xe2\x80\xa9)"},      // U+2029
        {".e\xe2\x80\xaa", ".e\xe2\x80\xaa", R"(.e\xe2\x80\xaa)"},      // U+202A
        {".r\xe2\x80\xae", ".r\xe2\x80\xae", R"(.r\xe2\x80\xae)"},      // U+202E
        {".i\xe2\x81\xa6", ".i\xe2\x81\xa6", R"(.i\xe2\x81\xa6)"},      // U+2066
        {".d\xe2\x81\xa9", ".d\xe2\x81\xa9", R"(.d\xe2\x81\xa9)"},      // U+2069
    };
    ASSERT_FALSE(IsValidUtf8(".\xed\xa0\x80"));
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    std::vector<std::string> exts, shown, terminal;
    for (const Case& c : cases) {
        ASSERT_TRUE(tree.MakeFile("n" + std::to_string(exts.size()) + c.ext, 1)) << c.shown;
        exts.push_back(c.ext);
        shown.push_back(c.shown);
        terminal.push_back(c.terminal.empty() ? c.shown : c.terminal);
    }

    const ChildResult text = RunChild(kProgram, {"--extensions-only", tree.Root()});
    const ChildResult csv = RunChild(kProgram, {"--extensions-only", "--csv", tree.Root()});
    const ChildResult json = RunChild(kProgram, {"--extensions-only", "--json", tree.Root()});
    std::vector<std::string> cells;
    const std::vector<std::string> lines = Lines(text.out);
    for (std::size_t i = 4; i < lines.size(); ++i)
        cells.push_back(Words(lines[i]).front());
    const std::pair<const ChildResult*, std::pair<std::vector<std::string>, std::vector<std::string>>> outputs[] = {
        {&text, {cells, terminal}}, {&csv, {CsvFirstColumn(csv.out), shown}}, {&json, {JsonExtValues(json.out), shown}},
    };
    for (const auto& [result, texts] : outputs) {
        const auto& [found, expected] = texts;
        ASSERT_EQ(result->exitCode, 0) << result->err;
        EXPECT_TRUE(IsValidUtf8(result->out)) << result->out;
        EXPECT_EQ(Sorted(found), Sorted(expected)) << result->out;
        std::vector<std::string> decoded;
        for (const std::string& field : found)
            decoded.push_back(Unescape(field));
        EXPECT_EQ(Sorted(decoded), Sorted(exts)) << result->out;
    }
}

// kestrum-scan-memory-ceiling is the tool with a cap on what its main thread, the one that
// writes the report, may hold: the walk completes, the report then meets the shortage.
TEST(KestrumScanMemory, ShortMemoryKeepsTheTotalsAndTheFirstRowsAndSaysSo)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    constexpr std::size_t kExtensions = 3'000;
    for (std::size_t i = 0; i < kExtensions; ++i)
        ASSERT_TRUE(tree.MakeFile("f.e" + std::to_string(i), i % 7));
    // The MIME database is read before the walk, where this ceiling (on from the start, unlike a
    // real shortage) would already refuse it; without one the report meets the shortage alone.
    TempTree noMimeDatabase;
    const CMimeEnvironment mime(noMimeDatabase.Root());

    // Each line of the text table by its words, so rows compare equal however wide the columns came out.
    const auto wordsOfLines = [](const std::string& out) {
        std::vector<std::vector<std::string>> lines;
        for (const std::string& line : Lines(out))
            lines.push_back(Words(line));
        return lines;
    };
    for (const std::string format : {"--text", "--csv", "--json"}) {
        std::vector<std::string> args{"--extensions-only", tree.Root()};
        if (format != "--text")
            args.push_back(format);
        const ChildResult full = RunChild(kProgram, args);
        ASSERT_EQ(full.exitCode, 0) << format << ": " << full.err;

        for (const char* ceiling : {"2000", "16000"}) {
            ::setenv("KESTRUM_MEMORY_CEILING", ceiling, 1);
            const ChildResult cut = RunChild(KESTRUM_SCAN_CEILING_PATH, args);
            ::unsetenv("KESTRUM_MEMORY_CEILING");
            const std::string label = format + " under " + ceiling + " bytes";
            ASSERT_TRUE(cut.bExited) << label << ": signal " << cut.signal << '\n' << cut.err;
            EXPECT_EQ(cut.exitCode, 1) << label;
            EXPECT_EQ(cut.err, "kestrum-scan: out of memory; the report was cut short after the rows shown\n");
            // The totals, then whole rows from the first on, at least one and not all of them.
            if (format == "--text") {
                const auto cutLines = wordsOfLines(cut.out), fullLines = wordsOfLines(full.out);
                EXPECT_GT(cutLines.size(), 4u) << label;
                ASSERT_LT(cutLines.size(), fullLines.size()) << label;
                EXPECT_TRUE(std::equal(cutLines.begin(), cutLines.end(), fullLines.begin())) << label;
                continue;
            }
            // JSON is still closed; the rest is a first part of the complete output. The head,
            // which says when each scan began and how long it ran, is left out of the comparison.
            std::string body = cut.out;
            std::string fullOut = full.out;
            if (format == "--json") {
                body.erase(0, body.find("\"root\": "));
                fullOut.erase(0, fullOut.find("\"root\": "));
                const std::size_t closing = body.rfind("], \"not_listed\": ");
                ASSERT_NE(closing, std::string::npos) << label;
                ASSERT_TRUE(body.ends_with("}\n")) << label;
                body.resize(closing);
            }
            ASSERT_FALSE(body.empty()) << label;
            EXPECT_LT(body.size() + 3, fullOut.size()) << label;
            EXPECT_EQ(fullOut.compare(0, body.size(), body), 0) << label;
            // A JSON row ends in "}" where the head ends in "["; a CSV row is a line after the header.
            EXPECT_EQ(body.back(), format == "--json" ? '}' : '\n') << label;
            if (format == "--csv") {
                EXPECT_GT(std::count(body.begin(), body.end(), '\n'), 1) << label;
            }
        }
    }
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
        const ChildResult result = RunChild(kProgram, {"--extensions-only", "--csv", option, tree.Root()});
        ASSERT_EQ(result.exitCode, 0) << option << ": " << result.err;
        EXPECT_EQ(CsvFirstColumn(result.out), order) << option;
    }

    const ChildResult text = RunChild(kProgram, {"--extensions-only", "--sort=count", tree.Root()});
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

    const ChildResult missing = RunChild(kProgram, {"--extensions-only", tree.Path("missing")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(Lines(missing.err).size(), 1u) << missing.err;
    EXPECT_NE(missing.err.find(tree.Path("missing")), std::string::npos) << missing.err;

    // A usage error is one line saying what was wrong, then where to read more, as GNU tools do.
    const std::vector<std::vector<std::string>> badUsages = {
        {"--frobnicate", tree.Root()}, {"--sort=name", tree.Root()}, {"--csv", "--json", tree.Root()},
        {"--csv"}, {tree.Root(), tree.Root()}, {""}, {"--threads", "0", tree.Root()}, {"--threads=65", tree.Root()},
        {"--threads", "two", tree.Root()}, {tree.Root(), "--threads"}, {"-j"}, {"-xz", tree.Root()},
        {"--one-file-system=yes", tree.Root()}, {"--top", "0", tree.Root()}, {"--largest", "-1", tree.Root()},
        {"--ext", ".iso", tree.Root()}, {"--largest", "3", "--ext", "iso,.tar.gz", tree.Root()},
        {"--exclude-from", tree.Path("missing"), tree.Root()}, {"--exclude", "node_modules/", tree.Root()},
        {"--files0-from", tree.Path("five.bin"), tree.Root()}, {"--files0-from="}, {"--merge"},
        {"--merge", "--compare", tree.Path("five.bin"), tree.Path("five.bin")},
        {"--merge", "--files0-from", tree.Path("five.bin"), tree.Path("five.bin")},
    };
    for (const std::vector<std::string>& args : badUsages) {
        const ChildResult result = RunChild(kProgram, args);
        EXPECT_EQ(result.exitCode, 2) << args.front();
        EXPECT_EQ(result.out, "") << args.front();
        const std::vector<std::string> lines = Lines(result.err);
        ASSERT_EQ(lines.size(), 2u) << args.front() << ": " << result.err;
        EXPECT_EQ(lines[0].rfind("kestrum-scan: ", 0), 0u) << lines[0];
        EXPECT_EQ(lines[1], "Try 'kestrum-scan --help' for more information.");
    }

    const ChildResult help = RunChild(kProgram, {"--extensions-only", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: kestrum-scan", 0), 0u) << help.out;

    // A root that is a file is counted as one file, as the window counts it; typed with a
    // trailing "/" it must be a folder, as for stat, ls and du.
    const ChildResult file = RunChild(kProgram, {"--extensions-only", tree.Path("five.bin")});
    EXPECT_EQ(file.exitCode, 0) << file.err;
    EXPECT_EQ(file.out.rfind("Contains: 0 Folders,   1 Files\nSize: 5 bytes\n", 0), 0u) << file.out;
    for (const char* slashes : {"/", "//"}) {
        const ChildResult notFolder = RunChild(kProgram, {"--extensions-only", tree.Path("five.bin") + slashes});
        EXPECT_EQ(notFolder.exitCode, 1) << slashes;
        EXPECT_EQ(notFolder.out, "") << slashes;
        EXPECT_NE(notFolder.err.find("Not a directory"), std::string::npos) << notFolder.err;
    }

    // Output that cannot be written is a failure, not a success.
    CChildProcess full(kProgram, {"--extensions-only", tree.Root()}, "/dev/full");
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
        CChildProcess child(kProgram, {"--extensions-only", tree.Root()});
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
