#include "HumanSize.h"

#include "Resource.h"
#include "StringTable.h"

#include <clocale>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string_view> Units(SizeStyle style)
{
    const std::string_view list = LoadString(style == SizeStyle::Si ? IDS_CLI_UNITS_SI : IDS_CLI_UNITS_BINARY);
    std::vector<std::string_view> units;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t space = std::min(list.find(' ', start), list.size());
        units.push_back(list.substr(start, space - start));
        start = space + 1;
    }
    return units;
}

// numerator / denominator, rounded up; both fit 128 bits for any 64-bit size.
unsigned __int128 CeilDiv(unsigned __int128 numerator, unsigned __int128 denominator)
{
    return (numerator + denominator - 1) / denominator;
}

std::string Decimal(unsigned __int128 value)
{
    return std::to_string(static_cast<std::uint64_t>(value));
}

} // namespace

std::string HumanSize(std::uint64_t bytes, SizeStyle style)
{
    const std::vector<std::string_view> units = Units(style);
    const unsigned base = style == SizeStyle::Si ? 1000 : 1024;
    std::size_t unit = 0;
    unsigned __int128 scale = 1;
    // The first unit in which the rounded number stays below base.
    while (unit + 1 < units.size() && CeilDiv(bytes, scale) >= base) {
        scale *= base;
        ++unit;
    }
    if (unit == 0)
        return FormatString(IDS_CLI_HUMAN_SIZE, {Decimal(bytes), units[0]});
    const unsigned __int128 tenths = CeilDiv(static_cast<unsigned __int128>(bytes) * 10, scale);
    if (tenths >= 100)
        return FormatString(IDS_CLI_HUMAN_SIZE, {Decimal(CeilDiv(bytes, scale)), units[unit]});
    const std::string number = Decimal(tenths / 10) + std::localeconv()->decimal_point + Decimal(tenths % 10);
    return FormatString(IDS_CLI_HUMAN_SIZE, {number, units[unit]});
}
