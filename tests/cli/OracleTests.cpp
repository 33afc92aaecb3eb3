// The oracle check: kestrum-scan's totals and per-extension groups against find, du and awk.
#include "ChildProcess.h"
#include "ShellOracle.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

using Groups = ExtGroups;

std::uint64_t JsonNumber(const std::string& json, const std::string& key)
{
    std::smatch match;
    if (!std::regex_search(json, match, std::regex("\"" + key + "\": ([0-9]+)")))
        return ~0ULL;
    return std::stoull(match[1]);
}

// Nested and hidden folders, hidden files, UTF-8 names, names without extension or ending in a
// dot, extensions in both cases, sparse files of up to 3 GB, and symbolic links (counted with
// their own size, never entered). Extensions are ASCII only: awk's tolower folds ASCII alone, so
// the oracle agrees with the Unicode folding of the tool exactly on these.
void BuildOracleTree(const TempTree& tree)
{
    const char* folders[] = {"docs", "docs/old", "docs/old/older", "docs/old/older/oldest", ".cache",
                             ".cache/x", "m\xC3\xBCsic", "\xE6\x97\xA5\xE6\x9C\xAC", "empty", "deep"};
    for (const char* folder : folders)
        ASSERT_TRUE(tree.MakeFolder(folder)) << folder;
    std::string deep = "deep";
    for (int level = 0; level < 12; ++level) {
        deep += "/l" + std::to_string(level);
        ASSERT_TRUE(tree.MakeFolder(deep));
        ASSERT_TRUE(tree.MakeFile(deep + "/f" + std::to_string(level) + (level % 2 ? ".Log" : ".log"), level * 100));
    }
    const std::pair<std::string, std::uint64_t> files[] = {
        {"Makefile", 120}, {".bashrc", 33}, {"report.TXT", 4096}, {"docs/notes.txt", 17},
        {"docs/old/archive.tar.gz", 3'000'000'000ULL}, {"docs/old/older/Photo.JPG", 123'456},
        {"docs/old/older/oldest/photo.jpg", 654'321}, {"docs/old/trailing.", 9}, {".cache/x/.hidden", 1},
        {".cache/x/blob.BIN", 2'147'483'648ULL}, {"m\xC3\xBCsic/caf\xC3\xA9.Mp3", 5'000'000},
        {"m\xC3\xBCsic/na\xC3\xAFve.mp3", 4'000'000}, {"\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xA1\xA8.Csv", 77},
        {"\xE6\x97\xA5\xE6\x9C\xAC/README", 0}, {"docs/a.b.c.D", 1},
    };
    for (const auto& [name, size] : files)
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;
    for (int i = 0; i < 150; ++i)
        ASSERT_TRUE(tree.MakeFile("docs/old/n" + std::to_string(i) + (i % 3 ? ".dat" : ".DAT"), i * 37));
    ASSERT_TRUE(tree.MakeSymlink("docs/to-old.lnk", "old"));
    ASSERT_TRUE(tree.MakeSymlink("dangling", "nowhere/at/all"));
}

TEST(KestrumScanOracle, TotalsAndGroupsAgreeWithFindDuAndAwk)
{
    TempTree tree;
    ASSERT_FALSE(tree.Root().empty());
    BuildOracleTree(tree);
    if (HasFatalFailure())
        return;
    const std::string root = ShellQuoted(tree.Root());

    const std::uint64_t folders = ShellNumber("find " + root + " -mindepth 1 -type d | wc -l");
    const std::uint64_t files = ShellNumber("find " + root + " -mindepth 1 ! -type d | wc -l");
    const std::uint64_t bytes = ShellNumber("du -sbl " + root + " | cut -f1") - ShellNumber("stat -c %s " + root);
    const Groups groups = FindGroups(tree.Root(), false);
    ASSERT_GT(files, 150u);
    ASSERT_GE(groups.size(), 10u);

    // One walking thread, two, and eight (which may also share out the 150-file listing).
    for (const char* threads : {"1", "2", "8"}) {
        SCOPED_TRACE(std::string(threads) + " threads");
        const ChildResult json = RunChild(kProgram, {"--extensions-only", "--json", "--threads", threads, tree.Root()});
        ASSERT_EQ(json.exitCode, 0) << json.err;
        EXPECT_EQ(JsonNumber(json.out, "folders"), folders);
        EXPECT_EQ(JsonNumber(json.out, "files"), files);
        EXPECT_EQ(JsonNumber(json.out, "bytes"), bytes);

        const ChildResult csv = RunChild(kProgram, {"--extensions-only", "--csv", "--threads=" + std::string(threads), tree.Root()});
        ASSERT_EQ(csv.exitCode, 0) << csv.err;
        const std::string rows = csv.out.substr(csv.out.find('\n') + 1);
        std::uint64_t groupBytes = 0;
        for (const auto& [ext, group] : groups)
            groupBytes += group.second;
        Groups fromCsv;
        std::istringstream stream(rows);
        for (std::string line; std::getline(stream, line);) {
            std::istringstream fields(line);
            std::string ext, count, size, percent;
            ASSERT_TRUE(std::getline(fields, ext, ',') && std::getline(fields, count, ',') && std::getline(fields, size, ',')
                        && std::getline(fields, percent)) << line;
            fromCsv[ext] = {std::stoull(count), std::stoull(size)};
            EXPECT_EQ(std::stoull(percent), groups.count(ext) ? groups.at(ext).second * 100 / groupBytes : ~0ULL) << ext;
        }
        EXPECT_EQ(fromCsv, groups);
    }
}

} // namespace
