// File types as people think of them: each extension's MIME type from the freedesktop
// shared-mime-info database (its globs2 files), and the type's category (Images, Video, ...).
//
// How the database meets the scan's rows, whose extension is the text from the last dot of a
// name, case-folded:
// - Only globs of the form "*.ext" speak for an extension. Globs that name whole files
//   ("Makefile", "README*") or hold wildcards past the dot ("*.[ch]") say nothing of a row; the
//   "(none)" row of the files without an extension has no category.
// - A glob of several dots ("*.tar.gz") is left out: the row ".gz" holds plain gzip files as well
//   as compressed tar files, and the single-dot glob ("*.gz") speaks for all of them.
// - Globs are folded as the scan folds extensions, and the row holds files of every case. So a
//   case-insensitive glob wins over a case-sensitive one; of case-sensitive ones, a glob written
//   as the row is (folded, "*.c:cs") wins over one that is not ("*.C:cs"), which gives its type
//   only to an extension nothing else claims.
// - Of several globs for one extension, the greater weight wins, then the directory read first
//   ($XDG_DATA_HOME before $XDG_DATA_DIRS, each in its order), then the line that comes first in
//   its file. "__NOGLOBS__" for a type drops that type's globs from the directories read after.
// Without any database, every extension is Other.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

enum class FileTypeCategory {
    Images,
    Video,
    Audio,
    Documents,
    Archives,
    SourceCode,
    Programs,   // programs and libraries, packages of them
    Fonts,
    Other,
};

class FileTypeCategories {
public:
    static constexpr std::size_t kCategories = 9;
    static constexpr std::array<FileTypeCategory, kCategories> kAll = {
        FileTypeCategory::Images,    FileTypeCategory::Video,      FileTypeCategory::Audio,
        FileTypeCategory::Documents, FileTypeCategory::Archives,   FileTypeCategory::SourceCode,
        FileTypeCategory::Programs,  FileTypeCategory::Fonts,      FileTypeCategory::Other,
    };

    // No database: every extension is Other.
    FileTypeCategories() = default;

    // The database of this process's environment ($XDG_DATA_HOME/mime, then each
    // $XDG_DATA_DIRS/mime), read on the first call only; safe to call from any thread, and
    // read-only afterwards. A front end calls it before a walk starts, so no walk ever waits
    // for the files.
    static const FileTypeCategories& System();
    // Reads "<dir>/globs2" of each of mimeDirs, the first taking precedence. A missing or
    // unreadable file counts as empty.
    static FileTypeCategories FromMimeDirectories(const std::vector<std::string>& mimeDirs);
    // The "mime" folders the environment names, in precedence order: $XDG_DATA_HOME (default
    // $HOME/.local/share), then each of $XDG_DATA_DIRS (default /usr/local/share:/usr/share).
    static std::vector<std::string> MimeDirectoriesFromEnvironment();

    // The category of an extension as the scan folds it (".mkv"); Other for one the database
    // does not know.
    FileTypeCategory CategoryOf(std::string_view foldedExt) const;
    // The MIME type the database gives the extension; empty when it gives none.
    std::string_view MimeTypeOf(std::string_view foldedExt) const;
    // How many extensions the database gives a type.
    std::size_t ExtensionCount() const { return m_types.size(); }

    // The category of a MIME type: the media type decides for image/, video/, audio/ and font/,
    // one table (in the source) for application/, text/ and the rest.
    static FileTypeCategory CategoryOfMimeType(std::string_view mimeType);
    // The machine name of a category in CSV and JSON, never translated: "images", "video",
    // "audio", "documents", "archives", "source_code", "programs", "fonts", "other".
    static std::string_view Key(FileTypeCategory category);
    // The category a key names, letters in either case ("Video"); none for another text.
    static std::optional<FileTypeCategory> FromKey(std::string_view key);
    // The category's name as people read it, from the string table.
    static std::string_view DisplayName(FileTypeCategory category);

private:
    struct Claim {
        std::string mimeType;
        int weight = 0;
        int rank = 0;   // 2 case-insensitive, 1 case-sensitive as folded, 0 case-sensitive otherwise
        std::size_t order = 0;   // over every directory, the one read first counting first
    };
    using Claims = std::unordered_map<std::string, std::vector<Claim>>;
    using TypeSet = std::unordered_set<std::string>;
    // Adds the globs of one file to claims; types the file says __NOGLOBS__ for go to noGlobs,
    // and types already in noGlobs (from a directory read before) give nothing here.
    static void ReadGlobs2(const std::string& path, std::size_t& order, Claims& claims, TypeSet& noGlobs);
    static bool Wins(const Claim& candidate, const Claim& holder);

    struct TypeOfExtension {
        std::string mimeType;
        FileTypeCategory category = FileTypeCategory::Other;
    };
    // Folded extension -> its MIME type and category, decided once when the files are read.
    std::unordered_map<std::string, TypeOfExtension> m_types;
};
