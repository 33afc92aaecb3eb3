// kestrum-scan --by category and --category against an oracle that reads the same private globs2
// with awk: its own reading of the glob rules and its own short list of the types' categories.
#include "ChildProcess.h"
#include "MimeEnvironment.h"
#include "ShellOracle.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

constexpr const char* kGlobs2 =
    "80:video/x-matroska:*.mkv\n"
    "50:video/mp4:*.mp4\n"
    "50:image/x-c-upper:*.C:cs\n"
    "50:text/x-csrc:*.c:cs\n"
    "50:image/png:*.png\n"
    "40:text/plain:*.gz\n"
    "50:application/gzip:*.gz\n"
    "60:application/x-compressed-tar:*.tar.gz\n"
    "50:text/plain:*.txt\n"
    "50:application/pdf:*.pdf\n"
    "50:application/x-sharedlib:*.so\n";

// The category key of each type above, as this test reads them (not the program's table).
constexpr const char* kOracleCategories =
    "video/x-matroska=video video/mp4=video image/x-c-upper=images text/x-csrc=source_code "
    "image/png=images application/gzip=archives application/x-compressed-tar=archives text/plain=documents "
    "application/pdf=documents application/x-sharedlib=programs";

// Files as name, size: both cases of extensions, a multi-dot name, unknown extensions, none.
const std::pair<const char*, std::uint64_t> kFiles[] = {
    {"a.mkv", 5000}, {"b.MP4", 3000}, {"sub/c.c", 10}, {"sub/d.C", 20}, {"e.png", 7}, {"sub/f.tar.gz", 900},
    {"g.gz", 100}, {"h.txt", 1}, {"i.pdf", 40}, {"sub/libj.so", 600}, {"k.unknown", 3}, {"l.weird", 8},
    {"Makefile", 12}, {"sub/README", 13},
};

class KestrumScanCategories : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_tree.Root().empty());
        ASSERT_TRUE(m_tree.MakeFolder("sub"));
        for (const auto& [name, size] : kFiles)
            ASSERT_TRUE(m_tree.MakeFile(name, size)) << name;
        ASSERT_TRUE(m_mime.MakeFolder("mime"));
        std::ofstream(m_mime.Path("mime/globs2")) << kGlobs2;
    }

    // "key,count,bytes,extensions" per category, "none" for the files without an extension,
    // sorted: the globs read by awk (case-insensitive before case-sensitive, "*.c:cs" before
    // "*.C:cs", then weight, then the first line; only "*.ext" globs), the files listed by find.
    std::vector<std::string> Oracle() const
    {
        const std::string awk =
            "awk -v cats='" + std::string(kOracleCategories) + "' '"
            "BEGIN { n = split(cats, pairs, \" \"); for (i = 1; i <= n; i++) { split(pairs[i], kv, \"=\"); cat[kv[1]] = kv[2] } }"
            "FNR == NR { split($0, f, \":\"); glob = f[3];"
            "  if (glob !~ /^\\*\\.[^.*?\\[]+$/) next;"
            "  ext = tolower(substr(glob, 2)); rank = (f[4] ~ /cs/) ? (ext == substr(glob, 2) ? 1 : 0) : 2;"
            "  if (!(ext in type) || rank > rk[ext] || (rank == rk[ext] && f[1] + 0 > wt[ext])) { type[ext] = f[2]; rk[ext] = rank; wt[ext] = f[1] + 0 }"
            "  next }"
            "{ name = $1; size = $2; dot = 0; for (i = length(name); i > 0; i--) if (substr(name, i, 1) == \".\") { dot = i; break }"
            "  if (dot == 0) { key = \"none\" } else { ext = tolower(substr(name, dot)); key = (ext in type) ? cat[type[ext]] : \"other\";"
            "    if (!((key, ext) in seen)) { seen[key, ext] = 1; exts[key]++ } }"
            "  count[key]++; bytes[key] += size }"
            "END { for (k in count) printf \"%s,%d,%d,%d\\n\", k, count[k], bytes[k], exts[k] + 0 }'";
        const std::string command = "find '" + m_tree.Root() + "' -type f -printf '%f\\t%s\\n' | " + awk +
                                    " '" + m_mime.Path("mime/globs2") + "' FS='\\t' - | sort";
        return Lines(Shell(command));
    }

    TempTree m_tree;
    TempTree m_mime;
};

// category,count,bytes,disk_bytes,percent,extensions -> category,count,bytes,extensions, sorted.
std::vector<std::string> CategoryRows(const std::string& csv)
{
    std::vector<std::string> rows;
    const std::vector<std::string> lines = Lines(csv);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> fields;
        std::string field;
        for (char c : lines[i] + ",") {
            if (c == ',') {
                fields.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        if (fields.size() == 6)
            rows.push_back(fields[0] + "," + fields[1] + "," + fields[2] + "," + fields[5]);
        else
            rows.push_back("malformed: " + lines[i]);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST_F(KestrumScanCategories, ByCategoryAgreesWithTheOracleReadingTheSameGlobs)
{
    const CMimeEnvironment mime(m_mime.Root());
    const std::vector<std::string> expected = Oracle();
    ASSERT_GE(expected.size(), 6u) << "the oracle gave too little";
    const ChildResult csv = RunChild(kProgram, {"--by", "category", "--csv", m_tree.Root()});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(Lines(csv.out).front(), "category,count,bytes,disk_bytes,percent,extensions");
    EXPECT_EQ(CategoryRows(csv.out), expected) << csv.out;

    // The same rows in JSON and in the text table, which names them from the string table.
    const ChildResult json = RunChild(kProgram, {"--by=category", "--json", m_tree.Root()});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find(R"("categories": [{"category": "images", "count": 1, "bytes": 7, )"), std::string::npos)
        << json.out;
    const ChildResult text = RunChild(kProgram, {"--by", "category", "--sort", "size", m_tree.Root()});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::vector<std::string> lines = Lines(text.out);
    ASSERT_GE(lines.size(), 5u) << text.out;
    EXPECT_EQ(lines[3].rfind("Type ", 0), 0u) << text.out;
    EXPECT_EQ(lines[4].rfind("Video ", 0), 0u) << text.out;   // 8,000 of the bytes: the largest row
}

TEST_F(KestrumScanCategories, ExtensionRowsNameTheirCategoryAndLargestTakesACategory)
{
    const CMimeEnvironment mime(m_mime.Root());
    const ChildResult csv = RunChild(kProgram, {"--csv", m_tree.Root()});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    for (const char* row : {"\n,2,25,", "\n.c,2,30,", "\n.gz,2,1000,", "\n.mp4,1,3000,", "\n.weird,1,8,"})
        EXPECT_NE(csv.out.find(row), std::string::npos) << row << " in\n" << csv.out;
    for (const char* row : {",none\n", ",source_code\n", ",archives\n", ",video\n", ",other\n"})
        EXPECT_NE(csv.out.find(row), std::string::npos) << row << " in\n" << csv.out;

    struct Case {
        std::vector<std::string> args;
        std::string paths;   // the largest files listed, path,bytes per line
    };
    const std::string root = m_tree.Root();
    const Case cases[] = {
        {{"--category", "Video"}, root + "/a.mkv,5000\n" + root + "/b.MP4,3000\n"},
        {{"--category=archives,images"}, root + "/sub/f.tar.gz,900\n" + root + "/g.gz,100\n" + root + "/e.png,7\n"},
        {{"--category", "other", "--ext", ".pdf"}, root + "/i.pdf,40\n" + root + "/l.weird,8\n" + root + "/k.unknown,3\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--largest", "5", "--csv", root});
        const ChildResult result = RunChild(kProgram, args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::size_t list = result.out.find("\npath,bytes,mtime\n");
        ASSERT_NE(list, std::string::npos) << result.out;
        std::string paths;
        for (const std::string& line : Lines(result.out.substr(list + 18)))
            paths += line.substr(0, line.rfind(',')) + "\n";
        EXPECT_EQ(paths, c.paths) << c.args[0];
    }

    const ChildResult refused = RunChild(kProgram, {"--category", "films", "--largest", "1", root});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--category takes images, video"), std::string::npos) << refused.err;
    const ChildResult alone = RunChild(kProgram, {"--category", "video", root});
    EXPECT_EQ(alone.exitCode, 2) << alone.err;
}

} // namespace
