// The application's profile: per-user settings as named sections holding named string and integer
// entries, kept through QSettings for organisation "Orvaldi" and application "Kestrum" (the
// registry on Windows, ~/.config/Orvaldi/Kestrum.conf on Linux). Section = group, entry = key;
// integers are stored as decimal text. User-interface thread only.
#pragma once

#include <QString>

// The entry's text, or `defaultValue` when the entry is missing.
QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue = QString());
// The entry as an integer (leading decimal digits with an optional sign), or `nDefault` when the
// entry is missing or does not start with a number.
int GetProfileInt(const QString& section, const QString& entry, int nDefault);
// True when the value reached the store.
bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
bool WriteProfileInt(const QString& section, const QString& entry, int nValue);

// Tests: every profile call uses this INI file instead of the user's store; an empty path returns
// to the user's store.
void SetProfileFileForTesting(const QString& path);
