#include "MountInfo.h"

#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// mountinfo writes blank, tab, newline and backslash in names as a backslash and three octal digits.
std::string DecodeOctalEscapes(std::string_view field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string_view::npos) {
                text += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t blank = line.find(' ', start);
        const std::size_t end = blank == std::string_view::npos ? line.size() : blank;
        if (end > start)
            fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// "major:minor" as a device number; false when the field is not of that form.
bool ParseDevice(std::string_view field, dev_t& device)
{
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string text(field);
    char* end = nullptr;
    const unsigned long major = std::strtoul(text.c_str(), &end, 10);
    if (end != text.c_str() + colon)
        return false;
    const char* minorStart = end + 1;
    const unsigned long minor = std::strtoul(minorStart, &end, 10);
    if (end == minorStart || *end != '\0')
        return false;
    device = makedev(major, minor);
    return true;
}

bool ParseLine(std::string_view line, MountInfoRow& row)
{
    const std::vector<std::string_view> fields = SplitFields(line);
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (fields.size() < 6 || separator + 2 >= fields.size() || fields[4].empty() || fields[4][0] != '/')
        return false;
    row.bDeviceKnown = ParseDevice(fields[2], row.device);
    row.mountPoint = DecodeOctalEscapes(fields[4]);
    row.fsType = DecodeOctalEscapes(fields[separator + 1]);
    row.mountOptions = std::string(fields[5]);
    if (separator + 3 < fields.size())
        row.superOptions = std::string(fields[separator + 3]);
    return true;
}

} // namespace

std::vector<MountInfoRow> MountInfo::Parse(std::string_view text)
{
    std::vector<MountInfoRow> rows;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        MountInfoRow row;
        if (ParseLine(text.substr(0, end), row))
            rows.push_back(std::move(row));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return rows;
}

bool MountInfo::ReadThisProcess(std::string& text)
{
    const int fd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char chunk[8192];
    bool bOk = true;
    for (;;) {
        const ssize_t count = read(fd, chunk, sizeof chunk);
        if (count == 0)
            break;
        if (count < 0) {
            bOk = false;
            break;
        }
        text.append(chunk, static_cast<std::size_t>(count));
    }
    close(fd);
    return bOk && !text.empty();
}
