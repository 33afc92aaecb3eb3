#include "ProfileStore.h"

#include <QSettings>

#include <charconv>
#include <memory>

namespace {

QString& TestProfileFile()
{
    static QString path;
    return path;
}

std::unique_ptr<QSettings> OpenProfile()
{
    if (!TestProfileFile().isEmpty())
        return std::make_unique<QSettings>(TestProfileFile(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvaldi"),
                                       QStringLiteral("Kestrum"));
}

QString Key(const QString& section, const QString& entry)
{
    return section + QLatin1Char('/') + entry;
}

// INI files read a value with commas as a list; the profile has strings only.
QString ValueText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool Written(QSettings& settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue)
{
    const std::unique_ptr<QSettings> settings = OpenProfile();
    const QVariant value = settings->value(Key(section, entry));
    return value.isValid() ? ValueText(value) : defaultValue;
}

int GetProfileInt(const QString& section, const QString& entry, int nDefault)
{
    const std::unique_ptr<QSettings> settings = OpenProfile();
    const QVariant value = settings->value(Key(section, entry));
    if (!value.isValid())
        return nDefault;
    const QByteArray text = ValueText(value).trimmed().toLatin1();
    const char* first = text.constData();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    int nValue = 0;
    const auto [end, error] = std::from_chars(first, last, nValue);
    return (error == std::errc() && end != first) ? nValue : nDefault;
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value)
{
    const std::unique_ptr<QSettings> settings = OpenProfile();
    settings->setValue(Key(section, entry), value);
    return Written(*settings);
}

bool WriteProfileInt(const QString& section, const QString& entry, int nValue)
{
    const std::unique_ptr<QSettings> settings = OpenProfile();
    settings->setValue(Key(section, entry), nValue);
    return Written(*settings);
}

void SetProfileFileForTesting(const QString& path)
{
    TestProfileFile() = path;
}
