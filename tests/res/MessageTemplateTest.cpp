// The generated kestrum.pot holds every text the programs translate, under its id, and none of
// the texts programs read back.
#include "DialogTemplate.h"
#include "MenuTemplate.h"
#include "MessageCatalogue.h"
#include "StringTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>

namespace {

struct PotMessage {
    std::string text;
    std::string plural;
};

// The text of one PO string line ("..."), escapes undone.
std::string Unquote(const std::string& line)
{
    const std::size_t first = line.find('"');
    const std::size_t last = line.rfind('"');
    std::string text;
    for (std::size_t i = first + 1; i < last; ++i) {
        if (line[i] != '\\') {
            text += line[i];
            continue;
        }
        const char c = line[++i];
        text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return text;
}

// (context, msgid) → message, from the template's msgctxt/msgid/msgid_plural lines.
std::map<std::pair<std::string, std::string>, PotMessage> ReadTemplate(const std::string& path)
{
    std::map<std::pair<std::string, std::string>, PotMessage> messages;
    std::ifstream in(path);
    std::string line;
    std::string field;
    std::map<std::string, std::string> fields;
    auto flush = [&] {
        if (fields.count("msgid") && !fields["msgid"].empty())
            messages[{fields["msgctxt"], fields["msgid"]}] = {fields["msgid"], fields["msgid_plural"]};
        fields.clear();
    };
    while (std::getline(in, line)) {
        if (line.empty()) {
            flush();
        } else if (line[0] == '"') {
            fields[field] += Unquote(line);
        } else if (line[0] != '#') {
            field = line.substr(0, line.find(' '));
            fields[field] = Unquote(line);
        }
    }
    flush();
    return messages;
}

class MessageTemplate : public testing::Test {
protected:
    void SetUp() override
    {
        m_messages = ReadTemplate(KESTRUM_POT);
        ASSERT_FALSE(m_messages.empty()) << "no messages in " << KESTRUM_POT;
    }
    bool Has(const std::string& context, std::string_view text) const
    {
        return m_messages.count({context, std::string(text)}) != 0;
    }
    std::map<std::pair<std::string, std::string>, PotMessage> m_messages;
};

bool IsPluralOfAnother(unsigned id)
{
    for (const PluralIds& pair : PluralPairs())
        if (pair.nIDMany == id && pair.nIDOne != id)
            return true;
    return false;
}

} // namespace

TEST_F(MessageTemplate, HoldsEveryTranslatedTextOfTheTableUnderItsId)
{
    std::size_t nChecked = 0;
    for (unsigned id : StringIds()) {
        if (!IsTranslated(id) || IsPluralOfAnother(id))
            continue;
        EXPECT_TRUE(Has(std::to_string(id), LoadEnglishString(id))) << "string " << id << " is not in the template";
        ++nChecked;
    }
    EXPECT_GT(nChecked, 100u);
}

TEST_F(MessageTemplate, HoldsEachPairOfSingularAndPluralAsOnePluralMessage)
{
    for (const PluralIds& pair : PluralPairs()) {
        const auto found = m_messages.find({std::to_string(pair.nIDOne), std::string(LoadEnglishString(pair.nIDOne))});
        ASSERT_NE(found, m_messages.end()) << "plural " << pair.nIDOne << " is not in the template";
        EXPECT_EQ(found->second.plural, LoadEnglishString(pair.nIDMany)) << "plural " << pair.nIDOne;
        if (pair.nIDMany != pair.nIDOne) {
            EXPECT_FALSE(Has(std::to_string(pair.nIDMany), LoadEnglishString(pair.nIDMany)))
                << "the plural form " << pair.nIDMany << " is also a message of its own";
        }
    }
}

TEST_F(MessageTemplate, LeavesOutTheTextsProgramsReadBack)
{
    std::size_t nLeftOut = 0;
    for (unsigned id : StringIds()) {
        if (IsTranslated(id))
            continue;
        for (const auto& [key, message] : m_messages)
            EXPECT_NE(key.first, std::to_string(id)) << "string " << id << " is read back, yet in the template";
        ++nLeftOut;
    }
    EXPECT_GT(nLeftOut, 0u);
}

// Every settings section and entry name Resource.h defines, now and when more are added.
TEST(StringTableTranslation, NeverTranslatesASettingsName)
{
    std::ifstream in(KESTRUM_RESOURCE_H);
    const std::regex define(R"(^\s*#define\s+(IDS_(?:ENTRY|SECTION)_\w+)\s+(\d+)\b)");
    std::string line;
    std::smatch match;
    std::size_t nNames = 0;
    while (std::getline(in, line)) {
        if (!std::regex_search(line, match, define))
            continue;
        EXPECT_FALSE(IsTranslated(static_cast<unsigned>(std::stoul(match[2].str())))) << match[1].str();
        ++nNames;
    }
    EXPECT_GE(nNames, 2u);
}

TEST_F(MessageTemplate, HoldsEveryTextOfTheDialogAndMenuTemplates)
{
    for (const DialogTemplate& dialog : DialogTemplates()) {
        const std::string context = DialogTemplateContext(dialog.id);
        EXPECT_TRUE(Has(context, dialog.caption)) << context;
        for (const ControlTemplate& control : dialog.controls) {
            if (!control.text.empty()) {
                EXPECT_TRUE(Has(context, control.text)) << context << ": " << control.text;
            }
        }
    }
    for (const MenuTemplate& menu : MenuTemplates()) {
        for (const MenuPopupTemplate& popup : menu.popups) {
            for (const MenuItemTemplate& item : popup.items) {
                if (!item.text.empty()) {
                    EXPECT_TRUE(Has(MenuTemplateContext(menu.id), item.text)) << item.text;
                }
            }
        }
    }
}
