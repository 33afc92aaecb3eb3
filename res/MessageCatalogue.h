// The message catalogues (GNU gettext) that put the string table and the templates into the
// user's language. LANGUAGE, LC_ALL, LC_MESSAGES and LANG choose as everywhere else; a text the
// catalogue lacks, or a catalogue that is missing or broken, gives the English text.
#pragma once

#include <string>
#include <string_view>

// The text domain: the catalogues are <locale dir>/<lang>/LC_MESSAGES/kestrum.mo.
inline constexpr char kTextDomain[] = "kestrum";

// Reads the catalogues from `localeDir`, in UTF-8 whatever the locale's own character set, since
// both programs write UTF-8. Call once at start, before the first text is looked up.
void BindMessageCatalogues(const std::string& localeDir);

// The locale folder of the running program: <its folder>/<KESTRUM_LOCALE_FROM_BIN>, which is
// share/locale of the installed prefix, and the build folder's share/locale when run from there.
// "" when it cannot be found (then gettext looks in its own default folder).
std::string InstalledLocaleDir() noexcept;

// The translation of `english` in `context` (a msgctxt), or `english` itself. The view stays
// valid for the life of the program (a catalogue is never unloaded). Never throws: short of
// memory, the English text.
std::string_view TranslateMessage(std::string_view context, std::string_view english) noexcept;

// ngettext with a context: the form for `count` of a text with a singular and a plural.
std::string_view TranslatePlural(std::string_view context, std::string_view singular, std::string_view plural,
                                 unsigned long long count) noexcept;

// The context of a dialog template's or a menu template's texts in the catalogue.
std::string DialogTemplateContext(unsigned nIDTemplate);
std::string MenuTemplateContext(unsigned nIDMenu);
