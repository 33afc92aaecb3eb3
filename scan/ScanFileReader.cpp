#include "ScanFileReader.h"

#include "CappedFileBuffer.h"
#include "ScanFileParser.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <istream>
#include <iterator>
#include <utility>
#include <new>

namespace {

// Runs the parser over the input (text in memory, or a stream). Memory that runs short ends the
// reading as a fault.
template <typename Input>
bool Parse(Input&& input, SavedScan& scan, ScanFileError& error)
{
    try {
        ScanFileParser parser;
        const bool bParsed = nlohmann::json::sax_parse(std::forward<Input>(input), &parser,
                                                       nlohmann::json::input_format_t::json, true);
        if (bParsed && parser.Finish(scan))
            return true;
        error = parser.Error();
        if (error.fault == ScanFileFault::None)
            error.fault = ScanFileFault::NotJson;
    } catch (const std::bad_alloc&) {
        error = ScanFileError::Unreadable(ENOMEM);
    }
    return false;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

bool ScanFileReader::ReadFile(const std::string& path, SavedScan& scan, ScanFileError& error, std::uint64_t maxBytes)
{
    error = {};
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    struct stat status {};
    if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0) {
        error = ScanFileError::Unreadable(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        error = ScanFileError::Unreadable(EISDIR);
        return false;
    }
    if (S_ISREG(status.st_mode) && static_cast<std::uint64_t>(status.st_size) > maxBytes) {
        error = ScanFileError::Unreadable(EFBIG);
        return false;
    }
    // Whatever the file turns out to hold (a device, a pipe, a file still growing), the buffer
    // gives no byte past the cap.
    CappedFileBuffer buffer(file.Get(), maxBytes);
    // As a stream, not through stream iterators: the parser then takes each byte straight from
    // the buffer, which reads a merge of many files several times faster.
    std::istream stream(&buffer);
    const bool bRead = Parse(stream, scan, error);
    if (buffer.ReadError() != 0) {
        error = ScanFileError::Unreadable(buffer.ReadError());
        return false;
    }
    if (buffer.PassedCap()) {
        error = ScanFileError::Unreadable(EFBIG);
        return false;
    }
    return bRead;
}

bool ScanFileReader::ReadText(std::string_view text, SavedScan& scan, ScanFileError& error)
{
    error = {};
    return Parse(text, scan, error);
}
