// What a scan could not count reaches its owner as data: the first paths of each kind with the
// system's reason, beside counts that stay exact.
#include "ChildRun.h"
#include "FrameStack.h"
#include "ScanProblem.h"
#include "ScanRequest.h"
#include "ScanRun.h"
#include "ScanSession.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace {

ScanResult ScanToEnd(const std::string& root, FolderWalkOptions options)
{
    ScanSession session;
    ScanRequest request;
    request.typedRoot = root;
    request.walk = WithTestThreads(std::move(options));
    if (!session.Start(request) || !session.WaitDone(std::chrono::seconds(60)))
        return ScanResult();
    return session.TakeResult();
}

std::string ProblemsText(const ScanResult& result)
{
    std::string text;
    for (const ScanProblem& problem : result.Problems())
        text += std::string(ProblemKindKey(problem.kind)) + " " + problem.path + " " + std::to_string(problem.error) + "\n";
    return text;
}

} // namespace

// As root every folder opens, so the scan runs in a child that has become "nobody": 130 folders
// it cannot list give 100 paths and the exact count; a folder that may be listed but not searched
// gives its file as not examined and its subfolder as not listed.
TEST(ScanProblemTest, UnreadableEntriesAreNamedWithTheirReasonUpToAHundredOfAKind)
{
    TempTree tree;
    constexpr int kLocked = 130;
    for (int i = 0; i < kLocked; ++i) {
        const std::string name = "locked" + std::to_string(1000 + i);
        ASSERT_TRUE(tree.MakeFolder(name));
        ASSERT_EQ(chmod(tree.Path(name).c_str(), 0), 0);
    }
    ASSERT_TRUE(tree.MakeFolder("listonly"));
    ASSERT_TRUE(tree.MakeFile("listonly/named.txt", 5));
    ASSERT_TRUE(tree.MakeFolder("listonly/inner"));
    ASSERT_EQ(chmod(tree.Path("listonly").c_str(), 0444), 0);
    const std::string root = tree.Root();
    // Which 100 of the 131 folders are named depends on the listing's order: each named one must
    // be one of them, with its reason.
    const std::string expected = "not_examined " + root + "/listonly/named.txt " + std::to_string(EACCES) + "\n" +
                                 "101 131 100 100 1\n";
    ExpectChildOutput([] { return BecomeNobody() ? std::string() : std::string("could not become nobody"); },
                      [&] {
                          const ScanResult result = ScanToEnd(root, {});
                          std::size_t notListed = 0, fitting = 0;
                          std::string text;
                          for (const ScanProblem& problem : result.Problems()) {
                              if (problem.kind == ProblemKind::NotListed) {
                                  ++notListed;
                                  const bool bOneOfThem = problem.path == root + "/listonly/inner" ||
                                                          problem.path.starts_with(root + "/locked");
                                  fitting += bOneOfThem && problem.error == EACCES ? 1 : 0;
                              } else {
                                  text += std::string(ProblemKindKey(problem.kind)) + " " + problem.path + " " +
                                          std::to_string(problem.error) + "\n";
                              }
                          }
                          return text + std::to_string(result.Problems().size()) + " " +
                                 std::to_string(result.Counters().nNotListed) + " " + std::to_string(notListed) +
                                 " " + std::to_string(fitting) + " " + std::to_string(result.Counters().nNotExamined) +
                                 "\n";
                      },
                      expected, std::chrono::seconds(60));
    chmod(tree.Path("listonly").c_str(), 0755);
    for (int i = 0; i < kLocked; ++i)
        chmod(tree.Path("locked" + std::to_string(1000 + i)).c_str(), 0755);
}

// Files listed after "sub" in the root's listing are deleted as "sub" opens: the root's listing
// was read already, so they are counted as vanished, not as files and not silently, and each is
// named.
TEST(ScanProblemTest, AnEntryGoneBeforeItsExaminationIsNamedAsVanished)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(tree.MakeFile("f" + std::to_string(i), 1));
    std::vector<std::string> later;
    if (DIR* listing = opendir(tree.Root().c_str())) {
        bool bAfterSub = false;
        while (const dirent* entry = readdir(listing)) {
            const std::string name = entry->d_name;
            if (bAfterSub && name != "." && name != "..")
                later.push_back(name);
            bAfterSub = bAfterSub || name == "sub";
        }
        closedir(listing);
    }
    FolderWalkOptions options;
    options.threads = 1;
    options.onFolderOpened = [&](std::string_view name, std::size_t) {
        if (name == "sub")
            for (const std::string& file : later)
                unlink(tree.Path(file).c_str());
    };
    const ScanResult result = ScanToEnd(tree.Root(), options);
    std::vector<ScanProblem> expected;
    for (const std::string& file : later)
        expected.push_back(ScanProblem{tree.Path(file), ProblemKind::Vanished, ENOENT});
    std::sort(expected.begin(), expected.end(), ProblemRanksBefore);
    EXPECT_EQ(result.Problems(), expected);
    EXPECT_EQ(result.Counters().nVanished, later.size());
    EXPECT_EQ(result.Counters().nFiles, 20u - later.size());
}

// A large folder whose listing the threads split between them is removed while they walk it:
// every part that meets its end finds the folder gone, and the listing fails where it is still
// being read. The folder is still counted, and named, once; every folder counted as not listed
// is named once.
TEST(ScanProblemTest, AFolderSplitBetweenThreadsThatFailsIsNamedOnce)
{
    constexpr int kFolders = 200;
    for (int round = 0; round < 2; ++round) {
        TempTree tree;
        ASSERT_TRUE(tree.MakeFolder("big"));
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(tree.MakeFile("big/f" + std::to_string(i) + ".x", 1));
        for (int i = 0; i < kFolders; ++i)
            ASSERT_TRUE(tree.MakeFolder("big/d" + std::to_string(i)));
        const std::string big = tree.Path("big");
        std::atomic<bool> bRemoved{false};
        std::atomic<int> opened{0};
        FolderWalkOptions options;
        options.threads = 8;
        options.maxOpenListings = 8;   // one listing each: a folder entered closes its parent's
        options.onFolderOpened = [&](std::string_view, std::size_t depth) {
            // Late enough that the listing has been split between the threads.
            if (depth != 2 || ++opened != kFolders / 10 || bRemoved.exchange(true))
                return;
            for (int i = 0; i < 3000; ++i)
                unlink((big + "/f" + std::to_string(i) + ".x").c_str());
            for (int i = 0; i < kFolders; ++i)
                rmdir((big + "/d" + std::to_string(i)).c_str());
            rmdir(big.c_str());
        };
        const ScanResult result = ScanToEnd(tree.Root(), options);
        ASSERT_TRUE(bRemoved);
        std::size_t namedBig = 0, notListed = 0;
        std::vector<std::string> paths;
        for (const ScanProblem& problem : result.Problems()) {
            if (problem.kind != ProblemKind::NotListed)
                continue;
            ++notListed;
            namedBig += problem.path == big ? 1 : 0;
            paths.push_back(problem.path);
        }
        EXPECT_LE(namedBig, 1u) << ProblemsText(result);
        EXPECT_EQ(result.Counters().nNotListed, notListed) << ProblemsText(result);
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(std::adjacent_find(paths.begin(), paths.end()), paths.end()) << ProblemsText(result);
    }
}

// Two parts of one folder's listing, on two threads' stacks, both fail as they are read (the
// folder was removed meanwhile): the folder counts as not listed once, not once per part.
TEST(ScanProblemTest, AListingSplitInTwoThatFailsInBothPartsCountsOnce)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("gone"));
    const int fd = open(tree.Path("gone").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const int other = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    ASSERT_GE(other, 0);
    struct stat status {};
    ASSERT_EQ(fstat(fd, &status), 0);
    ASSERT_EQ(rmdir(tree.Path("gone").c_str()), 0);   // reading a removed folder fails (ENOENT)
    FrameStack first(4), second(4);
    ASSERT_TRUE(first.Push(fd, status.st_dev, status.st_ino, "gone"));
    ASSERT_TRUE(second.Push(other, status.st_dev, status.st_ino, "gone"));
    second.Top().ShareNotListed(first.Top().SharedNotListed());
    std::size_t notListed = 0;
    for (FrameStack* pStack : {&first, &second}) {
        while (pStack->Top().Next()) {
        }
        EXPECT_TRUE(pStack->Top().Incomplete());
        const FrameStack::Popped popped = pStack->Pop();
        notListed += popped.NotListed();
        EXPECT_EQ(popped.folderError, popped.bFolderNotListed ? ENOENT : 0);
    }
    EXPECT_EQ(notListed, 1u);
}
