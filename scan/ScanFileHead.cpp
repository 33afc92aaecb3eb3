#include "ScanFileHead.h"

#include "ScanResult.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <ctime>

namespace {

std::string HostName()
{
    char name[HOST_NAME_MAX + 1] = "";
    if (gethostname(name, sizeof name) != 0)
        return {};
    name[HOST_NAME_MAX] = '\0';
    return name;
}

// The fields in `format` (year, month, day, hour, minute, second), the year always four digits
// (strftime's %Y writes the year 226 as "226", which no reader of ISO 8601 takes).
std::string UtcFormat(std::int64_t seconds, const char* format)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm utc {};
    char text[64] = "";
    if (gmtime_r(&time, &utc))
        std::snprintf(text, sizeof text, format, utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                      utc.tm_min, utc.tm_sec);
    return text;
}

} // namespace

ScanFileHead ScanFileHead::Of(const ScanResult& result, std::string program, bool bExtensionsOnly, bool bInterrupted)
{
    ScanFileHead head;
    head.program = std::move(program);
    head.started = result.Started();
    head.milliseconds = result.Milliseconds();
    head.host = HostName();
    head.choices = result.Choices();
    head.choices.extensionsOnly = bExtensionsOnly;
    if (result.Ending() == ScanEnding::Stopped)
        head.ending = bInterrupted ? ScanFileEnding::Interrupted : ScanFileEnding::Stopped;
    return head;
}

std::string ScanFileHead::UtcText(std::int64_t seconds)
{
    return UtcFormat(seconds, "%04d-%02d-%02dT%02d:%02d:%02dZ");
}

std::string ScanFileHead::UtcMinute(std::int64_t seconds)
{
    return UtcFormat(seconds, "%04d-%02d-%02d %02d:%02d");
}

std::optional<std::int64_t> ScanFileHead::FromUtcText(std::string_view text)
{
    // Exactly the form UtcText writes; timegm turns the fields into seconds without the zone.
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t digits) -> std::optional<int> {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const auto hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *month < 1 || *month > 12 || *day < 1 ||
        *day > 31 || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    std::tm utc {};
    utc.tm_year = *year - 1900;
    utc.tm_mon = *month - 1;
    utc.tm_mday = *day;
    utc.tm_hour = *hour;
    utc.tm_min = *minute;
    utc.tm_sec = *second;
    // A date that does not exist (February 31) would move to another: refused instead.
    const auto seconds = static_cast<std::int64_t>(timegm(&utc));
    if (UtcText(seconds) != text)
        return std::nullopt;
    return seconds;
}

std::string_view ScanFileHead::EndingKey(ScanFileEnding ending)
{
    switch (ending) {
    case ScanFileEnding::Finished: return "finished";
    case ScanFileEnding::Stopped: return "stopped";
    case ScanFileEnding::Interrupted: return "interrupted";
    }
    return "finished";
}

std::optional<ScanFileEnding> ScanFileHead::EndingFromKey(std::string_view key)
{
    for (const ScanFileEnding ending : {ScanFileEnding::Finished, ScanFileEnding::Stopped, ScanFileEnding::Interrupted})
        if (EndingKey(ending) == key)
            return ending;
    return std::nullopt;
}
