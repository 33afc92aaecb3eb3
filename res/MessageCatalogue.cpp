#include "MessageCatalogue.h"

#include <libintl.h>
#include <unistd.h>

#include <climits>
#include <new>

namespace {

// gettext's key for a message with a context: the context, EOT, the message (as pgettext builds it).
std::string ContextKey(std::string_view context, std::string_view message)
{
    std::string key;
    key.reserve(context.size() + 1 + message.size());
    key.append(context);
    key += '\004';
    key.append(message);
    return key;
}

// The folder of the running program, or "" when it cannot be read.
std::string ExecutableDir()
{
    char buffer[PATH_MAX];
    const ssize_t nLength = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (nLength <= 0 || static_cast<std::size_t>(nLength) >= sizeof buffer)
        return std::string();
    const std::string_view path(buffer, static_cast<std::size_t>(nLength));
    return std::string(path.substr(0, path.rfind('/')));
}

} // namespace

void BindMessageCatalogues(const std::string& localeDir)
{
    if (!localeDir.empty())
        bindtextdomain(kTextDomain, localeDir.c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
}

std::string InstalledLocaleDir() noexcept
try {
    const std::string dir = ExecutableDir();
    return dir.empty() ? std::string() : dir + "/" KESTRUM_LOCALE_FROM_BIN;
} catch (const std::bad_alloc&) {
    return std::string(); // gettext's own default folder, else English
}

std::string_view TranslateMessage(std::string_view context, std::string_view english) noexcept
try {
    const std::string key = ContextKey(context, english);
    const char* translated = dgettext(kTextDomain, key.c_str());
    // gettext hands back the key itself when it has no translation.
    if (translated == key.c_str())
        return english;
    return translated;
} catch (const std::bad_alloc&) {
    // Short of memory the English text still says it (the "out of memory" message included).
    return english;
}

std::string_view TranslatePlural(std::string_view context, std::string_view singular, std::string_view plural,
                                 unsigned long long count) noexcept
try {
    const std::string key = ContextKey(context, singular);
    const std::string pluralText(plural);
    const unsigned long nCount = static_cast<unsigned long>(count);
    const char* translated = dngettext(kTextDomain, key.c_str(), pluralText.c_str(), nCount);
    if (translated == key.c_str())
        return singular;
    if (translated == pluralText.c_str())
        return plural;
    return translated;
} catch (const std::bad_alloc&) {
    return count == 1 ? singular : plural;
}

std::string DialogTemplateContext(unsigned nIDTemplate)
{
    return "dialog " + std::to_string(nIDTemplate);
}

std::string MenuTemplateContext(unsigned nIDMenu)
{
    return "menu " + std::to_string(nIDMenu);
}
