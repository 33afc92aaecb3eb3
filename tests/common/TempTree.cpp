#include "TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char** environ;

namespace {

std::string TemporaryBase()
{
    const char* base = std::getenv("TMPDIR");
    return (base && *base) ? base : "/tmp";
}

// Runs a program and waits for it; used for chmod -R and rm -rf, which cope with trees deeper
// than PATH_MAX.
void RunTool(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

} // namespace

TempTree::TempTree()
{
    std::string pattern = TemporaryBase() + "/kestrum-test-XXXXXX";
    if (mkdtemp(pattern.data())) {
        m_root = pattern;
        // Readable and traversable by everyone: some tests walk it as an unprivileged user.
        chmod(m_root.c_str(), 0755);
    }
}

TempTree::~TempTree()
{
    if (m_root.empty())
        return;
    if (geteuid() != 0)
        RunTool({"chmod", "-R", "u+rwx", m_root});
    RunTool({"rm", "-rf", "--", m_root});
}

bool TempTree::MakeFolder(const std::string& relative) const
{
    return mkdir(Path(relative).c_str(), 0755) == 0;
}

bool TempTree::MakeFile(const std::string& relative, std::uint64_t size) const
{
    const int fd = open(Path(relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool bSized = ftruncate(fd, static_cast<off_t>(size)) == 0;
    return (close(fd) == 0) && bSized;
}

bool TempTree::MakeSymlink(const std::string& relative, const std::string& target) const
{
    return symlink(target.c_str(), Path(relative).c_str()) == 0;
}

std::uint64_t TempTree::SizeOf(const std::string& relative) const
{
    struct stat status {};
    const std::string path = relative.empty() ? m_root : Path(relative);
    if (lstat(path.c_str(), &status) != 0) {
        ADD_FAILURE() << "no entry " << path;
        return 0;
    }
    return static_cast<std::uint64_t>(status.st_size);
}
