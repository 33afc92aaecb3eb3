// A scan as the front ends run it: the request validated once, then a session started, polled
// and its result taken whole.
#include "ChildRun.h"
#include "ExclusionRule.h"
#include "ExtensionQuery.h"
#include "ScanRequest.h"
#include "ScanSession.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

namespace {

std::string VerdictToText(const RequestVerdict& verdict)
{
    return std::to_string(static_cast<int>(verdict.fault)) + " " + verdict.subject + " " + std::to_string(verdict.error);
}

} // namespace

TEST(ScanRequestTest, ValidateRequestFindsTheFaultWhereTheRuleLives)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("d"));
    ASSERT_TRUE(tree.MakeFile("f.txt", 3));
    struct Case {
        std::string root;
        std::vector<std::string> excludes;
        std::vector<std::string> extensions;
        RequestFault fault;
        std::string subject;
        int error;
    };
    const std::vector<Case> cases = {
        {tree.Path("d"), {"*.o", "build"}, {"iso", ".img", "", "."}, RequestFault::None, "", 0},
        {tree.Path("f.txt"), {}, {}, RequestFault::None, "", 0},   // a file counts as one file
        {tree.Path("missing"), {}, {}, RequestFault::RootMissing, tree.Path("missing"), ENOENT},
        {tree.Path("f.txt") + "/", {}, {}, RequestFault::RootMissing, tree.Path("f.txt") + "/", ENOTDIR},
        {tree.Path("d"), {"ok", "node_modules/"}, {}, RequestFault::ExcludeHasSlash, "node_modules/", 0},
        {tree.Path("d"), {}, {".tar.gz"}, RequestFault::ExtensionInvalid, ".tar.gz", 0},
        {tree.Path("d"), {}, {"a/b"}, RequestFault::ExtensionInvalid, "a/b", 0},
        {tree.Path("d"), {}, {".."}, RequestFault::ExtensionInvalid, "..", 0},
        // The patterns are judged before the root.
        {tree.Path("missing"), {"a/b"}, {}, RequestFault::ExcludeHasSlash, "a/b", 0},
    };
    for (const Case& c : cases) {
        ScanRequest request;
        request.typedRoot = c.root;
        request.walk.excludePatterns = c.excludes;
        request.walk.largest.extensions = c.extensions;
        const RequestVerdict expected{c.fault, c.subject, c.error};
        EXPECT_EQ(VerdictToText(ValidateRequest(request)), VerdictToText(expected)) << c.root;
    }
}

// As root every folder opens, so the check runs in a child that has become "nobody".
TEST(ScanRequestTest, AFolderThatCannotBeOpenedIsUnreadable)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("locked"));
    ASSERT_EQ(chmod(tree.Path("locked").c_str(), 0), 0);
    const std::string locked = tree.Path("locked");
    const RequestVerdict expected{RequestFault::RootUnreadable, locked, EACCES};
    ExpectChildOutput([] { return BecomeNobody() ? std::string() : std::string("could not become nobody"); },
                      [&] { return VerdictToText(ValidateRoot(locked)); }, VerdictToText(expected),
                      std::chrono::seconds(30));
    chmod(locked.c_str(), 0755);
}

TEST(ScanRequestTest, PatternsAndExtensionsAreReadOnce)
{
    const std::vector<std::string> patterns = {"a", "*.o", " spaced "};
    EXPECT_EQ(ExclusionRule::PatternsFromText("a\r\n\n*.o\n spaced \r\n\r\n"), patterns);
    EXPECT_EQ(ExclusionRule::PatternsFromText(""), std::vector<std::string>{});
    EXPECT_EQ(ExtensionQuery::FromList("iso,.img,,."), (std::vector<std::string>{".iso", ".img", "", "."}));
}

TEST(ScanSessionTest, RunsPollsAndHandsOverTheResultOnce)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    ASSERT_TRUE(tree.MakeFile("sub/a.txt", 10));
    ASSERT_TRUE(tree.MakeFile("b.TXT", 5));
    ScanSession session;
    ScanRequest request;
    request.typedRoot = tree.Root();
    ASSERT_TRUE(session.Start(request));
    EXPECT_TRUE(session.IsRunning());
    EXPECT_FALSE(session.Start(request));   // one walk at a time
    EXPECT_EQ(errno, EBUSY);
    ASSERT_TRUE(session.WaitDone(std::chrono::seconds(30)));
    EXPECT_EQ(session.Progress().nFiles, 2u);
    EXPECT_FALSE(session.StopRequested());
    ScanResult result = session.TakeResult();
    EXPECT_FALSE(session.IsRunning());
    EXPECT_EQ(result.Counters().nFolders, 1u);
    EXPECT_EQ(result.RecordCount(), 1u);
    EXPECT_EQ(result.Ending(), ScanEnding::Finished);
    EXPECT_EQ(session.Request().typedRoot, tree.Root());
    EXPECT_EQ(session.TakeResult().RecordCount(), 0u);   // handed over once
}

TEST(ScanSessionTest, AStopAskedForIsSeenInTheResult)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFile("a.txt", 1));
    ScanSession session;
    ScanRequest request;
    request.typedRoot = tree.Root();
    ASSERT_TRUE(session.Start(request));
    session.RequestStop();
    EXPECT_TRUE(session.StopRequested());
    ASSERT_TRUE(session.WaitDone(std::chrono::seconds(30)));
    EXPECT_EQ(session.TakeResult().Ending(), ScanEnding::Stopped);
}
