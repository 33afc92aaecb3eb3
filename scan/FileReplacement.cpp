#include "FileReplacement.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The temporary file's name pattern: hidden, in the target's folder, so the rename never
// crosses a file system.
std::string TemporaryPattern(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".XXXXXX";
}

} // namespace

bool ReplaceFileContents(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         const std::string& giveUpText, std::string& error)
{
    const std::string pattern = TemporaryPattern(path);
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) {
        error = std::strerror(errno);
        return false;
    }
    // mkstemp creates the file for its owner alone; a saved list is an ordinary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);

    std::FILE* file = ::fdopen(descriptor, "w");
    if (!file) {
        error = std::strerror(errno);
        ::close(descriptor);
        ::unlink(temporary.data());
        return false;
    }
    errno = 0;
    bool bWritten = write(file);
    if (!bWritten) {
        error = giveUpText;
    } else if (std::fflush(file) != 0 || std::ferror(file) || ::fsync(::fileno(file)) != 0) {
        // A write error met before the flush leaves the stream's error flag, and errno may
        // still hold its cause.
        const int nError = errno;
        bWritten = false;
        error = std::strerror(nError ? nError : EIO);
    }
    if (std::fclose(file) != 0 && bWritten) {
        bWritten = false;
        error = std::strerror(errno);
    }
    if (bWritten && ::rename(temporary.data(), path.c_str()) != 0) {
        bWritten = false;
        error = std::strerror(errno);
    }
    if (!bWritten)
        ::unlink(temporary.data());
    return bWritten;
}
