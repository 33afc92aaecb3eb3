// The order of the extension table: the same rows, for every column and direction, as sorting
// the records one by one with the list's comparison (ties by bytes), in the C locale and in one
// whose collation is not bytewise.
#include "ExtInfo.h"
#include "ExtOrder.h"
#include "ExtTable.h"
#include "ScanResult.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// Records with many equal counts and sizes and names that a locale may order unlike their bytes.
ScanResult RandomResult(std::vector<EXTINFO>& copies)
{
    static const char* const kPieces[] = {"a", "b", "_", "-", "1", "\xc3\xa9", "e", "z", "."};
    std::mt19937 random(20261207);
    std::set<std::string> names;
    while (names.size() < 400) {
        std::string name = ".";
        const std::size_t length = 1 + random() % 4;
        for (std::size_t i = 0; i < length; ++i)
            name += kPieces[random() % std::size(kPieces)];
        names.insert(name);
    }
    EXTINFO* pHead = nullptr;
    for (const std::string& name : names) {
        pHead = new EXTINFO{random() % 5, random() % 4 * 1000, pHead, name};
        copies.push_back(*pHead);
    }
    return ScanResult(ScanCounters{}, pHead, ScanEnding::Finished);
}

std::vector<std::string> Names(const ExtTable& table)
{
    std::vector<std::string> names;
    for (std::size_t row = 0; row < table.RowCount(); ++row)
        names.push_back(table.Row(row).szExt);
    return names;
}

} // namespace

TEST(ExtTableTest, OrdersAsTheRecordComparisonInEveryColumnAndDirection)
{
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        if (!std::setlocale(LC_ALL, locale)) {
            ADD_FAILURE() << "locale " << locale << " is missing (scripts/test.sh makes it)";
            continue;
        }
        std::vector<EXTINFO> records;
        const ScanResult result = RandomResult(records);
        ExtTable table(result);
        std::uint64_t files = 0, bytes = 0;
        for (const EXTINFO& record : records) {
            files += record.nCount;
            bytes += record.nBytes;
        }
        EXPECT_EQ(table.TotalFiles(), files);
        EXPECT_EQ(table.TotalBytes(), bytes);
        for (const ExtColumn column : {ExtColumn::Ext, ExtColumn::Count, ExtColumn::Size, ExtColumn::Percent}) {
            for (const bool ascending : {true, false}) {
                SCOPED_TRACE(std::string(locale) + " column " + std::to_string(static_cast<int>(column))
                             + (ascending ? " ascending" : " descending"));
                std::vector<EXTINFO> expected = records;
                std::sort(expected.begin(), expected.end(), [&](const EXTINFO& a, const EXTINFO& b) {
                    const int order = CompareExtInfo(a, b, column, ascending);
                    return order != 0 ? order < 0 : a.szExt < b.szExt;
                });
                std::vector<std::string> expectedNames;
                for (const EXTINFO& record : expected)
                    expectedNames.push_back(record.szExt);
                EXPECT_TRUE(table.Order(column, ascending));
                EXPECT_EQ(Names(table), expectedNames);
                // The second locale must really collate unlike the bytes, or it tests nothing more.
                if (column == ExtColumn::Ext && ascending && std::string(locale) != "C") {
                    EXPECT_FALSE(std::is_sorted(expectedNames.begin(), expectedNames.end()));
                }
            }
        }
    }
    std::setlocale(LC_ALL, "C");
}
