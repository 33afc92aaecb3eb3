#include "TestTree.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

int RemoveEntry(const char* path, const struct stat*, int type, FTW*)
{
    if (type == FTW_DP)
        ::rmdir(path);
    else
        ::unlink(path);
    return 0;
}

} // namespace

CTestTree::CTestTree()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string((base && *base) ? base : "/tmp") + "/kestrum-cli-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()))
        m_szRoot = buffer.data();
}

CTestTree::~CTestTree()
{
    if (!m_szRoot.empty())
        ::nftw(m_szRoot.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool CTestTree::MakeFolder(const std::string& relative) const
{
    return ::mkdir(Path(relative).c_str(), 0755) == 0;
}

bool CTestTree::MakeFile(const std::string& relative, std::uint64_t size) const
{
    const int descriptor = ::open(Path(relative).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (descriptor < 0)
        return false;
    const bool bSized = ::ftruncate(descriptor, static_cast<off_t>(size)) == 0;
    return (::close(descriptor) == 0) && bSized;
}

bool CTestTree::MakeSymlink(const std::string& relative, const std::string& target) const
{
    return ::symlink(target.c_str(), Path(relative).c_str()) == 0;
}

std::uint64_t CTestTree::SizeOf(const std::string& relative) const
{
    struct stat status {};
    return ::lstat(Path(relative).c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}
