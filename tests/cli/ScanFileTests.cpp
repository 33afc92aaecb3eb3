// kestrum-scan reading scans back: --compare against find as the oracle, an ncdu export of a tree
// against a scan of the same tree, scans made with other walk choices refused, and every kind of
// bad scan file refused in one line.
#include "ChildProcess.h"
#include "HumanSize.h"
#include "ShellOracle.h"
#include "TempTree.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

using Groups = ExtGroups;

// What the scan counts as its bytes: every entry below the root, folders included.
std::uint64_t FindBytes(const std::string& root)
{
    return std::stoull(Shell("find " + ShellQuoted(root) + " -mindepth 1 -printf '%s\\n' | awk '{ s += $1 } END { printf \"%.0f\", s }'"));
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

TEST(KestrumScanCompare, ChangesAgreeWithFindBeforeAndAfter)
{
    TempTree tree, saved;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    for (const auto& [name, size] : std::map<std::string, std::uint64_t>{
             {"a.txt", 10}, {"b.TXT", 20}, {"c.log", 5}, {"d.tmp", 7}, {"README", 3}, {"sub/e.txt", 1}, {"sub/f.dat", 100}})
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;
    const Groups before = FindGroups(tree.Root());
    const std::uint64_t bytesBefore = FindBytes(tree.Root());
    const ChildResult first = RunChild(kProgram, {"--json", tree.Root()}, std::chrono::seconds(60));
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string old = saved.Path("old.json");
    WriteText(old, first.out);

    // Removed (b.TXT), an extension gone (.tmp), grown (f.dat), added (g.txt), a new extension
    // (.md) and the "(none)" row grown (LICENSE).
    ASSERT_EQ(unlink(tree.Path("b.TXT").c_str()), 0);
    ASSERT_EQ(unlink(tree.Path("d.tmp").c_str()), 0);
    ASSERT_TRUE(tree.MakeFile("sub/f.dat", 5000));
    ASSERT_TRUE(tree.MakeFile("sub/g.txt", 30));
    ASSERT_TRUE(tree.MakeFile("new.md", 50));
    ASSERT_TRUE(tree.MakeFile("LICENSE", 40));
    const Groups after = FindGroups(tree.Root());
    const std::uint64_t bytesAfter = FindBytes(tree.Root());
    ASSERT_EQ(before.count(".tmp"), 1u);
    ASSERT_EQ(after.count(".tmp"), 0u);
    ASSERT_EQ(after.count(".md"), 1u);
    ASSERT_EQ(after.count(""), 1u);

    const ChildResult compared = RunChild(kProgram, {"--json", "--compare", old, tree.Root()});
    ASSERT_EQ(compared.exitCode, 0) << compared.err;
    const nlohmann::json json = nlohmann::json::parse(compared.out);
    EXPECT_EQ(json["format"], 2);
    EXPECT_EQ(json["before"]["root"], tree.Root());
    std::uint64_t filesBefore = 0, filesAfter = 0;
    for (const auto& [ext, group] : before)
        filesBefore += group.first;
    for (const auto& [ext, group] : after)
        filesAfter += group.first;
    EXPECT_EQ(json["before"]["files"], filesBefore);
    EXPECT_EQ(json["files"], filesAfter);

    std::set<std::string> expected;
    for (const auto& [ext, group] : before)
        expected.insert(ext);
    for (const auto& [ext, group] : after)
        expected.insert(ext);
    std::set<std::string> seen;
    long double lastChange = 1e30L;
    for (const nlohmann::json& row : json["extensions"]) {
        const std::string ext = row["ext"];
        SCOPED_TRACE("row \"" + ext + "\"");
        seen.insert(ext);
        const auto now = after.count(ext) ? after.at(ext) : std::pair<std::uint64_t, std::uint64_t>{};
        const auto was = before.count(ext) ? before.at(ext) : std::pair<std::uint64_t, std::uint64_t>{};
        EXPECT_EQ(row["count"], now.first);
        EXPECT_EQ(row["bytes"], now.second);
        EXPECT_EQ(row["count_before"], was.first);
        EXPECT_EQ(row["bytes_before"], was.second);
        // The largest growth comes first.
        const long double change = static_cast<long double>(now.second) - static_cast<long double>(was.second);
        EXPECT_LE(change, lastChange);
        lastChange = change;
    }
    EXPECT_EQ(seen, expected);

    // The first line on standard error says what is compared and by how much it changed.
    const std::uint64_t grown = bytesAfter - bytesBefore;
    ASSERT_GT(bytesAfter, bytesBefore);
    const std::string since = FirstLine(compared.err);
    EXPECT_EQ(since.rfind("since " + tree.Root() + " on ", 0), 0u) << since;
    EXPECT_NE(since.find(" UTC: +" + std::to_string(filesAfter - filesBefore) + " files, +" +
                         HumanSize(grown, SizeStyle::Binary)),
              std::string::npos)
        << since;

    // The text table has the Change column; CSV the counts before. The largest files asked for
    // follow the table in every format, as they do without a comparison.
    const ChildResult text = RunChild(kProgram, {"--compare", old, "--largest", "1", tree.Root()});
    EXPECT_NE(text.out.find("Change"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("+4,900"), std::string::npos) << text.out;   // .dat grew by 4,900 bytes
    EXPECT_NE(text.out.find("\nLargest files:\n5,000  "), std::string::npos) << text.out;
    const ChildResult csv = RunChild(kProgram, {"--csv", "--compare", old, "--largest", "1", tree.Root()});
    EXPECT_EQ(FirstLine(csv.out), "ext,count,bytes,percent,category,count_before,bytes_before");
    EXPECT_NE(csv.out.find("\n.tmp,0,0,0,"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("\n\npath,bytes,mtime\n" + tree.Path("sub/f.dat") + ",5000,"), std::string::npos)
        << csv.out;
}

// ncdu writes names that are not UTF-8 byte for byte, which is not JSON: they are read as the
// walk names them all the same.
TEST(KestrumScanCompare, NcduExportReadsAsTheSameScan)
{
    TempTree tree, saved;
    for (const char* folder : {"docs", "docs/old", "m\xC3\xBCsic", "empty"})
        ASSERT_TRUE(tree.MakeFolder(folder)) << folder;
    for (const auto& [name, size] : std::map<std::string, std::uint64_t>{
             {"Makefile", 120}, {".bashrc", 33}, {"report.TXT", 4096}, {"docs/notes.txt", 17},
             {"docs/old/archive.tar.gz", 3'000'000'000ULL}, {"docs/old/Photo.JPG", 123'456}, {"docs/trailing.", 9},
             {"m\xC3\xBCsic/caf\xC3\xA9.Mp3", 5'000'000}, {"docs/latin.\xE9t\xE9", 3}, {"docs/odd\xff", 4}})
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;
    WriteText(tree.Path("docs/written.txt"), std::string(10000, 'x'));   // allocated bytes too
    ASSERT_EQ(link(tree.Path("docs/notes.txt").c_str(), tree.Path("docs/old/again.txt").c_str()), 0);
    ASSERT_TRUE(tree.MakeSymlink("docs/to-old.lnk", "old"));
    // Ten thousand entries: the export is read in more than one piece.
    ASSERT_TRUE(tree.MakeFolder("many"));
    for (int i = 0; i < 10000; ++i)
        ASSERT_TRUE(tree.MakeFile("many/n\xe9" + std::to_string(i) + (i % 2 ? ".\xe9" : ".d\xc3\xa9"), i % 5));

    const std::string exported = saved.Path("ncdu.json");
    const ChildResult ncdu = RunChild("/bin/sh", {"-c", "ncdu -o \"$1\" \"$2\" </dev/null", "sh", exported, tree.Root()});
    ASSERT_EQ(ncdu.exitCode, 0) << "ncdu (Debian package ncdu, see scripts/install-deps.sh) " << ncdu.err;

    const ChildResult compared = RunChild(kProgram, {"--json", "--compare", exported, tree.Root()});
    ASSERT_EQ(compared.exitCode, 0) << compared.err;
    // Only the line that says what is compared: same root, a finished scan, nothing changed.
    EXPECT_EQ(compared.err.find('\n'), compared.err.size() - 1) << compared.err;
    EXPECT_NE(compared.err.find(": +0 files, 0 B"), std::string::npos) << compared.err;
    const nlohmann::json json = nlohmann::json::parse(compared.out);
    for (const char* total : {"folders", "files", "bytes", "disk_bytes"})
        EXPECT_EQ(json["before"][total], json[total]) << total;
    EXPECT_GE(json["extensions"].size(), 7u);
    for (const nlohmann::json& row : json["extensions"]) {
        SCOPED_TRACE(row.dump());
        EXPECT_EQ(row["count_before"], row["count"]);
        EXPECT_EQ(row["bytes_before"], row["bytes"]);
        EXPECT_EQ(row["disk_bytes_before"], row["disk_bytes"]);
    }
}

TEST(KestrumScanCompare, RefusesOtherWalkChoicesAndWarnsOfOtherRootsAndUnfinishedScans)
{
    TempTree tree, other, saved;
    ASSERT_TRUE(tree.MakeFile("a.log", 5));
    ASSERT_TRUE(other.MakeFile("a.log", 5));
    const struct {
        std::vector<std::string> oldArguments;   // how the saved scan was made
        bool bOtherRoot;                         // of the other folder
        bool bStopped;                           // its ending edited to "stopped"
        int exitCode;
        const char* line;                        // a line expected on standard error
    } cases[] = {
        {{"--exclude=*.tmp"}, false, false, 2, "kestrum-scan: the two scans were made with different --exclude; their counts cannot be compared"},
        {{"-x"}, false, false, 2, "kestrum-scan: the two scans were made with different --one-file-system; their counts cannot be compared"},
        {{"--links-once"}, false, false, 2, "kestrum-scan: the two scans were made with different --links-once; their counts cannot be compared"},
        {{}, true, false, 0, "is a scan of "},
        {{}, false, true, 0, "did not finish (stopped)"},
    };
    for (const auto& c : cases) {
        const std::string root = c.bOtherRoot ? other.Root() : tree.Root();
        SCOPED_TRACE(c.line);
        std::vector<std::string> arguments = c.oldArguments;
        arguments.insert(arguments.end(), {"--json", root});
        ChildResult first = RunChild(kProgram, arguments);
        ASSERT_EQ(first.exitCode, 0) << first.err;
        if (c.bStopped) {
            const std::size_t at = first.out.find("\"finished\"");
            ASSERT_NE(at, std::string::npos);
            first.out.replace(at, 10, "\"stopped\"");
        }
        WriteText(saved.Path("old.json"), first.out);
        const ChildResult compared = RunChild(kProgram, {"--compare", saved.Path("old.json"), tree.Root()});
        EXPECT_EQ(compared.exitCode, c.exitCode) << compared.err;
        EXPECT_NE(compared.err.find(c.line), std::string::npos) << compared.err;
        if (c.exitCode != 0) {
            EXPECT_EQ(compared.out, "");
            EXPECT_EQ(compared.err, std::string(c.line) + "\n");
        }
    }
}

TEST(KestrumScanCompare, RefusesEveryBadScanFileInOneLine)
{
    TempTree files, tree;
    ASSERT_TRUE(tree.MakeFile("a.txt", 1));
    const std::string good = R"({"root": "/r", "folders": 0, "files": 1, "bytes": 1, "extensions": [{"ext": ".a", "count": 1, "bytes": 1}]})";
    ASSERT_TRUE(files.MakeFile("big.json", 2'000'000'000ULL));   // sparse: costs no disk
    ASSERT_TRUE(files.MakeFolder("folder.json"));
    WriteText(files.Path("locked.json"), good);
    ASSERT_EQ(chmod(files.Root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(files.Path("locked.json").c_str(), 0600), 0);
    const bool bRoot = geteuid() == 0;

    const struct {
        const char* name;        // in `files`, or a path of its own
        const char* text;        // written there unless null
        const char* fault;       // what the line says after the file's name
        const char* newFault;    // in NEW's place, when it says something else there (null: the same)
    } cases[] = {
        {"text.json", "hello", "not valid JSON (it breaks off or goes wrong at byte 1)", nullptr},
        {"cut.json", R"({"root": "/r", "folders": 0, "files": 1, "bytes": 1, "extensions": [{"ext": ".a", "co)",
         "not valid JSON (it breaks off or goes wrong at byte 86)", nullptr},
        {"type.json", R"({"root": "/r", "files": "1", "bytes": 1, "extensions": []})", "/files is missing, of the wrong type or out of range", nullptr},
        {"huge.json", R"({"root": "/r", "files": 1, "bytes": 18446744073709551616, "extensions": []})", "/bytes is missing", nullptr},
        {"negative.json", R"({"root": "/r", "files": 1, "bytes": 1, "extensions": [{"ext": ".a", "count": -1, "bytes": 1}]})",
         "/extensions/0/count is missing", nullptr},
        {"fraction.json", R"({"root": "/r", "files": 1.5, "bytes": 1, "extensions": []})", "/files is missing", nullptr},
        {"twice.json", R"({"root": "/r", "files": 2, "bytes": 2, "extensions": [{"ext": ".TXT", "count": 1, "bytes": 1}, {"ext": ".txt", "count": 1, "bytes": 1}]})",
         "the extension .txt is listed twice", nullptr},
        {"none-twice.json", R"({"root": "/r", "files": 2, "bytes": 2, "extensions": [{"ext": "", "count": 1, "bytes": 1}, {"ext": "", "count": 1, "bytes": 1}]})",
         "the extension (none) is listed twice", nullptr},
        {"not-an-ext.json", R"({"root": "/r", "files": 1, "bytes": 1, "extensions": [{"ext": ".tar.gz", "count": 1, "bytes": 1}]})",
         "/extensions/0/ext is missing", nullptr},
        {"no-rows.json", R"({"root": "/r", "files": 1, "bytes": 1, "categories": []})", "/extensions is missing", nullptr},
        {"newer.json", R"({"format": 3, "root": "/r", "files": 1, "bytes": 1, "extensions": []})", "/format is missing", nullptr},
        {"number.json", "42", "/ is missing", nullptr},
        {"ncdu-major.json", R"([2, 0, {"progname": "ncdu"}, [{"name": "/"}]])", "/0 is missing", nullptr},
        {"ncdu-short.json", R"([1, 0, {"progname": "ncdu"}])", "/3 is missing", nullptr},
        {"ncdu-size.json", R"([1, 0, {}, [{"name": "/"}, {"name": "a", "asize": "9"}]])", "/3/1/asize is missing", nullptr},
        {"ncdu-slash.json", R"([1, 0, {}, [{"name": "/"}, {"name": "a/b.txt"}]])", "/3/1/name is missing", nullptr},
        {"folder.json", nullptr, "Is a directory", nullptr},
        {"big.json", nullptr, "File too large", nullptr},
        {"/dev/zero", nullptr, "not valid JSON", "is neither a folder nor a regular file"},
        {"missing.json", nullptr, "No such file or directory", nullptr},
    };
    for (const auto& c : cases) {
        const std::string path = c.name[0] == '/' ? c.name : files.Path(c.name);
        SCOPED_TRACE(path);
        if (c.text)
            WriteText(path, c.text);
        // As the saved scan, and as the later one: both are read the same way.
        for (bool bAsNew : {false, true}) {
            if (bAsNew && !c.newFault && (!c.text || std::string(c.name) == "folder.json"))
                continue;   // a folder in NEW's place is scanned, and a missing one is a folder's error
            const std::vector<std::string> arguments =
                bAsNew ? std::vector<std::string>{"--compare", files.Path("locked.json"), path}
                       : std::vector<std::string>{"--compare", path, tree.Root()};
            const ChildResult run = RunChild(kProgram, arguments);
            EXPECT_EQ(run.exitCode, 1) << run.err;
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
            EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(bAsNew && c.newFault ? c.newFault : c.fault), std::string::npos) << run.err;
        }
    }

    // A file another user cannot read.
    if (!bRoot)
        GTEST_SKIP() << "needs root to run the program as another user (CI runs as root)";
    const ChildResult locked = RunChild("/usr/bin/setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", kProgram,
                                                             "--compare", files.Path("locked.json"), "/"});
    EXPECT_EQ(locked.exitCode, 1) << locked.err;
    EXPECT_EQ(locked.out, "");
    EXPECT_EQ(locked.err, "kestrum-scan: cannot read " + files.Path("locked.json") + ": Permission denied\n");
}

} // namespace
