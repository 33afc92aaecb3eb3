#include "FileSystemProperties.h"

#include "Resource.h"
#include "StringTable.h"

#include <sys/statvfs.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>

namespace {

using Wide = unsigned __int128; // block counts times block sizes can pass 64 bits

constexpr std::uint64_t kMegabyte = 1u << 20;

// The table's formats use the C conversions %s, %d, %u and %lu; each takes the next argument, given
// here as text, and "%%" is a "%". Arguments are text so no conversion can read past them.
std::string Substitute(unsigned nIdFormat, std::initializer_list<std::string> args)
{
    const std::string_view format = LoadString(nIdFormat);
    std::string text;
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            text += format[i];
            continue;
        }
        std::size_t j = i + 1;
        if (format[j] == '%') {
            text += '%';
            i = j;
            continue;
        }
        while (j < format.size() && format[j] == 'l')
            ++j;
        if (j < format.size() && (format[j] == 's' || format[j] == 'd' || format[j] == 'u')) {
            if (next != args.end())
                text += *next++;
            i = j;
            continue;
        }
        text += format[i];
    }
    return text;
}

std::string Text(std::uint64_t value)
{
    return std::to_string(value);
}

// The share of free space in whole per cent, truncated. The megabyte figures decide it; a file
// system smaller than 1 MB has none to divide by, so its bytes do; an empty one has 0 free.
unsigned FreePercent(const SpaceFigures& space, std::uint64_t totalMB, std::uint64_t freeMB)
{
    if (totalMB > 0)
        return static_cast<unsigned>(Wide(freeMB) * 100 / totalMB);
    const Wide totalBytes = Wide(space.blockSize) * space.totalBlocks;
    if (totalBytes == 0)
        return 0;
    return static_cast<unsigned>(Wide(space.blockSize) * space.freeBlocks * 100 / totalBytes);
}

// "4.0": whole gigabytes and the tenth, truncated.
std::string Gigabytes(std::uint64_t megabytes)
{
    return Text(megabytes / 1024) + "." + Text((megabytes % 1024) * 10 / 1024);
}

std::string CapacityLines(const SpaceFigures& space)
{
    const auto totalMB = static_cast<std::uint64_t>(Wide(space.blockSize) * space.totalBlocks / kMegabyte);
    const auto freeMB = static_cast<std::uint64_t>(Wide(space.blockSize) * space.freeBlocks / kMegabyte);
    const std::string percent = std::to_string(FreePercent(space, totalMB, freeMB));
    // The free space chooses the unit for both lines; 4096 MB free still counts as small.
    if (freeMB <= 4096)
        return Substitute(IDS_CAPACITY_MB, {Text(totalMB), Text(freeMB), percent});
    const std::string total = Gigabytes(totalMB), free = Gigabytes(freeMB);
    const std::size_t totalDot = total.find('.'), freeDot = free.find('.');
    return Substitute(IDS_CAPACITY_GB, {total.substr(0, totalDot), total.substr(totalDot + 1),
                                        free.substr(0, freeDot), free.substr(freeDot + 1), percent});
}

std::string NameLengthLine(std::uint64_t maxNameLength)
{
    if (maxNameLength == 12)
        return std::string(LoadString(IDS_NAMES_8_3));
    if (maxNameLength == 255)
        return std::string(LoadString(IDS_NAMES_LONG));
    return Substitute(IDS_NAME_LENGTH, {Text(maxNameLength)});
}

std::string CanonicalPath(const std::string& folder)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(folder.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : folder;
}

} // namespace

FileSystemProperties ReadFileSystemProperties(const std::string& folder, const std::vector<MountEntry>& mounts)
{
    FileSystemProperties properties;
    // The mount table names mount points as the kernel resolved them: links are followed first.
    const std::string path = CanonicalPath(folder);
    const MountEntry* mount = FindMountOf(mounts, path);
    properties.rootText = mount ? mount->mountPoint : folder;

    struct statvfs figures {};
    if (statvfs(folder.c_str(), &figures) != 0)
        return properties;
    properties.space = SpaceFigures{figures.f_frsize ? figures.f_frsize : figures.f_bsize, figures.f_blocks,
                                    figures.f_bavail};
    if (mount)
        properties.volume = VolumeFacts{mount->fsType, OptionsSayCompressed(mount->options), figures.f_namemax};
    return properties;
}

std::string FormatPropertiesCaption(const FileSystemProperties& properties)
{
    return Substitute(IDS_PROPERTIES_CAPTION, {properties.rootText});
}

std::string FormatPropertiesBody(const FileSystemProperties& properties)
{
    if (!properties.space)
        return std::string(LoadString(IDS_NOT_AVAILABLE));
    std::string body = CapacityLines(*properties.space);
    if (properties.volume) {
        const VolumeFacts& volume = *properties.volume;
        body += Substitute(IDS_FILE_SYSTEM,
                           {volume.fsName, std::string(LoadString(volume.bCompressed ? IDS_COMPRESSED
                                                                                     : IDS_NOT_COMPRESSED))});
        body += NameLengthLine(volume.maxNameLength);
    }
    return body;
}
