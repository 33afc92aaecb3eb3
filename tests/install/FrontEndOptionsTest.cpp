// Both programs' --help, --version and usage errors: what is written where, and the exit status.
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct OptionCase {
    const char* program;
    std::vector<std::string> args;
    int exitCode;
    // Text the stream must contain; nullptr: the stream must stay empty.
    const char* out;
    const char* err;
};

const std::string kVersion = KESTRUM_VERSION;

TEST(FrontEndOptions, AnswerWithoutAWindowAndExitAsDocumented)
{
    const std::string kestrumVersion = "kestrum " + kVersion + "\nLicense MIT\n";
    const std::string scanVersion = "kestrum-scan " + kVersion + "\nLicense MIT\n";
    const OptionCase cases[] = {
        {KESTRUM_PATH, {"--help"}, 0, "Usage: kestrum [FOLDER]", nullptr},
        {KESTRUM_PATH, {"-h"}, 0, "Usage: kestrum [FOLDER]", nullptr},
        {KESTRUM_PATH, {"--version"}, 0, kestrumVersion.c_str(), nullptr},
        {KESTRUM_PATH, {"/tmp", "--frobnicate"}, 2, nullptr, "kestrum: unknown option --frobnicate\nUsage:"},
        {KESTRUM_PATH, {"-z"}, 2, nullptr, "kestrum: unknown option -z\n"},
        {KESTRUM_PATH, {"--version=2"}, 2, nullptr, "Usage: kestrum"},
        {KESTRUM_PATH, {"/a", "/b"}, 2, nullptr, "not also /b\n"},
        // A typed escape sequence is shown, not sent to the terminal.
        {KESTRUM_PATH, {"--x\x1b[2J\\"}, 2, nullptr, "unknown option --x\\x1b[2J\\x5c\n"},
        {KESTRUM_SCAN_PATH, {"--version"}, 0, scanVersion.c_str(), nullptr},
        {KESTRUM_SCAN_PATH, {"--version", "--help"}, 0, "Usage: kestrum-scan", nullptr},
        {KESTRUM_SCAN_PATH, {"--help"}, 0, "a backslash is written \\x5c", nullptr},
        {KESTRUM_SCAN_PATH, {"--help"}, 0, "Exit status: 0 done", nullptr},
    };
    for (const OptionCase& c : cases) {
        std::string line = c.program;
        for (const std::string& arg : c.args)
            line += " " + arg;
        SCOPED_TRACE(line);
        const ChildResult result = RunChild(c.program, c.args, std::chrono::seconds(30));
        ASSERT_TRUE(result.bExited) << "signal " << result.signal << "\n" << result.err;
        EXPECT_EQ(result.exitCode, c.exitCode);
        if (c.out)
            EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
        else
            EXPECT_EQ(result.out, "");
        if (c.err)
            EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        else
            EXPECT_EQ(result.err, "");
    }
}

} // namespace
