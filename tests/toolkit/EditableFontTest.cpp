#include "EditFontDialog.h"
#include "EditableFont.h"
#include "ProfileStore.h"
#include "QtTestMain.h"
#include "Resource.h"
#include "ShownWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kExampleText = QStringLiteral("-11 0 0 0 400 0 0 0 0 0 0 0 \"MS Sans Serif\" 0");
constexpr COLORREF kUnread = 0x123456; // a colour no case stores

LOGFONT ExampleFont()
{
    LOGFONT logFont;
    logFont.lfHeight = -11;
    logFont.lfWeight = 400;
    logFont.lfFaceName = QStringLiteral("MS Sans Serif");
    return logFont;
}

class EditableFontTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        SetProfileFileForTesting(m_folder.filePath(QStringLiteral("profile.ini")));
    }
    void TearDown() override { SetProfileFileForTesting(TestProfilePath()); }

    static QString Stored() { return GetProfileString(QStringLiteral("Main"), QStringLiteral("Font")); }

    QTemporaryDir m_folder;
};

TEST(FontText, ParsesFieldByFieldAndStopsSafely)
{
    const QString face60 = QString(60, QLatin1Char('F'));
    struct Case {
        QString text;
        int nFields;
        int nHeight;
        int nWeight;
        int nItalic;
        int nUnderline;
        QString face;
        COLORREF crColor;
    } const cases[] = {
        {kExampleText, 14, -11, 400, 0, 0, "MS Sans Serif", 0},
        {"-11 0 0 0 400 0 0 0 0 0 0 0 \"\" ff", 12, -11, 400, 0, 0, "", kUnread},
        {"-11 0 0 0 400 0 0 0 0 0 0 0 \"Arial\"", 13, -11, 400, 0, 0, "Arial", kUnread},
        {"-11 0 0 0 400 256 -1 0 0 0 0 0 \"Arial\" ff8000", 14, -11, 400, 0, 255, "Arial", 0xff8000},
        {"-11 0 0 0 99999999999 1 1 0 0 0 0 0 \"Arial\" 0", 4, -11, 0, 0, 0, "", kUnread},
        {"2147483648 0 0 0 400 0 0 0 0 0 0 0 \"Arial\" 0", 0, 0, 0, 0, 0, "", kUnread},
        {"-2147483648 0 0 0 700 1 0 0 0 0 0 0 \"A B\" 0", 14, INT32_MIN, 700, 1, 0, "A B", 0},
        {"-11 0 0 0 400 0 0 0 0 0 0 0 \"" + face60 + "\" 1", 14, -11, 400, 0, 0, face60.left(31), 1},
        {"-11 0 0 0 400 0 0 0 0 0 0 0 \"Arial\" 1ffffffff", 13, -11, 400, 0, 0, "Arial", kUnread},
        {"-11 0 x", 2, -11, 0, 0, 0, "", kUnread},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        LOGFONT logFont;
        logFont.lfClipPrecision = 7;
        COLORREF crColor = kUnread;
        EXPECT_EQ(CEditableFont::ParseFontText(c.text, logFont, crColor), c.nFields);
        EXPECT_EQ(logFont.lfHeight, c.nHeight);
        EXPECT_EQ(logFont.lfWeight, c.nWeight);
        EXPECT_EQ(logFont.lfItalic, c.nItalic);
        EXPECT_EQ(logFont.lfUnderline, c.nUnderline);
        EXPECT_EQ(logFont.lfClipPrecision, 0);
        EXPECT_EQ(logFont.lfFaceName, c.face);
        EXPECT_EQ(crColor, c.crColor);
    }
}

// Bytes are written as numbers, the colour in lowercase hex; the clip precision is not kept.
TEST_F(EditableFontTest, ProfileRoundTripKeepsFontAndColourButNotClipPrecision)
{
    CEditableFont saved;
    LOGFONT logFont = ExampleFont();
    logFont.lfUnderline = 255;
    logFont.lfClipPrecision = 7;
    saved.SetLogFont(logFont);
    saved.m_crColor = 0xABCDEF;
    ASSERT_TRUE(saved.SaveToProfile(IDS_SECTION_MAIN, IDS_ENTRY_FONT));
    EXPECT_EQ(Stored(), "-11 0 0 0 400 0 255 0 0 0 0 0 \"MS Sans Serif\" abcdef");

    CEditableFont loaded;
    loaded.SetFont(QFont(QStringLiteral("Other"), 20));
    loaded.m_crColor = kUnread;
    ASSERT_TRUE(loaded.LoadFromProfile(IDS_SECTION_MAIN, IDS_ENTRY_FONT));
    logFont.lfClipPrecision = 0;
    EXPECT_EQ(loaded.GetLogFont(), logFont);
    EXPECT_EQ(loaded.m_crColor, 0xABCDEFu);

    // Ids without a string and a missing entry change nothing.
    EXPECT_FALSE(loaded.SaveToProfile(ID_OPTIONS_FONT, IDS_ENTRY_FONT));
    EXPECT_FALSE(loaded.LoadFromProfile(IDS_SECTION_MAIN, ID_OPTIONS_FONT));
    EXPECT_FALSE(loaded.LoadFromProfile(QStringLiteral("Main"), QStringLiteral("Missing")));
    EXPECT_EQ(loaded.GetLogFont(), logFont);
}

TEST_F(EditableFontTest, QFontSurvivesTheStoredText)
{
    QFont font(QStringLiteral("No Such Face"));
    font.setPixelSize(27);
    font.setWeight(QFont::Bold);
    font.setItalic(true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    CEditableFont saved;
    saved.SetFont(font);
    saved.SaveToProfile(QStringLiteral("Main"), QStringLiteral("Font"));

    CEditableFont loaded;
    loaded.SetFont(QFont());
    ASSERT_TRUE(loaded.LoadFromProfile(QStringLiteral("Main"), QStringLiteral("Font")));
    const QFont back = loaded.GetFont();
    EXPECT_EQ(back.family(), font.family());
    EXPECT_EQ(back.pixelSize(), 27);
    EXPECT_EQ(back.weight(), QFont::Bold);
    EXPECT_TRUE(back.italic() && back.underline() && back.strikeOut());
}

TEST_F(EditableFontTest, DialogCaptionAndAnswer)
{
    const QString standardCaption = QFontDialog().windowTitle();
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPixelSize(21);
    struct Case {
        const char* name;
        std::function<bool(CEditableFont&)> edit;
        QString caption;
        bool bAccept;
    } const cases[] = {
        {"id without a string", [](CEditableFont& font) { return font.EditFont(ID_OPTIONS_FONT); }, standardCaption,
         false},
        {"caption text", [](CEditableFont& font) { return font.EditFont(QStringLiteral("Data font")); },
         QStringLiteral("Data font"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CEditableFont font;
        font.SetLogFont(ExampleFont());
        font.m_crColor = kUnread;
        font.SaveToProfile(QStringLiteral("Main"), QStringLiteral("Font"));
        const QString stored = Stored();

        bool bResult = !c.bAccept;
        QString caption;
        const auto find = [] { return qobject_cast<CEditFontDialog*>(QApplication::activeModalWidget()); };
        ASSERT_TRUE(WithShownWindow([&] { bResult = c.edit(font); }, find, [&](QWidget& dialog) {
            caption = dialog.windowTitle();
            static_cast<CEditFontDialog&>(dialog).setCurrentFont(chosen);
            if (c.bAccept)
                static_cast<CEditFontDialog&>(dialog).accept();
        }));
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(bResult, c.bAccept);
        EXPECT_EQ(font.m_crColor, kUnread);
        EXPECT_EQ(Stored(), stored) << "the dialog saved on its own";
        if (c.bAccept) {
            EXPECT_EQ(font.GetFont().family(), chosen.family());
            EXPECT_EQ(font.GetFont().pixelSize(), 21);
        } else {
            EXPECT_EQ(font.GetLogFont(), ExampleFont());
        }
    }
}

// The sample of Qt's font dialog: the edit field in the group that holds no check box.
QLineEdit* SampleOf(const QFontDialog& dialog)
{
    for (QGroupBox* pGroup : dialog.findChildren<QGroupBox*>())
        if (pGroup->findChildren<QCheckBox*>().isEmpty())
            if (auto* pSample = pGroup->findChild<QLineEdit*>())
                return pSample;
    return nullptr;
}

// Without the effects group, the sample is as tall as in Qt's own dialog, where a large font shows.
TEST(EditFontDialog, SampleWithoutEffectsKeepsItsHeight)
{
    LOGFONT logFont = ExampleFont();
    logFont.lfHeight = -96; // 72 points at 96 dpi
    int nHeight[2] = {};
    for (const bool bEffects : {true, false}) {
        CEditFontDialog dialog(QString(), logFont, {}, bEffects);
        dialog.show();
        QApplication::processEvents();
        const QLineEdit* pSample = SampleOf(dialog);
        ASSERT_NE(pSample, nullptr);
        ASSERT_TRUE(pSample->isVisible());
        nHeight[bEffects] = pSample->height();
    }
    EXPECT_GT(nHeight[true], 0);
    EXPECT_GE(nHeight[false], nHeight[true]);
}

} // namespace
