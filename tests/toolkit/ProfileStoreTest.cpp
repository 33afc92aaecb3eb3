#include "ProfileStore.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ProfileStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_path = m_folder.filePath(QStringLiteral("profile.ini"));
        SetProfileFileForTesting(m_path);
    }

    QTemporaryDir m_folder;
    QString m_path;
};

TEST_F(ProfileStoreTest, StringsRoundTripUnderSectionAndEntry)
{
    EXPECT_EQ(GetProfileString("Main", "Window0", "none"), "none");
    ASSERT_TRUE(WriteProfileString("Main", "Window0", "1 2 3 4 1 0 0 1024 768"));
    EXPECT_EQ(GetProfileString("Main", "Window0"), "1 2 3 4 1 0 0 1024 768");
    ASSERT_TRUE(WriteProfileString("Main", "Font", "-13 0 0 0 400 0 0 0 0 1 2 1 34 \"Sans, Bold\" 0"));
    EXPECT_EQ(GetProfileString("Main", "Font"), "-13 0 0 0 400 0 0 0 0 1 2 1 34 \"Sans, Bold\" 0");

    // The store keeps the section as a group and the entry as a key.
    const QSettings file(m_path, QSettings::IniFormat);
    EXPECT_EQ(file.value("Main/Window0").toString(), "1 2 3 4 1 0 0 1024 768");
}

TEST_F(ProfileStoreTest, IntegersAreDecimalTextAndFallBackWhenUnreadable)
{
    EXPECT_EQ(GetProfileInt("Main", "Help", 1), 1);
    ASSERT_TRUE(WriteProfileInt("Main", "Help", 0));
    EXPECT_EQ(GetProfileInt("Main", "Help", 1), 0);
    EXPECT_EQ(GetProfileString("Main", "Help"), "0");

    const struct {
        const char* text;
        int expected;
    } cases[] = {{"42", 42}, {" -7 ", -7}, {"+5", 5}, {"12abc", 12}, {"abc", 99}, {"", 99}, {"99999999999", 99}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteProfileString("Main", "Number", c.text));
        EXPECT_EQ(GetProfileInt("Main", "Number", 99), c.expected) << c.text;
    }
}

} // namespace
