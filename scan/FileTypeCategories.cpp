#include "FileTypeCategories.h"

#include "ExtensionFolding.h"
#include "Resource.h"
#include "StringTable.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

using Category = FileTypeCategory;

// The one table that decides the types whose media type does not (application/, text/, ...).
// A pattern is an exact type, "prefix*" or "*suffix"; the first row that fits decides, so the
// narrow rows stand before the broad ones. A text/ type no row names is source or markup; any
// other type no row names is Other. Packages (.deb, .rpm, .apk, ...) count with the programs they
// install, disk images with the archives.
struct TypeRule {
    std::string_view pattern;
    Category category;
};

constexpr TypeRule kTypeRules[] = {
    // Documents: office files, page descriptions, e-books, mail, plain and tabular text.
    {"application/pdf", Category::Documents},
    {"application/postscript", Category::Documents},
    {"application/rtf", Category::Documents},
    {"application/msword", Category::Documents},
    {"application/vnd.ms-word*", Category::Documents},
    {"application/vnd.ms-excel*", Category::Documents},
    {"application/vnd.ms-powerpoint*", Category::Documents},
    {"application/vnd.openxmlformats-officedocument.*", Category::Documents},
    {"application/vnd.oasis.opendocument.*", Category::Documents},
    {"application/vnd.apple.*", Category::Documents},
    {"application/vnd.visio", Category::Documents},
    {"application/x-abiword", Category::Documents},
    {"application/epub+zip", Category::Documents},
    {"application/x-mobipocket-ebook", Category::Documents},
    {"application/vnd.amazon.mobi8-ebook", Category::Documents},
    {"application/x-fictionbook+xml", Category::Documents},
    {"application/vnd.comicbook*", Category::Documents},
    {"application/x-cb*", Category::Documents},
    {"application/x-dvi", Category::Documents},
    {"application/oxps", Category::Documents},
    {"application/vnd.ms-xpsdocument", Category::Documents},
    {"application/mbox", Category::Documents},
    {"message/*", Category::Documents},
    {"text/plain", Category::Documents},
    {"text/markdown", Category::Documents},
    {"text/csv", Category::Documents},
    {"text/tab-separated-values", Category::Documents},
    {"text/rtf", Category::Documents},
    {"text/calendar", Category::Documents},
    {"text/vcard", Category::Documents},
    {"text/x-vcard", Category::Documents},
    // Programs, libraries and the packages that install them.
    {"application/x-executable", Category::Programs},
    {"application/x-pie-executable", Category::Programs},
    {"application/x-sharedlib*", Category::Programs},
    {"application/x-object", Category::Programs},
    {"application/x-archive", Category::Programs},   // static libraries (.a)
    {"application/x-msdownload", Category::Programs},
    {"application/x-ms-dos-executable", Category::Programs},
    {"application/x-ms-ne-executable", Category::Programs},
    {"application/vnd.microsoft.portable-executable", Category::Programs},
    {"application/x-msi", Category::Programs},
    {"application/x-mach-binary", Category::Programs},
    {"application/java-archive", Category::Programs},
    {"application/x-java-archive", Category::Programs},
    {"application/x-java", Category::Programs},
    {"application/wasm", Category::Programs},
    {"application/x-python-bytecode", Category::Programs},
    {"application/x-appimage", Category::Programs},
    {"application/vnd.appimage", Category::Programs},
    {"application/vnd.debian.binary-package", Category::Programs},
    {"application/x-rpm", Category::Programs},
    {"application/x-redhat-package-manager", Category::Programs},
    {"application/x-source-rpm", Category::Programs},
    {"application/vnd.android.package-archive", Category::Programs},
    {"application/vnd.flatpak*", Category::Programs},
    {"application/vnd.snap", Category::Programs},
    {"application/x-kernel-module", Category::Programs},
    // Archives, compressed files and disk images.
    {"application/zip", Category::Archives},
    {"application/gzip", Category::Archives},
    {"application/x-gzip", Category::Archives},
    {"application/zstd", Category::Archives},
    {"application/x-tar", Category::Archives},
    {"application/x-tarz", Category::Archives},
    {"*-compressed-tar", Category::Archives},
    {"application/x-bzip*", Category::Archives},
    {"application/x-xz", Category::Archives},
    {"application/x-lz*", Category::Archives},   // lzma, lzip, lz4, lzop
    {"application/x-lrzip", Category::Archives},
    {"application/x-compress", Category::Archives},
    {"application/x-7z-compressed", Category::Archives},
    {"application/vnd.rar", Category::Archives},
    {"application/x-rar*", Category::Archives},
    {"application/x-cpio", Category::Archives},
    {"application/x-arj", Category::Archives},
    {"application/x-lha", Category::Archives},
    {"application/x-ace", Category::Archives},
    {"application/x-stuffit", Category::Archives},
    {"application/x-xar", Category::Archives},
    {"application/x-zoo", Category::Archives},
    {"application/vnd.ms-cab-compressed", Category::Archives},
    {"application/x-cd-image", Category::Archives},
    {"application/x-iso9660-image", Category::Archives},
    {"application/x-raw-disk-image", Category::Archives},
    {"application/x-apple-diskimage", Category::Archives},
    {"application/x-squashfs-image", Category::Archives},
    {"application/x-qemu-disk", Category::Archives},
    {"application/x-virtualbox-*", Category::Archives},
    // Fonts under their older application/ names.
    {"application/x-font-*", Category::Fonts},
    {"application/font-*", Category::Fonts},
    {"application/vnd.ms-fontobject", Category::Fonts},
    // Source and markup.
    {"application/x-shellscript", Category::SourceCode},
    {"application/javascript", Category::SourceCode},
    {"application/x-javascript", Category::SourceCode},
    {"application/ecmascript", Category::SourceCode},
    {"application/json", Category::SourceCode},
    {"application/xml", Category::SourceCode},
    {"application/xml-*", Category::SourceCode},
    {"application/sql", Category::SourceCode},
    {"application/toml", Category::SourceCode},
    {"application/x-yaml", Category::SourceCode},
    {"application/yaml", Category::SourceCode},
    {"application/x-perl", Category::SourceCode},
    {"application/x-ruby", Category::SourceCode},
    {"application/x-php", Category::SourceCode},
    {"application/x-m4", Category::SourceCode},
    {"application/x-awk", Category::SourceCode},
    {"application/x-tcl", Category::SourceCode},
    {"application/x-desktop", Category::SourceCode},
    {"application/x-ipynb+json", Category::SourceCode},
    {"application/x-trash", Category::Other},
    {"application/*+xml", Category::SourceCode},
    {"application/*+json", Category::SourceCode},
    {"text/*", Category::SourceCode},
};

bool Fits(std::string_view pattern, std::string_view type)
{
    const std::size_t star = pattern.find('*');
    if (star == std::string_view::npos)
        return pattern == type;
    const std::string_view head = pattern.substr(0, star);
    const std::string_view tail = pattern.substr(star + 1);
    return type.size() >= head.size() + tail.size() && type.starts_with(head) && type.ends_with(tail);
}

// The extension a glob speaks for, with its dot, before folding: "*.mkv" gives ".mkv"; a glob
// of another shape (a whole name, a wildcard past the dot, a second dot) gives nothing.
std::string_view ExtensionOfGlob(std::string_view glob)
{
    if (glob.size() < 3 || !glob.starts_with("*."))
        return {};
    const std::string_view extension = glob.substr(1);
    if (extension.substr(1).find_first_of(".*?[]\\") != std::string_view::npos)
        return {};
    return extension;
}

// Splits "weight:type:glob[:flags[:...]]" into its fields; false for a line of another shape.
bool SplitGlobLine(std::string_view line, int& weight, std::string_view& type, std::string_view& glob,
                   std::string_view& flags)
{
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos || first == 0)
        return false;
    weight = 0;
    for (char c : line.substr(0, first)) {
        if (c < '0' || c > '9' || weight > 1000)
            return false;
        weight = weight * 10 + (c - '0');
    }
    type = line.substr(first + 1, second - first - 1);
    const std::string_view rest = line.substr(second + 1);
    const std::size_t third = rest.find(':');
    glob = rest.substr(0, third);
    flags = third == std::string_view::npos ? std::string_view() : rest.substr(third + 1);
    flags = flags.substr(0, flags.find(':'));
    return !type.empty() && !glob.empty();
}

bool HasFlag(std::string_view flags, std::string_view wanted)
{
    for (std::size_t start = 0; start <= flags.size();) {
        const std::size_t comma = std::min(flags.find(',', start), flags.size());
        if (flags.substr(start, comma - start) == wanted)
            return true;
        start = comma + 1;
    }
    return false;
}

std::string EnvironmentOr(const char* name, std::string fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

} // namespace

const FileTypeCategories& FileTypeCategories::System()
{
    // A function-local static is made once, by the first caller, while any others wait.
    static const FileTypeCategories database = FromMimeDirectories(MimeDirectoriesFromEnvironment());
    return database;
}

std::vector<std::string> FileTypeCategories::MimeDirectoriesFromEnvironment()
{
    std::vector<std::string> dirs;
    const std::string home = EnvironmentOr("HOME", "");
    const std::string dataHome = EnvironmentOr("XDG_DATA_HOME", home.empty() ? "" : home + "/.local/share");
    // Relative paths are not allowed in these variables and are ignored.
    if (dataHome.starts_with('/'))
        dirs.push_back(dataHome + "/mime");
    const std::string dataDirs = EnvironmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    for (std::size_t start = 0; start <= dataDirs.size();) {
        const std::size_t colon = std::min(dataDirs.find(':', start), dataDirs.size());
        const std::string dir = dataDirs.substr(start, colon - start);
        if (dir.starts_with('/'))
            dirs.push_back(dir + "/mime");
        start = colon + 1;
    }
    return dirs;
}

FileTypeCategories FileTypeCategories::FromMimeDirectories(const std::vector<std::string>& mimeDirs)
{
    Claims claims;
    TypeSet noGlobs;
    std::size_t order = 0;
    for (const std::string& dir : mimeDirs)
        ReadGlobs2(dir + "/globs2", order, claims, noGlobs);

    FileTypeCategories database;
    database.m_types.reserve(claims.size());
    for (auto& [extension, candidates] : claims) {
        const Claim* winner = &candidates.front();
        for (const Claim& candidate : candidates)
            if (Wins(candidate, *winner))
                winner = &candidate;
        database.m_types.emplace(extension,
                                 TypeOfExtension{winner->mimeType, CategoryOfMimeType(winner->mimeType)});
    }
    return database;
}

void FileTypeCategories::ReadGlobs2(const std::string& path, std::size_t& order, Claims& claims,
                                    TypeSet& noGlobs)
{
    std::ifstream in(path);
    TypeSet noGlobsHere;
    std::string folded;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line.front() == '#')
            continue;
        int weight = 0;
        std::string_view type, glob, flags;
        if (!SplitGlobLine(line, weight, type, glob, flags))
            continue;
        if (glob == "__NOGLOBS__") {
            noGlobsHere.emplace(type);
            continue;
        }
        const std::string_view extension = ExtensionOfGlob(glob);
        if (extension.empty() || noGlobs.contains(std::string(type)))
            continue;
        folded = ExtensionFolding::Folded(extension);
        const bool bCaseSensitive = HasFlag(flags, "cs");
        const int rank = !bCaseSensitive ? 2 : folded == extension ? 1 : 0;
        claims[folded].push_back(Claim{std::string(type), weight, rank, order++});
    }
    noGlobs.merge(noGlobsHere);
}

bool FileTypeCategories::Wins(const Claim& candidate, const Claim& holder)
{
    if (candidate.rank != holder.rank)
        return candidate.rank > holder.rank;
    if (candidate.weight != holder.weight)
        return candidate.weight > holder.weight;
    return candidate.order < holder.order;
}

FileTypeCategory FileTypeCategories::CategoryOf(std::string_view foldedExt) const
{
    if (m_types.empty())
        return Category::Other;
    const auto found = m_types.find(std::string(foldedExt));
    return found == m_types.end() ? Category::Other : found->second.category;
}

std::string_view FileTypeCategories::MimeTypeOf(std::string_view foldedExt) const
{
    const auto found = m_types.find(std::string(foldedExt));
    return found == m_types.end() ? std::string_view() : std::string_view(found->second.mimeType);
}

FileTypeCategory FileTypeCategories::CategoryOfMimeType(std::string_view mimeType)
{
    if (mimeType.starts_with("image/"))
        return Category::Images;
    if (mimeType.starts_with("video/"))
        return Category::Video;
    if (mimeType.starts_with("audio/"))
        return Category::Audio;
    if (mimeType.starts_with("font/"))
        return Category::Fonts;
    for (const TypeRule& rule : kTypeRules)
        if (Fits(rule.pattern, mimeType))
            return rule.category;
    return Category::Other;
}

namespace {

struct CategoryNames {
    FileTypeCategory category;
    std::string_view key;
    unsigned nameId;
};

constexpr CategoryNames kNames[] = {
    {Category::Images, "images", IDS_CATEGORY_IMAGES},
    {Category::Video, "video", IDS_CATEGORY_VIDEO},
    {Category::Audio, "audio", IDS_CATEGORY_AUDIO},
    {Category::Documents, "documents", IDS_CATEGORY_DOCUMENTS},
    {Category::Archives, "archives", IDS_CATEGORY_ARCHIVES},
    {Category::SourceCode, "source_code", IDS_CATEGORY_SOURCE_CODE},
    {Category::Programs, "programs", IDS_CATEGORY_PROGRAMS},
    {Category::Fonts, "fonts", IDS_CATEGORY_FONTS},
    {Category::Other, "other", IDS_CATEGORY_OTHER},
};

constexpr bool NamesInCategoryOrder()
{
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (kNames[i].category != FileTypeCategories::kAll[i])
            return false;
    return std::size(kNames) == FileTypeCategories::kCategories;
}
static_assert(NamesInCategoryOrder(), "one name per category, in the order of the enumeration");

const CategoryNames& NamesOf(FileTypeCategory category)
{
    return kNames[static_cast<std::size_t>(category)];
}

} // namespace

std::string_view FileTypeCategories::Key(FileTypeCategory category)
{
    return NamesOf(category).key;
}

std::optional<FileTypeCategory> FileTypeCategories::FromKey(std::string_view key)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const CategoryNames& names : kNames)
        if (std::ranges::equal(names.key, key, {}, {}, lower))
            return names.category;
    return std::nullopt;
}

std::string_view FileTypeCategories::DisplayName(FileTypeCategory category)
{
    return LoadString(NamesOf(category).nameId);
}
