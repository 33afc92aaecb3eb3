#include "RootAndLinkRule.h"

#include <fcntl.h>

namespace {

// The path to examine for a root made by RootFromTyped ("" gives "/").
std::string RootPath(const std::string& root)
{
    return root.empty() ? std::string("/") : root;
}

} // namespace

std::string RootAndLinkRule::RootFromTyped(std::string_view typed)
{
    // A name typed with a trailing "/" must be a folder (or a link to one), as for every other
    // program: the "/" stays, so that a file typed so is no root and fails as "Not a directory".
    // Only "/" itself is shortened.
    if (typed == "/")
        return std::string();
    return std::string(typed);
}

bool RootAndLinkRule::RootIsFile(const std::string& root, std::uint64_t& size)
{
    std::uint64_t diskSize = 0;
    return RootIsFile(root, size, diskSize);
}

bool RootAndLinkRule::RootIsFile(const std::string& root, std::uint64_t& size, std::uint64_t& diskSize,
                                 std::int64_t* pMtime)
{
    struct stat status {};
    if (stat(RootPath(root).c_str(), &status) != 0 || S_ISDIR(status.st_mode))
        return false;
    size = static_cast<std::uint64_t>(status.st_size);
    diskSize = static_cast<std::uint64_t>(status.st_blocks) * 512;
    if (pMtime)
        *pMtime = static_cast<std::int64_t>(status.st_mtime);
    return true;
}

int RootAndLinkRule::OpenRootFolder(const std::string& root)
{
    // The trailing "/" makes the open fail on anything but a folder (or a link to one).
    const std::string path = root + "/";
    return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int RootAndLinkRule::EntryStatusFlags()
{
    return AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
}

int RootAndLinkRule::SubfolderOpenFlags()
{
    return O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
}
