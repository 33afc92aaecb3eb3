// kestrum-scan past one folder: --files0-from against find and du, the split-and-merge recipe run
// with GNU parallel against one scan of the whole folder, a merge of a Kestrum part with an ncdu
// part, and the parts a merge refuses.
#include "ChildProcess.h"
#include "ShellOracle.h"
#include "TempTree.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// ext -> count, bytes, from the "extensions" of kestrum-scan's JSON.
using Groups = ExtGroups;

Groups JsonGroups(const nlohmann::json& json)
{
    Groups groups;
    for (const nlohmann::json& row : json["extensions"])
        groups[row["ext"]] = {row["count"], row["bytes"]};
    return groups;
}

// Folders, files in several, a link to a folder and a dangling one, equal sizes (so that the
// largest files tie at any cut), names with spaces and newlines.
void BuildTree(const TempTree& tree)
{
    for (const char* folder : {"docs", "docs/old", "media", "media/raw", "empty", "with space", "odd\nname"})
        ASSERT_TRUE(tree.MakeFolder(folder)) << folder;
    const std::pair<std::string, std::uint64_t> files[] = {
        {"Makefile", 120}, {"top.TXT", 4096}, {"docs/notes.txt", 17}, {"docs/old/a.tar.gz", 3'000'000},
        {"media/one.JPG", 5000}, {"media/two.jpg", 5000}, {"media/raw/three.jpg", 5000}, {"media/raw/four.Jpg", 5000},
        {"with space/five.jpg", 5000}, {"odd\nname/six.jpg", 5000}, {"docs/old/seven", 5000}, {"tail.", 9},
    };
    for (const auto& [name, size] : files)
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;
    for (int i = 0; i < 120; ++i)
        ASSERT_TRUE(tree.MakeFile("docs/n" + std::to_string(i) + (i % 2 ? ".dat" : ".DAT"), i * 13));
    ASSERT_TRUE(tree.MakeSymlink("media.lnk", "media"));
    ASSERT_TRUE(tree.MakeSymlink("dangling", "nowhere/at/all"));
}

// The scan's JSON without what says where and when it ran: the rest must be equal.
nlohmann::json Counts(const std::string& text)
{
    nlohmann::json json = nlohmann::json::parse(text);
    for (const char* key : {"program", "started", "seconds", "host", "parts", "roots"})
        json.erase(key);
    return json;
}

// Every entry of the folder named once, and besides an empty name, one that does not exist and
// one named twice: the totals are find's and du's, each gap counted and named.
TEST(KestrumScanFilesFrom, CountsTheNamesAsFindAndDuDo)
{
    TempTree tree, lists;
    BuildTree(tree);
    if (HasFatalFailure())
        return;
    const std::string root = ShellQuoted(tree.Root());
    // Counted as characters, not lines: one name holds a newline.
    const std::uint64_t folders = ShellNumber("find " + root + " -mindepth 1 -type d -printf . | wc -c");
    const std::uint64_t files = ShellNumber("find " + root + " -mindepth 1 ! -type d -printf . | wc -c");
    const std::uint64_t bytes = ShellNumber("du -sbl " + root + " | cut -f1") - ShellNumber("stat -c %s " + root);
    const std::string list = lists.Path("list");
    const std::string missing = tree.Path("not-there.txt");
    Shell("find " + root + " -mindepth 1 -maxdepth 1 -print0 > " + ShellQuoted(list) + "; printf '\\0%s\\0%s\\0' " +
          ShellQuoted(missing) + " " + ShellQuoted(tree.Path("top.TXT")) + " >> " + ShellQuoted(list));
    // The empty name follows the entries of the folder: it is named by its place in the list.
    const std::string emptyAt = list + ":" + std::to_string(ShellNumber("find " + root + " -mindepth 1 -maxdepth 1 -printf . | wc -c") + 1);

    for (const char* threads : {"1", "8"}) {
        SCOPED_TRACE(std::string(threads) + " threads");
        const ChildResult run = RunChild(kProgram, {"--json", "-j", threads, "--files0-from", list});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json json = nlohmann::json::parse(run.out);
        EXPECT_EQ(json["root"], tree.Root());
        EXPECT_EQ(json["folders"], folders);
        EXPECT_EQ(json["files"], files);
        EXPECT_EQ(json["bytes"], bytes);
        EXPECT_EQ(JsonGroups(json), FindGroups(tree.Root()));
        EXPECT_EQ(json["not_found"], 1);
        EXPECT_EQ(json["repeated"], 1);
        EXPECT_EQ(json["empty_name"], 1);
        EXPECT_EQ(json["problems"], nlohmann::json::parse(R"([{"path": ")" + missing +
                                                          R"(", "kind": "not_found", "reason": "No such file or directory"}, {"path": ")" +
                                                          tree.Path("top.TXT") + R"(", "kind": "repeated", "reason": ""}, {"path": ")" +
                                                          emptyAt + R"(", "kind": "empty_name", "reason": ""}])"));
        EXPECT_NE(run.err.find("kestrum-scan: cannot access '" + missing + "': No such file or directory\n"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("'" + tree.Path("top.TXT") + "' is named again"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("kestrum-scan: " + emptyAt + ": invalid zero-length file name\n"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("1 name in the list could not be found; 1 name in the list was given again and counted once; "
                               "1 name in the list was empty\n"), std::string::npos) << run.err;
    }

    // The same list on standard input, relative names: the root is the folder they share.
    const ChildResult piped = RunChild("/bin/sh", {"-c", "cd \"$1\" && find . -mindepth 1 -maxdepth 1 -print0 | \"$2\" --json --files0-from -",
                                                   "sh", tree.Root(), kProgram});
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    const nlohmann::json json = nlohmann::json::parse(piped.out);
    EXPECT_EQ(json["root"], ".");
    EXPECT_EQ(json["files"], files);
    EXPECT_EQ(json["bytes"], bytes);
}

// find's entries of the folder split into lists, each counted by its own run under GNU parallel,
// the parts merged: the same table, totals and largest files as one scan of the folder, in text
// and in JSON, whatever the number of parts and threads.
TEST(KestrumScanMerge, SplitPartsMergeToTheScanOfTheWhole)
{
    TempTree tree, work;
    BuildTree(tree);
    if (HasFatalFailure())
        return;
    ASSERT_EQ(Shell("parallel --version >/dev/null 2>&1 && echo yes"), "yes\n")
        << "GNU parallel (Debian package parallel, see scripts/install-deps.sh)";
    const std::string program = ShellQuoted(kProgram);
    for (const char* parts : {"1", "3"}) {
        for (const char* threads : {"1", "8"}) {
            SCOPED_TRACE(std::string(parts) + " parts, " + threads + " threads");
            const std::string dir = ShellQuoted(work.Path(std::string("p") + parts + "t" + threads));
            const std::string options = std::string(" --largest 4 -j ") + threads;
            const ChildResult split = RunChild("/bin/sh", {"-c",
                "set -e; mkdir " + dir + "; cd " + dir + "; find " + ShellQuoted(tree.Root()) + " -mindepth 1 -maxdepth 1 -print0 | "
                "split -t '\\0' -n r/" + parts + " - list_; ls list_* | parallel --will-cite -j 2 " + program + " --json" +
                options + " --files0-from {} '>' {}.json; " + program + " --merge --json" + options + " list_*.json > merged.json; " +
                program + " --merge --on-disk -h" + options + " list_*.json"});
            ASSERT_EQ(split.exitCode, 0) << split.err;
            const ChildResult whole = RunChild(kProgram, {"--json", "--largest", "4", "-j", threads, tree.Root()});
            const ChildResult wholeText = RunChild(kProgram, {"--on-disk", "-h", "--largest", "4", "-j", threads, tree.Root()});
            ASSERT_EQ(whole.exitCode, 0) << whole.err;
            std::ifstream merged(work.Path(std::string("p") + parts + "t" + threads + "/merged.json"));
            const std::string mergedText((std::istreambuf_iterator<char>(merged)), std::istreambuf_iterator<char>());
            EXPECT_EQ(Counts(mergedText), Counts(whole.out));
            EXPECT_EQ(nlohmann::json::parse(mergedText)["parts"].size(), std::stoul(parts));
            EXPECT_EQ(split.out, wholeText.out);
        }
    }
}

// A Kestrum scan of one folder and an ncdu export of another: the merge is their sum, row by row.
TEST(KestrumScanMerge, KestrumPartAndNcduPartAddUp)
{
    TempTree first, second, saved;
    ASSERT_TRUE(first.MakeFolder("sub"));
    ASSERT_TRUE(first.MakeFile("a.txt", 10));
    ASSERT_TRUE(first.MakeFile("sub/b.log", 300));
    ASSERT_TRUE(first.MakeFile("README", 7));
    ASSERT_TRUE(second.MakeFolder("deep"));
    ASSERT_TRUE(second.MakeFolder("deep/er"));
    ASSERT_TRUE(second.MakeFile("c.TXT", 20));
    ASSERT_TRUE(second.MakeFile("deep/er/d.iso", 4000));
    ASSERT_TRUE(second.MakeFile("deep/NOTES", 5));
    const ChildResult kestrum = RunChild(kProgram, {"--json", first.Root()});
    ASSERT_EQ(kestrum.exitCode, 0) << kestrum.err;
    WriteText(saved.Path("first.json"), kestrum.out);
    const ChildResult ncdu = RunChild("/bin/sh", {"-c", "ncdu -o \"$1\" \"$2\" </dev/null", "sh", saved.Path("second.json"), second.Root()});
    ASSERT_EQ(ncdu.exitCode, 0) << "ncdu (Debian package ncdu) " << ncdu.err;
    const ChildResult other = RunChild(kProgram, {"--json", second.Root()});
    ASSERT_EQ(other.exitCode, 0) << other.err;

    const ChildResult merged = RunChild(kProgram, {"--merge", "--json", saved.Path("first.json"), saved.Path("second.json")});
    ASSERT_EQ(merged.exitCode, 0) << merged.err;
    EXPECT_EQ(merged.err, "");
    const nlohmann::json json = nlohmann::json::parse(merged.out);
    const nlohmann::json a = nlohmann::json::parse(kestrum.out), b = nlohmann::json::parse(other.out);
    for (const char* total : {"folders", "files", "bytes", "disk_bytes"})
        EXPECT_EQ(json[total], a[total].get<std::uint64_t>() + b[total].get<std::uint64_t>()) << total;
    Groups sum = JsonGroups(a);
    for (const auto& [ext, group] : JsonGroups(b)) {
        sum[ext].first += group.first;
        sum[ext].second += group.second;
    }
    EXPECT_EQ(JsonGroups(json), sum);
    EXPECT_EQ(json["roots"], nlohmann::json::array({first.Root(), second.Root()}));
    EXPECT_EQ(json["parts"], nlohmann::json::array({saved.Path("first.json"), saved.Path("second.json")}));
    const std::string root = json["root"];
    EXPECT_TRUE(first.Root().starts_with(root + "/") && second.Root().starts_with(root + "/")) << root;
}

// Parts made with other walk choices, parts that cannot be read and a part cut short: one line
// each, naming the file; nothing on standard output unless the parts could all be read.
TEST(KestrumScanMerge, RefusesPartsItCannotMerge)
{
    TempTree tree, saved;
    ASSERT_TRUE(tree.MakeFile("a.log", 5));
    const ChildResult plain = RunChild(kProgram, {"--json", tree.Root()});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const std::string good = saved.Path("good.json");
    WriteText(good, plain.out);
    std::string stopped = plain.out;
    stopped.replace(stopped.find("\"finished\""), 10, "\"stopped\"");
    WriteText(saved.Path("stopped.json"), stopped);
    WriteText(saved.Path("cut.json"), plain.out.substr(0, 40));
    // The same part under another name would count its files twice.
    ASSERT_EQ(symlink(good.c_str(), saved.Path("again.json").c_str()), 0);

    const struct {
        std::vector<std::string> partArguments;   // how the second part was made; empty: see file
        std::string file;                         // the second part when it is not made
        int exitCode;
        std::string line;                         // the one line on standard error
        bool bOutput;                             // a table is still written
    } cases[] = {
        {{"--exclude=*.tmp"}, "", 2, "different --exclude than ", false},
        {{"-x"}, "", 2, "different --one-file-system than ", false},
        {{"--links-once"}, "", 2, "different --links-once than ", false},
        {{}, "cut.json", 1, ": not valid JSON (it breaks off or goes wrong at byte 41)", false},
        {{}, "gone.json", 1, ": No such file or directory", false},
        {{}, "stopped.json", 1, "did not finish (stopped); the merge covers only what was walked", true},
        {{}, "again.json", 0, " is the same file as " + good + "; merged once", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string part = c.file.empty() ? saved.Path("made.json") : saved.Path(c.file);
        if (c.file.empty()) {
            std::vector<std::string> arguments = c.partArguments;
            arguments.insert(arguments.end(), {"--json", tree.Root()});
            const ChildResult made = RunChild(kProgram, arguments);
            ASSERT_EQ(made.exitCode, 0) << made.err;
            WriteText(part, made.out);
        }
        const ChildResult merged = RunChild(kProgram, {"--merge", good, part});
        EXPECT_EQ(merged.exitCode, c.exitCode) << merged.err;
        EXPECT_EQ(std::count(merged.err.begin(), merged.err.end(), '\n'), 1) << merged.err;
        EXPECT_NE(merged.err.find(part), std::string::npos) << merged.err;
        EXPECT_NE(merged.err.find(c.line), std::string::npos) << merged.err;
        EXPECT_EQ(merged.out.empty(), !c.bOutput) << merged.out;
    }
    const ChildResult once = RunChild(kProgram, {"--json", "--merge", good, saved.Path("again.json")});
    EXPECT_EQ(nlohmann::json::parse(once.out)["files"], 1) << once.out;
}

} // namespace
