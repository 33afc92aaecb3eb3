// A list of names read in batches and walked as one folder's entries: the folder the names share,
// names that cross the reads, and a walk of a folder's entries by name that counts what the walk
// of the folder counts, with 1, 2 and 8 threads sharing the names (under ThreadSanitizer too).
#include "NameList.h"
#include "ScanRun.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(NameListTest, FolderTheNamesShare)
{
    const struct {
        const char* a;
        const char* b;
        const char* common;   // of the folders a and b lie in
    } cases[] = {
        {"/srv/x/a", "/srv/x/b", "/srv/x"},
        {"/srv/x/a", "/srv/y/b", "/srv"},
        {"/srv/xa/a", "/srv/x/b", "/srv"},     // whole names only: not "/srv/x"
        {"/a", "/b", "/"},
        {"/srv/x/a", "/b", "/"},
        {"dir/a", "dir/sub/b", "dir"},
        {"dir/a", "other/b", "."},
        {"a", "b", "."},
        {"dir/a/", "dir/b//", "dir"},          // trailing slashes do not count
        {"dir/a", "/dir/a", ""},               // relative and absolute: no folder holds both
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " + " + c.b);
        EXPECT_EQ(NameList::CommonOf(NameList::FolderOf(c.a), NameList::FolderOf(c.b)), c.common);
    }
}

// The entries of every batch, read back as names.
std::vector<std::string> ReadAll(NameList& names)
{
    std::vector<std::string> read;
    std::string entries;
    while (names.Refill(entries, 64 * 1024)) {
        for (std::size_t at = 0; at < entries.size();) {
            const char type = entries[at];
            const std::string text = entries.c_str() + at + 1;
            EXPECT_TRUE(type == '\0' || type == NameList::kEmptyName) << static_cast<int>(type);
            read.push_back(type == NameList::kEmptyName ? "#" + text : text);   // the type is unknown
            at += 1 + text.size() + 1;
        }
        entries.clear();
    }
    return read;
}

TEST(NameListTest, NamesCrossTheReadsAndTheLastNeedsNoNul)
{
    std::vector<std::string> written;
    std::string text;
    for (int i = 0; text.size() < 700 * 1024; ++i) {
        written.push_back("/base/d" + std::to_string(i % 7) + "/" + std::string(i % 300, 'x') + std::to_string(i));
        text += written.back() + '\0';
        if (i % 1000 == 0) {
            written.push_back("#" + std::to_string(written.size() + 1));   // an empty name: its place
            text += '\0';
        }
    }
    written.push_back("/base/last");
    text += written.back();
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    std::thread writer([&] {
        for (std::size_t at = 0; at < text.size();) {
            const ssize_t length = write(pipeFds[1], text.data() + at, std::min<std::size_t>(text.size() - at, 4093));
            if (length <= 0)
                break;
            at += static_cast<std::size_t>(length);
        }
        close(pipeFds[1]);
    });
    NameList names(pipeFds[0], "-");
    const std::vector<std::string> read = ReadAll(names);
    writer.join();
    close(pipeFds[0]);
    EXPECT_EQ(read, written);
    EXPECT_EQ(names.ReadError(), 0);
    EXPECT_EQ(names.CommonFolder(), "/base");
}

// Every entry of the root named once, by its full path: the counts and rows of the walk of the
// root. 3,000 files among them, so that the names are shared out when several threads walk. Then
// every entry named 16 times over, in rounds: a list of some megabytes, handed out from the list
// a part at a time, whose repeats reach different threads; each entry still counts once.
TEST(NameListTest, WalkOfTheEntriesByNameCountsAsTheWalkOfTheirFolder)
{
    TempTree tree, lists;
    ASSERT_TRUE(MakeWideTree(tree, 3));
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(tree.MakeFile("many" + std::to_string(i) + (i % 3 ? ".log" : ".TXT"), i % 17));
    ASSERT_TRUE(tree.MakeSymlink("link.lnk", "n0"));
    std::string text;
    std::uint64_t entries = 0;
    DIR* listing = opendir(tree.Root().c_str());
    ASSERT_NE(listing, nullptr);
    while (const dirent* entry = readdir(listing)) {
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") {
            text += tree.Path(entry->d_name) + '\0';
            ++entries;
        }
    }
    closedir(listing);
    const ScanCounts whole = RunScan(tree.Root());
    EXPECT_EQ(whole.nFiles, 3000u + 2 * 21 + 1);

    for (const int rounds : {1, 16}) {
        SCOPED_TRACE(std::to_string(rounds) + " rounds");
        const std::string path = lists.Path("list" + std::to_string(rounds));
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        for (int round = 0; round < rounds; ++round)
            ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
        NameList names(fd, path);
        FolderWalkOptions options;
        options.pNames = &names;
        const ScanCounts byName = RunScan(".", options);
        close(fd);
        ScanCounts expected = whole;
        expected.nRepeated = (rounds - 1) * entries;
        EXPECT_EQ(byName, expected);
        EXPECT_EQ(names.CommonFolder(), tree.Root());
    }
}

} // namespace
