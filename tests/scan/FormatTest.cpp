// The text formatters: grouped counts, whole-percent shares and the note on what a scan left out.
#include "CountsText.h"
#include "Format.h"
#include "ScanCounters.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <langinfo.h>
#include <limits>
#include <string>

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

struct NumberCase {
    std::uint64_t value;
    const char* text;
};

class CLocaleFormatTest : public ::testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(CLocaleFormatTest, FormatNumberGroupsThreeDigitsWithCommas)
{
    const NumberCase cases[] = {
        {0, "0"},
        {7, "7"},
        {99, "99"},
        {999, "999"},
        {1000, "1,000"},
        {10000, "10,000"},
        {100000, "100,000"},
        {1234567, "1,234,567"},
        {kMax, "18,446,744,073,709,551,615"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.text);
    }
}

TEST(FormatNumberLocaleTest, UsesTheLocaleThousandsSeparator)
{
    const char* candidates[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "sv_SE.UTF-8", "ru_RU.UTF-8", "pl_PL.UTF-8",
                                "de_DE", "fr_FR", "nb_NO.UTF-8", "it_IT.UTF-8"};
    std::string separator;
    for (const char* name : candidates) {
        if (!std::setlocale(LC_ALL, name))
            continue;
        const std::string candidate = nl_langinfo(THOUSEP);
        if (!candidate.empty() && candidate != ",") {
            separator = candidate;
            break;
        }
    }
    if (separator.empty()) {
        std::setlocale(LC_ALL, "C");
        GTEST_SKIP() << "no installed locale has a thousands separator other than \",\" (see locale -a)";
    }
    EXPECT_EQ(FormatNumber(1234567), "1" + separator + "234" + separator + "567");
    EXPECT_EQ(FormatNumber(999), "999");
    std::setlocale(LC_ALL, "C");
}

struct PercentCase {
    std::uint64_t part;
    std::uint64_t whole;
    std::uint64_t percent;
};

TEST(FormatPercentTest, IsTheExactTruncatedShare)
{
    const PercentCase cases[] = {
        {0, 0, 100},
        {5, 0, 100},
        {1, 3, 33},
        {500, 1000, 50},
        {999, 1000, 99},
        {1001, 1001, 100},
        {1050, 1050, 100},
        {1099, 1099, 100},
        {2000, 2000, 100},
        {1, 1000000, 0},
        {kMax, kMax, 100},
        {kMax - 1, kMax, 99},
        {kMax / 2, kMax, 49},
        {kMax / 100, kMax, 0},
    };
    for (const PercentCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.part) + " of " + std::to_string(c.whole));
        EXPECT_EQ(PercentOf(c.part, c.whole), c.percent);
        EXPECT_EQ(FormatPercent(c.part, c.whole), std::to_string(c.percent));
    }
}

TEST_F(CLocaleFormatTest, IncompleteTextNamesEachNonZeroCountInTheSingularOrPlural)
{
    const struct {
        std::uint64_t notListed, notEntered, vanished;
        const char* text;
    } cases[] = {
        {0, 0, 0, ""},
        {3, 1, 0, "3 folders could not be listed; 1 mount not entered"},
        {1, 0, 2, "1 folder could not be listed; 2 entries vanished before they could be examined"},
        {0, 2, 1, "2 mounts not entered; 1 entry vanished before it could be examined"},
        {1234, 0, 0, "1,234 folders could not be listed"},
    };
    for (const auto& c : cases) {
        ScanCounters counters;
        counters.nFolders = 7;   // the plain counters never make a note
        counters.nNotListed = c.notListed;
        counters.nNotEntered = c.notEntered;
        counters.nVanished = c.vanished;
        EXPECT_EQ(IncompleteText(counters), c.text);
        EXPECT_EQ(counters.IsComplete(), *c.text == '\0');
    }
}

} // namespace
