// The lookup by id through the message catalogues: the user's language chooses, the texts
// programs read back stay as they are, and a missing or broken catalogue gives English.
#include "MessageCatalogue.h"
#include "Resource.h"
#include "StringTable.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace {

// Puts the process into German through LANGUAGE (which gettext reads once the locale is not
// "C"), with the catalogues of `localeDir`; English again at the end of the test.
class GermanLanguage : public testing::Test {
protected:
    void Use(const std::string& localeDir)
    {
        ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
        ASSERT_EQ(setenv("LANGUAGE", "de", 1), 0);
        BindMessageCatalogues(localeDir);
    }
    void TearDown() override
    {
        unsetenv("LANGUAGE");
        std::setlocale(LC_ALL, "C");
    }
    // Compiles `po` into <root>/de/LC_MESSAGES/kestrum.mo; false when msgfmt failed.
    bool MakeCatalogue(const std::string& po)
    {
        if (m_tree.Root().empty() || !m_tree.MakeFolder("de") || !m_tree.MakeFolder("de/LC_MESSAGES"))
            return false;
        const std::string poPath = m_tree.Path("de.po");
        std::ofstream(poPath) << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" << po;
        const std::string command = std::string(KESTRUM_MSGFMT) + " -o " + m_tree.Path("de/LC_MESSAGES/kestrum.mo")
            + " " + poPath;
        const int status = std::system(command.c_str());
        return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    TempTree m_tree;
};

} // namespace

TEST_F(GermanLanguage, TranslatesByIdThroughTheBuiltCatalogue)
{
    Use(KESTRUM_LOCALE_BUILD_DIR);
    EXPECT_EQ(LoadString(IDS_ACC_FOLDER), "Ordner");
    EXPECT_EQ(LoadString(IDS_LARGEST_CLOSE), "Schließen");
    // The same English text under two ids is two messages.
    EXPECT_EQ(LoadEnglishString(IDS_TIP_SCAN), "Scan now");
    EXPECT_EQ(TranslateMessage(DialogTemplateContext(IDD_SCAN_DIALOG), "Scan now"), "Jetzt zählen");
    EXPECT_EQ(TranslateMessage(MenuTemplateContext(IDR_OPTIONS_MENU), "Font..."), "Schriftart...");
}

TEST_F(GermanLanguage, PicksThePluralFormForTheCount)
{
    Use(KESTRUM_LOCALE_BUILD_DIR);
    EXPECT_EQ(FormatCountString(IDS_FMT_NOT_LISTED_ONE, 1, {"1"}), "1 Ordner konnte nicht gelesen werden");
    EXPECT_EQ(FormatCountString(IDS_FMT_NOT_LISTED_ONE, 3, {"3"}), "3 Ordner konnten nicht gelesen werden");
    // A text whose English has one form for every count gets the language's forms all the same.
    EXPECT_EQ(FormatCountString(IDS_FMT_FILES, 1, {"1"}), ",   1 Datei");
    EXPECT_EQ(FormatCountString(IDS_FMT_FILES, 0, {"0"}), ",   0 Dateien");
    // Looked up by id alone, each id of a pair still gives its own form.
    EXPECT_EQ(LoadString(IDS_FMT_LARGEST_DONE_ONE), "Fertig: %s Datei");
    EXPECT_EQ(LoadString(IDS_FMT_LARGEST_DONE), "Fertig: %s Dateien");
}

TEST_F(GermanLanguage, EnglishCountsKeepTheTablesTexts)
{
    Use(m_tree.Root()); // no catalogue there
    EXPECT_EQ(FormatCountString(IDS_FMT_NOT_LISTED_ONE, 1, {"1"}), "1 folder could not be listed");
    EXPECT_EQ(FormatCountString(IDS_FMT_NOT_LISTED_ONE, 2, {"2"}), "2 folders could not be listed");
    EXPECT_EQ(FormatCountString(IDS_FMT_FOLDERS, 1, {"1"}), "1 Folders");
    EXPECT_EQ(LoadString(IDS_FMT_SELECTED_FILES), LoadEnglishString(IDS_FMT_SELECTED_FILES));
}

TEST_F(GermanLanguage, KeepsTheTextsProgramsReadBackEvenWhenACatalogueTranslatesThem)
{
    ASSERT_TRUE(MakeCatalogue("msgctxt \"103\"\nmsgid \"Window\"\nmsgstr \"Fenster\"\n\n"
                              "msgctxt \"102\"\nmsgid \"Main\"\nmsgstr \"Haupt\"\n\n"
                              "msgctxt \"57344\"\nmsgid \"Kestrum\"\nmsgstr \"Turmfalke\"\n\n"
                              "msgctxt \"2030\"\nmsgid \"Folder\"\nmsgstr \"Verzeichnis\"\n"));
    Use(m_tree.Root());
    EXPECT_EQ(LoadString(IDS_ACC_FOLDER), "Verzeichnis"); // the catalogue is read
    EXPECT_EQ(LoadString(IDS_ENTRY_WINDOW), "Window");
    EXPECT_EQ(LoadString(IDS_SECTION_MAIN), "Main");
    EXPECT_EQ(LoadString(AFX_IDS_APP_TITLE), "Kestrum");
}

TEST_F(GermanLanguage, FallsBackToEnglishWhenTheCatalogueIsBroken)
{
    ASSERT_TRUE(m_tree.MakeFolder("de") && m_tree.MakeFolder("de/LC_MESSAGES"));
    std::ofstream(m_tree.Path("de/LC_MESSAGES/kestrum.mo")) << "not a catalogue, just some bytes of text";
    Use(m_tree.Root());
    EXPECT_EQ(LoadString(IDS_ACC_FOLDER), "Folder");
    EXPECT_EQ(FormatCountString(IDS_FMT_EXCLUDED_ONE, 2, {"2"}), "2 entries excluded");
}
