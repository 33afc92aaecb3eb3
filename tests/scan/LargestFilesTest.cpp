// The largest files a walk keeps, compared with a plain oracle: every file below the root listed
// by nftw, filtered by extension, sorted by size (equal sizes by path) and cut to the count.
#include "ScanInfo.h"
#include "ScanJob.h"
#include "ScanRun.h"
#include "TempTree.h"
#include "TopFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Row = std::tuple<std::string, std::uint64_t, std::int64_t>;   // path, bytes, mtime

std::vector<Row> Rows(const std::vector<LargestFile>& files)
{
    std::vector<Row> rows;
    for (const LargestFile& file : files)
        rows.emplace_back(file.path, file.bytes, file.mtime);
    return rows;
}

// Everything that is not a folder, links included (they are files of their own size).
std::vector<Row>* g_pListed = nullptr;

int ListEntry(const char* path, const struct stat* status, int type, FTW*)
{
    if (type != FTW_D && type != FTW_DP)
        g_pListed->emplace_back(path, static_cast<std::uint64_t>(status->st_size), status->st_mtime);
    return 0;
}

// The extension as the oracle sees it: from the last "." of the name, ASCII letters lowered (the
// tree's mixed-case extensions are ASCII), "" when the name has no ".".
std::string OracleExtension(const std::string& path)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    for (char& c : extension)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return extension;
}

std::vector<Row> Oracle(const std::string& root, const std::vector<std::string>& lowered, std::size_t count)
{
    std::vector<Row> listed;
    g_pListed = &listed;
    EXPECT_EQ(nftw(root.c_str(), ListEntry, 16, FTW_PHYS), 0);
    std::erase_if(listed, [&](const Row& row) {
        return !lowered.empty() && std::find(lowered.begin(), lowered.end(), OracleExtension(std::get<0>(row)))
            == lowered.end();
    });
    std::sort(listed.begin(), listed.end(), [](const Row& a, const Row& b) {
        return std::get<1>(a) != std::get<1>(b) ? std::get<1>(a) > std::get<1>(b) : std::get<0>(a) < std::get<0>(b);
    });
    listed.resize(std::min(count, listed.size()));
    return listed;
}

bool MakeFileAt(const TempTree& tree, const std::string& relative, std::uint64_t size, std::int64_t mtime)
{
    if (!tree.MakeFile(relative, size))
        return false;
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    return utimensat(AT_FDCWD, tree.Path(relative).c_str(), times, 0) == 0;
}

// Ties across folders (many files of one size), mixed-case extensions, files without one, odd
// names, a link, and enough folders for eight threads to share the walk.
bool MakeOracleTree(const TempTree& tree)
{
    const char* folders[] = {"a", "b", "c", "c/d", "odd\nfolder", "bad\xFF" "dir", ".hidden"};
    for (const char* folder : folders) {
        if (!tree.MakeFolder(folder))
            return false;
    }
    struct File {
        const char* path;
        std::uint64_t size;
    };
    const File files[] = {
        {"top.iso", 100},        {"a/x.iso", 100},          {"b/y.ISO", 100},       {"c/d/z.Iso", 100},
        {"a/disk.img", 300},     {"b/DISK.IMG", 300},       {"c/small.img", 50},    {"README", 100},
        {"a/Makefile", 300},     {"b/noext", 0},            {"empty.iso", 0},       {".bashrc", 100},
        {"a/.bashrc", 300},      {"new\nline.iso", 100},    {"odd\nfolder/f.iso", 200},
        {"bad\xFF\xFE" ".iso", 200}, {"bad\xFF" "dir/q.img", 200}, {".hidden/h.txt", 300}, {"name.", 100},
        {"c/archive.tar.gz", 5000000000ULL},                {"c/d/notes.txt", 7},
    };
    std::int64_t mtime = 1600000000;
    for (const File& file : files) {
        if (!MakeFileAt(tree, file.path, file.size, ++mtime))
            return false;
    }
    // Many folders of a few files each, sizes repeating so that ties cross folders and threads.
    for (int i = 0; i < 40; ++i) {
        const std::string folder = "many/" + std::to_string(i);
        if ((i == 0 && !tree.MakeFolder("many")) || !tree.MakeFolder(folder))
            return false;
        const char* names[] = {"p.iso", "q.img", "r", "s.txt"};
        for (int j = 0; j < 4; ++j) {
            if (!MakeFileAt(tree, folder + "/" + names[j], static_cast<std::uint64_t>((i * 7 + j * 3) % 5) * 100, ++mtime))
                return false;
        }
    }
    return tree.MakeSymlink("b/link.iso", "../top.iso");
}

struct QueryCase {
    const char* what;
    std::size_t count;
    std::vector<std::string> extensions;   // as typed
    std::vector<std::string> lowered;      // the same for the oracle
    bool bTrailingSlash = false;           // the root typed with a trailing "/"
};

TEST(LargestFilesTest, TopFilesMatchASortOfAllFiles)
{
    TempTree tree;
    ASSERT_TRUE(MakeOracleTree(tree));
    const QueryCase cases[] = {
        {"every file", 25, {}, {}},
        {"one extension, mixed case", 6, {".iso"}, {".iso"}},
        {"two extensions", 9, {".ISO", ".img"}, {".iso", ".img"}},
        {"files without an extension", 4, {""}, {""}},
        {"a leading dot is an extension", 3, {".BASHRC"}, {".bashrc"}},
        {"a trailing dot", 3, {"."}, {"."}},
        {"typed without its dot", 5, {"img"}, {".img"}},
        {"more wanted than there are", 100000, {}, {}},
        {"the single largest", 1, {}, {}},
        {"the single largest of a tied size", 1, {".iso"}, {".iso"}},
        {"none wanted", 0, {".iso"}, {".iso"}},
        {"root typed with a trailing slash", 12, {".iso", ""}, {".iso", ""}, true},
    };
    const std::vector<Row> everything = Oracle(tree.Root(), {}, 100000);
    ASSERT_GT(everything.size(), 180u);
    for (const QueryCase& query : cases) {
        const std::vector<Row> expected = Oracle(tree.Root(), query.lowered, query.count);
        for (const std::size_t threads : {1, 8}) {
            SCOPED_TRACE(std::string(query.what) + ", threads " + std::to_string(threads));
            FolderWalkOptions options;
            options.threads = threads;
            options.largest.count = query.count;
            options.largest.extensions = query.extensions;
            SCANINFO scan;
            ScanJob job(scan);
            ASSERT_TRUE(job.Prepare(tree.Root() + (query.bTrailingSlash ? "/" : "")));
            job.RunHere(options);
            ASSERT_TRUE(job.IsDone());
            EXPECT_EQ(Rows(job.LargestSoFar()), expected);
            const ScanResult result = job.TakeResult();
            EXPECT_EQ(Rows(result.Largest()), expected);
            // Keeping the largest files changes no count.
            EXPECT_EQ(result.Counters().nFiles, everything.size());
            EXPECT_TRUE(result.Counters().IsComplete());
        }
    }
}

TEST(LargestFilesTest, RootThatIsAFileIsItsOwnLargestFile)
{
    TempTree tree;
    ASSERT_TRUE(MakeFileAt(tree, "one.ISO", 42, 1700000000));
    const struct {
        std::vector<std::string> extensions;
        std::vector<Row> expected;
    } cases[] = {
        {{}, {{tree.Path("one.ISO"), 42, 1700000000}}},
        {{".iso"}, {{tree.Path("one.ISO"), 42, 1700000000}}},
        {{".img", ""}, {}},
    };
    for (const auto& query : cases) {
        FolderWalkOptions options;
        options.largest.count = 5;
        options.largest.extensions = query.extensions;
        SCANINFO scan;
        ScanJob job(scan);
        ASSERT_TRUE(job.Prepare(tree.Path("one.ISO")));
        job.RunHere(options);
        EXPECT_EQ(Rows(job.TakeResult().Largest()), query.expected);
    }
}

// One thread's list fed by hand: each case a run of files offered (folders, name, size), then
// everything merged into the scan's list.
TEST(LargestFilesTest, TiesAndEvictionsOfOneThread)
{
    struct Offered {
        std::vector<std::string_view> folders;
        std::string_view name;
        std::uint64_t bytes;
    };
    const struct {
        const char* what;
        std::size_t count;
        std::vector<std::string> extensions;
        std::vector<Offered> offered;
        std::vector<std::string> expected;   // paths, largest first
    } cases[] = {
        {"a larger file pushes out the smallest", 2, {},
         {{{"R"}, "a", 1}, {{"R"}, "b", 2}, {{"R"}, "c", 3}}, {"R/c", "R/b"}},
        {"of equal sizes the path sorting first stays", 1, {},
         {{{"R"}, "b", 5}, {{"R", "a"}, "z", 5}, {{"R"}, "c", 5}}, {"R/a/z"}},
        {"a path that extends the kept one sorts after it", 1, {},
         {{{"R"}, "a", 5}, {{"R", "a"}, "b", 5}}, {"R/a"}},
        {"a path that the kept one extends sorts first", 1, {},
         {{{"R", "a"}, "b", 5}, {{"R"}, "a", 5}}, {"R/a"}},
        {"bytes above 127 sort after ASCII", 1, {},
         {{{"R"}, "\xC3\xA9", 5}, {{"R"}, "z", 5}}, {"R/z"}},
        {"a root typed with a trailing slash gets no second one", 1, {},
         {{{"R/"}, "0", 5}, {{"R/", "a"}, "x", 5}}, {"R/0"}},
        {"the file-system root", 2, {}, {{{""}, "vmlinuz", 9}, {{"", "boot"}, "initrd.img", 8}},
         {"/vmlinuz", "/boot/initrd.img"}},
        {"only the extensions asked for", 3, {".TXT", ""},
         {{{"R"}, "a.txt", 1}, {{"R"}, "b.bin", 9}, {{"R"}, "Makefile", 2}, {{"R"}, "c.Txt", 3}},
         {"R/c.Txt", "R/Makefile", "R/a.txt"}},
        {"entries pushed out before any merge are not merged", 2, {},
         {{{"R"}, "a", 1}, {{"R"}, "b", 2}, {{"R"}, "c", 3}, {{"R"}, "d", 4}, {{"R"}, "e", 0}}, {"R/d", "R/c"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        SCANINFO scan;
        const LargestFilesQuery query{test.count, test.extensions, {}, nullptr};
        {
            TopFiles top(scan, query);
            for (const Offered& file : test.offered) {
                if (top.MayEnter(file.name, file.bytes))
                    top.Offer(file.name, file.bytes, 0, file.folders);
            }
            top.Merge(true);
        }
        std::vector<LargestFile> merged = scan.largest;
        TopFiles::SortLargestFirst(merged);
        std::vector<std::string> paths;
        for (const LargestFile& file : merged)
            paths.push_back(file.path);
        EXPECT_EQ(paths, test.expected);
    }
}

} // namespace
