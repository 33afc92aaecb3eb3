#include "MountTable.h"

#include "MountInfo.h"

namespace {

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
    for (MountInfoRow& row : MountInfo::Parse(text)) {
        std::string options = std::move(row.mountOptions);
        if (!row.superOptions.empty())
            options += "," + row.superOptions;
        entries.push_back(MountEntry{std::move(row.mountPoint), std::move(row.fsType), std::move(options)});
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
    std::string text;
    if (!MountInfo::ReadThisProcess(text))
        return {};
    return ParseMountInfo(text);
}
