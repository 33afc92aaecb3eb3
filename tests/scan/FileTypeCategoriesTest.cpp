// The extension -> MIME type -> category mapping, read from a private MIME database named
// through XDG_DATA_DIRS (two folders, the first taking precedence) and an empty XDG_DATA_HOME.
#include "FileTypeCategories.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <string>

namespace {

using Category = FileTypeCategory;

// The first folder's globs2, then the second's (read after it, so of lower precedence).
constexpr const char* kFirstGlobs2 =
    "# written by hand for the test\n"
    "60:video/x-matroska:*.mkv\n"
    "50:text/x-c++src:*.C:cs\n"
    "50:text/x-csrc:*.c:cs\n"
    "40:application/x-low:*.two\n"
    "70:audio/x-high:*.two\n"
    "50:application/x-compressed-tar:*.tar.gz\n"
    "50:application/gzip:*.gz\n"
    "50:application/x-compressed-tar:*.tar.only\n"
    "50:image/x-upper:*.UPPER:cs\n"
    "50:font/ttf:*.ttf\n"
    "50:application/pdf:*.pdf\n"
    "50:application/zip:*.tie\n"
    "50:image/x-tie:*.tie\n"
    "50:image/x-dropped:__NOGLOBS__\n"
    "50:audio/x-first-folder:*.prec\n"
    "10:audio/x-light:*.heavy\n"
    "90:text/x-case-sensitive:*.Mix:cs\n"
    "50:text/x-makefile:Makefile\n"
    "50:text/x-chdr:*.[ch]\n";
constexpr const char* kSecondGlobs2 =
    "80:image/x-dropped:*.drop\n"
    "50:video/x-second-folder:*.prec\n"
    "90:image/x-heavy:*.heavy\n"
    "10:image/x-case-insensitive:*.mix\n";

class FileTypeCategoriesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_tree.Root().empty());
        ASSERT_TRUE(m_tree.MakeFolder("home") && m_tree.MakeFolder("first") && m_tree.MakeFolder("first/mime") &&
                    m_tree.MakeFolder("second") && m_tree.MakeFolder("second/mime"));
        std::ofstream(m_tree.Path("first/mime/globs2")) << kFirstGlobs2;
        std::ofstream(m_tree.Path("second/mime/globs2")) << kSecondGlobs2;
        Set("XDG_DATA_HOME", m_tree.Path("home"));
        Set("XDG_DATA_DIRS", m_tree.Path("first") + ":" + m_tree.Path("second"));
    }
    void TearDown() override
    {
        Set("XDG_DATA_HOME", nullptr);
        Set("XDG_DATA_DIRS", nullptr);
    }
    // Null unsets the variable.
    static void Set(const char* name, const char* value)
    {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    static void Set(const char* name, const std::string& value) { Set(name, value.c_str()); }

    TempTree m_tree;
};

TEST_F(FileTypeCategoriesTest, EachExtensionGetsTheTypeTheGlobRulesChoose)
{
    const FileTypeCategories database =
        FileTypeCategories::FromMimeDirectories(FileTypeCategories::MimeDirectoriesFromEnvironment());
    struct Case {
        const char* what;
        const char* ext;   // as the scan folds it
        const char* type;  // "" when the database gives none
        Category category;
    };
    const Case cases[] = {
        {"one plain glob", ".mkv", "video/x-matroska", Category::Video},
        {"the case-sensitive glob written as the row is wins over *.C", ".c", "text/x-csrc", Category::SourceCode},
        {"of two types claiming one extension, the greater weight", ".two", "audio/x-high", Category::Audio},
        {"*.tar.gz leaves the .gz row to *.gz", ".gz", "application/gzip", Category::Archives},
        {"a multi-dot glob alone gives its last part nothing", ".only", "", Category::Other},
        {"a case-sensitive glob claims an extension nothing else claims", ".upper", "image/x-upper", Category::Images},
        {"font/ by its media type", ".ttf", "font/ttf", Category::Fonts},
        {"application/ by the table", ".pdf", "application/pdf", Category::Documents},
        {"equal weights: the line that comes first", ".tie", "application/zip", Category::Archives},
        {"__NOGLOBS__ drops a type's globs of the later folders", ".drop", "", Category::Other},
        {"equal weights: the folder that comes first", ".prec", "audio/x-first-folder", Category::Audio},
        {"a greater weight wins across folders", ".heavy", "image/x-heavy", Category::Images},
        {"a case-insensitive glob wins over a heavier case-sensitive one", ".mix", "image/x-case-insensitive",
         Category::Images},
        {"an extension no glob names", ".unknown", "", Category::Other},
        {"whole names and wildcards past the dot say nothing of a row", ".[ch]", "", Category::Other},
        {"the files without an extension", "", "", Category::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(database.MimeTypeOf(c.ext), c.type) << c.ext;
        EXPECT_EQ(database.CategoryOf(c.ext), c.category) << c.ext;
    }
}

TEST_F(FileTypeCategoriesTest, WithoutADatabaseEveryExtensionIsOther)
{
    Set("XDG_DATA_DIRS", m_tree.Path("home"));
    const FileTypeCategories database =
        FileTypeCategories::FromMimeDirectories(FileTypeCategories::MimeDirectoriesFromEnvironment());
    EXPECT_EQ(database.ExtensionCount(), 0u);
    for (const char* ext : {".mkv", ".pdf", ".c", ""}) {
        EXPECT_EQ(database.CategoryOf(ext), Category::Other) << ext;
        EXPECT_EQ(database.MimeTypeOf(ext), "") << ext;
    }
}

TEST_F(FileTypeCategoriesTest, TheEnvironmentNamesTheFoldersInPrecedenceOrder)
{
    struct Case {
        const char* dataHome;   // null: unset
        const char* dataDirs;
        std::vector<std::string> expected;
    };
    const std::string home = ::getenv("HOME") ? ::getenv("HOME") : "";
    const Case cases[] = {
        {"/h", "/a:/b", {"/h/mime", "/a/mime", "/b/mime"}},
        {"/h", "", {"/h/mime", "/usr/local/share/mime", "/usr/share/mime"}},
        {"relative", "/a::relative:/b", {"/a/mime", "/b/mime"}},
    };
    for (const Case& c : cases) {
        Set("XDG_DATA_HOME", c.dataHome);
        Set("XDG_DATA_DIRS", c.dataDirs);
        EXPECT_EQ(FileTypeCategories::MimeDirectoriesFromEnvironment(), c.expected) << c.dataHome << " " << c.dataDirs;
    }
    Set("XDG_DATA_HOME", nullptr);
    Set("XDG_DATA_DIRS", nullptr);
    if (!home.empty()) {
        EXPECT_EQ(FileTypeCategories::MimeDirectoriesFromEnvironment().front(), home + "/.local/share/mime");
    }
}

TEST(FileTypeCategoryOfMimeType, TheMediaTypeOrTheTableDecides)
{
    const std::pair<const char*, Category> cases[] = {
        {"image/svg+xml", Category::Images},
        {"video/mp4", Category::Video},
        {"audio/flac", Category::Audio},
        {"font/woff2", Category::Fonts},
        {"application/vnd.oasis.opendocument.text", Category::Documents},
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", Category::Documents},
        {"application/x-bzip2-compressed-tar", Category::Archives},
        {"application/x-7z-compressed", Category::Archives},
        {"application/vnd.debian.binary-package", Category::Programs},
        {"application/x-sharedlib", Category::Programs},
        {"application/x-font-ttf", Category::Fonts},
        {"application/json", Category::SourceCode},
        {"application/xhtml+xml", Category::SourceCode},
        {"text/x-python3", Category::SourceCode},
        {"text/plain", Category::Documents},
        {"application/x-trash", Category::Other},
        {"application/octet-stream", Category::Other},
        {"model/stl", Category::Other},
    };
    for (const auto& [type, category] : cases)
        EXPECT_EQ(FileTypeCategories::CategoryOfMimeType(type), category) << type;
}

TEST(FileTypeCategoryKeys, KeysReadBackInEitherCase)
{
    for (const Category category : FileTypeCategories::kAll) {
        std::string key(FileTypeCategories::Key(category));
        EXPECT_EQ(FileTypeCategories::FromKey(key), category) << key;
        key.front() = static_cast<char>(key.front() - 'a' + 'A');
        EXPECT_EQ(FileTypeCategories::FromKey(key), category) << key;
        EXPECT_FALSE(FileTypeCategories::DisplayName(category).empty()) << key;
    }
    EXPECT_FALSE(FileTypeCategories::FromKey("none"));
    EXPECT_FALSE(FileTypeCategories::FromKey("vide"));
}

} // namespace
