// Writes the message catalogue's template (kestrum.pot) from the string table and the dialog
// and menu templates themselves, so the catalogue always holds exactly the texts the programs
// look up: kestrum_make_pot RESOURCE_H OUTPUT.
// Each text of the table has its id as context, so equal English texts with different ids stay
// apart; a pair of singular and plural ids is one plural message; the texts programs read back
// (settings names) are left out. Resource.h gives each id its name, as a comment for translators.
#include "DialogTemplate.h"
#include "MenuTemplate.h"
#include "MessageCatalogue.h"
#include "StringTable.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// id → its name in Resource.h ("IDS_ACC_FOLDER"); only names of string table entries (IDS_...).
std::map<unsigned, std::string> ReadIdNames(const std::string& path)
{
    std::map<unsigned, std::string> names;
    std::ifstream in(path);
    const std::regex define(R"(^\s*#define\s+((?:AFX_)?IDS_\w+)\s+(\d+)\b)");
    std::string line;
    std::smatch match;
    while (std::getline(in, line))
        if (std::regex_search(line, match, define))
            names.emplace(static_cast<unsigned>(std::stoul(match[2].str())), match[1].str());
    return names;
}

// A PO string: quoted, escaped, and split after each "\n" when it spans several lines.
std::string Quote(std::string_view text)
{
    std::string body;
    std::string lines;
    std::size_t nLines = 0;
    for (char c : text) {
        switch (c) {
        case '"': body += "\\\""; break;
        case '\\': body += "\\\\"; break;
        case '\t': body += "\\t"; break;
        case '\n':
            body += "\\n";
            lines += "\"" + body + "\"\n";
            body.clear();
            ++nLines;
            continue;
        default: body += c;
        }
    }
    if (!body.empty() || nLines == 0) {
        lines += "\"" + body + "\"\n";
        ++nLines;
    }
    // Several lines start with an empty string, as xgettext writes them.
    return nLines > 1 ? "\"\"\n" + lines : lines;
}

// "c-format" for a text whose every "%" starts a conversion the programs fill (so msgfmt --check
// compares a translation's placeholders with it), "no-c-format" for a text with a lone "%".
std::string FormatFlag(std::string_view text)
{
    bool bAny = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        const std::string_view rest = text.substr(i + 1);
        std::size_t nLength = 0;
        if (rest.starts_with("%") || rest.starts_with("s") || rest.starts_with("d"))
            nLength = 1;
        else if (rest.starts_with("lu"))
            nLength = 2;
        if (nLength == 0)
            return "no-c-format";
        bAny = true;
        i += nLength;
    }
    return bAny ? "c-format" : std::string();
}

void WriteMessage(std::ostream& out, const std::string& comment, std::string_view context, std::string_view text,
                  std::string_view plural = {})
{
    out << "\n#. " << comment << "\n";
    const std::string flag = FormatFlag(text);
    if (!flag.empty())
        out << "#, " << flag << "\n";
    out << "msgctxt " << Quote(context) << "msgid " << Quote(text);
    if (plural.empty()) {
        out << "msgstr \"\"\n";
    } else {
        out << "msgid_plural " << Quote(plural) << "msgstr[0] \"\"\nmsgstr[1] \"\"\n";
    }
}

bool IsPluralForm(unsigned id)
{
    for (const PluralIds& pair : PluralPairs())
        if (pair.nIDMany == id && pair.nIDOne != id)
            return true;
    return false;
}

std::string PluralOf(unsigned id)
{
    for (const PluralIds& pair : PluralPairs())
        if (pair.nIDOne == id)
            return std::string(LoadEnglishString(pair.nIDMany));
    return std::string();
}

void WriteStringTable(std::ostream& out, const std::map<unsigned, std::string>& names)
{
    for (unsigned id : StringIds()) {
        if (!IsTranslated(id) || IsPluralForm(id))
            continue;
        const auto name = names.find(id);
        const std::string comment = name != names.end() ? name->second : "string " + std::to_string(id);
        WriteMessage(out, comment, std::to_string(id), LoadEnglishString(id), PluralOf(id));
    }
}

void WriteTemplates(std::ostream& out)
{
    for (const DialogTemplate& dialog : DialogTemplates()) {
        const std::string context = DialogTemplateContext(dialog.id);
        std::set<std::string_view> written;
        auto write = [&](std::string_view text, const std::string& where) {
            if (!text.empty() && written.insert(text).second)
                WriteMessage(out, where, context, text);
        };
        write(dialog.caption, context + ", caption");
        for (const ControlTemplate& control : dialog.controls)
            write(control.text, context + ", control " + std::to_string(control.nId));
    }
    for (const MenuTemplate& menu : MenuTemplates()) {
        const std::string context = MenuTemplateContext(menu.id);
        std::set<std::string_view> written;
        for (const MenuPopupTemplate& popup : menu.popups) {
            if (!popup.text.empty() && written.insert(popup.text).second)
                WriteMessage(out, context + ", pop-up", context, popup.text);
            for (const MenuItemTemplate& item : popup.items)
                if (!item.text.empty() && written.insert(item.text).second)
                    WriteMessage(out, context + ", command " + std::to_string(item.nId), context, item.text);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: kestrum_make_pot RESOURCE_H OUTPUT\n";
        return 2;
    }
    std::ostringstream pot;
    pot << "# The messages of Kestrum's two programs, from its string table and templates.\n"
           "# The context of a string is its id; the comment above it names the id.\n"
           "msgid \"\"\n"
           "msgstr \"\"\n"
           "\"Project-Id-Version: kestrum\\n\"\n"
           "\"MIME-Version: 1.0\\n\"\n"
           "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
           "\"Content-Transfer-Encoding: 8bit\\n\"\n";
    WriteStringTable(pot, ReadIdNames(argv[1]));
    WriteTemplates(pot);
    // Only a complete file replaces the old one, so a failed run leaves no half template behind.
    const std::string temporary = std::string(argv[2]) + ".tmp";
    std::ofstream out(temporary, std::ios::binary);
    out << pot.str();
    out.close();
    if (!out || std::rename(temporary.c_str(), argv[2]) != 0) {
        std::cerr << "kestrum_make_pot: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
