// The order of extension records: by count or bytes, ties and the extension column by collation.
#include "ExtInfo.h"
#include "ExtOrder.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

EXTINFO Record(const char* extension, std::uint64_t count, std::uint64_t bytes)
{
    EXTINFO record;
    record.szExt = extension;
    record.nCount = count;
    record.nBytes = bytes;
    return record;
}

TEST(ExtOrderTest, SortsByColumnWithTiesByExtension)
{
    std::setlocale(LC_ALL, "C");
    const EXTINFO gz = Record(".gz", 2, 10);
    const EXTINFO txt = Record(".txt", 2, 5);
    const EXTINFO big = Record(".bin", 1, 1ULL << 40);

    EXPECT_LT(CompareExtInfo(gz, txt, ExtColumn::Ext, true), 0);
    EXPECT_GT(CompareExtInfo(gz, txt, ExtColumn::Ext, false), 0);
    // Equal counts fall back to the extension, and a descending order reverses the tie too.
    EXPECT_LT(CompareExtInfo(gz, txt, ExtColumn::Count, true), 0);
    EXPECT_GT(CompareExtInfo(gz, txt, ExtColumn::Count, false), 0);
    EXPECT_LT(CompareExtInfo(big, gz, ExtColumn::Count, true), 0);
    EXPECT_GT(CompareExtInfo(gz, txt, ExtColumn::Size, true), 0);
    EXPECT_GT(CompareExtInfo(big, gz, ExtColumn::Percent, true), 0);
    EXPECT_LT(CompareExtInfo(big, gz, ExtColumn::Size, false), 0);
    EXPECT_EQ(CompareExtInfo(gz, gz, ExtColumn::Size, true), 0);
}

} // namespace
