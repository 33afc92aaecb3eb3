#include "InstanceCount.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A stand-in for /proc: numbered folders whose exe links name programs.
TEST(InstanceCountTest, CountsNumberedProcessesWhoseExeIsTheProgram)
{
    QTemporaryDir proc;
    ASSERT_TRUE(proc.isValid());
    const QString program = QStringLiteral("/opt/kestrum/bin/kestrum");
    const struct {
        const char* folder;
        const char* exe; // nullptr: no link
    } kProcesses[] = {
        {"101", "/opt/kestrum/bin/kestrum"}, {"2040", "/opt/kestrum/bin/kestrum"},
        {"2041", "/usr/bin/other"},          {"2042", "/opt/kestrum/bin/kestrum-scan"},
        {"self", "/opt/kestrum/bin/kestrum"}, // not a process number
        {"2043", nullptr},                    // a process whose link cannot be read
    };
    for (const auto& p : kProcesses) {
        ASSERT_TRUE(QDir(proc.path()).mkdir(p.folder));
        if (p.exe) {
            ASSERT_TRUE(QFile::link(p.exe, proc.filePath(QString(p.folder) + "/exe")));
        }
    }
    EXPECT_EQ(CountProcessesRunning(program, proc.path()), 2);
    EXPECT_EQ(CountProcessesRunning(program, proc.filePath("missing")), 0);
    EXPECT_EQ(CountProcessesRunning(QString(), proc.path()), 0);
}

} // namespace
