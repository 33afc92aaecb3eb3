// kestrum-scan tells what it could not count: a one-line note on standard error and five fields
// in the JSON, with the exit status of a finished scan.
#include "ChildProcess.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace {

const std::string kProgram = KESTRUM_SCAN_PATH;

// Runs in a private mount namespace: mounts a devpts instance on DIR/pts when asked, then runs
// the program as the unprivileged user "nobody", for whom DIR/locked cannot be listed (mode 0) or
// can be listed but not searched (mode 0444: its files' sizes cannot be read).
const std::string kScript = R"(set -e
if [ "$2" = mount ]; then mount -t devpts -o newinstance devpts "$1/pts"; fi
if [ "$3" = locked ]; then chmod 0 "$1/sub/locked"; fi
if [ "$3" = unsearchable ]; then chmod 0444 "$1/sub/locked"; fi
exec setpriv --reuid=nobody --regid=nogroup --clear-groups "$0" --json $4 "$1")";

// text with each "@" replaced by root.
std::string WithRoot(std::string text, const std::string& root)
{
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + root.size()))
        text.replace(at, 1, root);
    return text;
}

TEST(KestrumScanIncomplete, NotesWhatCouldNotBeCountedAndStillExitsZero)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root for a private mount namespace (CI runs as root)";
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    ASSERT_TRUE(tree.MakeFolder("sub/locked"));
    ASSERT_TRUE(tree.MakeFile("sub/locked/f.txt", 3));
    ASSERT_TRUE(tree.MakeFile("a.txt", 2));
    ASSERT_TRUE(tree.MakeFolder("pts"));

    const struct {
        const char* mount;
        const char* lock;
        const char* quiet;   // "-q" or ""
        const char* note;    // standard error, "@" for the root
        const char* files;
        const char* fields;
        const char* problems;   // the end of the JSON
    } cases[] = {
        {"none", "open", "", "", R"("files": 2, "bytes": )",
         R"("not_listed": 0, "not_entered": 0, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": )",
         R"("problems": []})"},
        {"mount", "open", "", "kestrum-scan: not entering the mount '@/pts'\n1 mount not entered\n", R"("files": 2, "bytes": )",
         R"("not_listed": 0, "not_entered": 1, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": )",
         R"("problems": [{"path": "@/pts", "kind": "not_entered", "reason": ""}]})"},
        {"mount", "locked", "",
         "kestrum-scan: cannot read directory '@/sub/locked': Permission denied\n"
         "kestrum-scan: not entering the mount '@/pts'\n"
         "1 folder could not be listed; 1 mount not entered\n", R"("files": 1, "bytes": )",
         R"("not_listed": 1, "not_entered": 1, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": )",
         R"("problems": [{"path": "@/sub/locked", "kind": "not_listed", "reason": "Permission denied"}, {"path": "@/pts", "kind": "not_entered", "reason": ""}]})"},
        // --quiet keeps the summary line only; the JSON still names them.
        {"mount", "locked", "-q", "1 folder could not be listed; 1 mount not entered\n", R"("files": 1, "bytes": )",
         R"("not_listed": 1, "not_entered": 1, )",
         R"("problems": [{"path": "@/sub/locked", "kind": "not_listed", "reason": "Permission denied"}, {"path": "@/pts", "kind": "not_entered", "reason": ""}]})"},
        // Its file is still counted (its name was listed), only its size is missing.
        {"none", "unsearchable", "",
         "kestrum-scan: cannot access '@/sub/locked/f.txt': Permission denied\n"
         "1 file could not be examined; its size is missing\n", R"("files": 2, "bytes": )",
         R"("not_listed": 0, "not_entered": 0, "vanished": 0, "not_examined": 1, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": )",
         R"("problems": [{"path": "@/sub/locked/f.txt", "kind": "not_examined", "reason": "Permission denied"}]})"},
    };
    for (const auto& c : cases) {
        const ChildResult result = RunChild(
            "/usr/bin/unshare", {"--mount", "--propagation", "private", "/bin/sh", "-c", kScript, kProgram,
                                 tree.Root(), c.mount, c.lock, c.quiet});
        ASSERT_TRUE(result.bExited) << c.mount << " " << c.lock;
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, WithRoot(c.note, tree.Root()));
        EXPECT_TRUE(result.out.ends_with(WithRoot(c.problems, tree.Root()) + "\n")) << result.out;
        EXPECT_NE(result.out.find(c.fields), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(c.files), std::string::npos) << c.lock << ": " << result.out;
    }
}

} // namespace
