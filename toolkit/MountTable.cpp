#include "MountTable.h"

#include <fstream>
#include <sstream>

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

// One line: id parent major:minor root mount-point options [optional fields...] - type source
// super-options.
bool ParseLine(std::string_view line, MountEntry& entry)
{
    const std::vector<std::string_view> fields = SplitFields(line);
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (fields.size() < 6 || separator + 2 >= fields.size() || fields[4].empty() || fields[4][0] != '/')
        return false;
    entry.mountPoint = DecodeOctalEscapes(fields[4]);
    entry.fsType = DecodeOctalEscapes(fields[separator + 1]);
    entry.options = std::string(fields[5]);
    if (separator + 3 < fields.size())
        entry.options += "," + std::string(fields[separator + 3]);
    return true;
}

// Whether `mountPoint` is `path` or a parent folder of it, compared by whole name parts.
bool Holds(std::string_view mountPoint, std::string_view path)
{
    if (mountPoint == "/")
        return !path.empty() && path[0] == '/';
    return path.starts_with(mountPoint) && (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    std::vector<MountEntry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        MountEntry entry;
        if (ParseLine(text.substr(start, end - start), entry))
            entries.push_back(std::move(entry));
        start = end + 1;
    }
    return entries;
}

const MountEntry* FindMountOf(const std::vector<MountEntry>& entries, std::string_view path)
{
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : entries) {
        // ">=": a later mount on the same point lies on top of the earlier one.
        if (Holds(entry.mountPoint, path) && (!best || entry.mountPoint.size() >= best->mountPoint.size()))
            best = &entry;
    }
    return best;
}

bool OptionsSayCompressed(std::string_view options)
{
    std::size_t start = 0;
    while (start <= options.size()) {
        std::size_t end = options.find(',', start);
        if (end == std::string_view::npos)
            end = options.size();
        const std::string_view option = options.substr(start, end - start);
        const std::size_t equals = option.find('=');
        const std::string_view name = option.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? "" : option.substr(equals + 1);
        if (name.starts_with("compress") && value != "no" && value != "none")
            return true;
        start = end + 1;
    }
    return false;
}

std::vector<MountEntry> ReadMountTable()
{
    std::ifstream file("/proc/self/mountinfo");
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    return ParseMountInfo(text.str());
}
