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
exec setpriv --reuid=nobody --regid=nogroup --clear-groups "$0" --json "$1")";

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
        const char* note;
        const char* files;
        const char* fields;
    } cases[] = {
        {"none", "open", "", R"("files": 2, "bytes": )",
         R"("not_listed": 0, "not_entered": 0, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": )"},
        {"mount", "open", "1 mount not entered\n", R"("files": 2, "bytes": )",
         R"("not_listed": 0, "not_entered": 1, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": )"},
        {"mount", "locked", "1 folder could not be listed; 1 mount not entered\n", R"("files": 1, "bytes": )",
         R"("not_listed": 1, "not_entered": 1, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": )"},
        // Its file is still counted (its name was listed), only its size is missing.
        {"none", "unsearchable", "1 file could not be examined; its size is missing\n", R"("files": 2, "bytes": )",
         R"("not_listed": 0, "not_entered": 0, "vanished": 0, "not_examined": 1, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": )"},
    };
    for (const auto& c : cases) {
        const ChildResult result = RunChild(
            "/usr/bin/unshare", {"--mount", "--propagation", "private", "/bin/sh", "-c", kScript, kProgram,
                                 tree.Root(), c.mount, c.lock});
        ASSERT_TRUE(result.bExited) << c.mount << " " << c.lock;
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, c.note);
        EXPECT_NE(result.out.find(c.fields), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(c.files), std::string::npos) << c.lock << ": " << result.out;
    }
}

} // namespace
