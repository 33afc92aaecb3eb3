// The order of the extension table: the same rows, for every column and direction, as sorting
// the records one by one with the list's comparison (ties by bytes), in the C locale and in one
// whose collation is not bytewise.
#include "ExtInfo.h"
#include "ExtOrder.h"
#include "ExtTable.h"
#include "ExtTableWriter.h"
#include "OutputBuffer.h"
#include "ScanInfo.h"
#include "ScanJob.h"
#include "ScanResult.h"
#include "ScanRun.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Records with many equal counts and sizes, allocated sizes in another order than the apparent
// ones, and names that a locale may order unlike their bytes; and a "(none)" row.
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
    // Names alike in their first eight bytes, a byte above 0x7f among them.
    for (const char* name : {".abcdefg", ".abcdefgh", ".abcdefg\xff", ".abcdefgA", ".abcdefg\xc3\xa9z", ".\xff"})
        names.insert(name);
    EXTINFO* pHead = nullptr;
    for (const std::string& name : names) {
        pHead = new EXTINFO{random() % 5, random() % 4 * 1000, pHead, name, random() % 3 * 4096};
        copies.push_back(*pHead);
    }
    ScanCounters counters;
    counters.nNoExtFiles = 3;
    counters.nNoExtBytes = 1500;
    counters.nNoExtDiskBytes = 8192;
    copies.push_back(EXTINFO{counters.nNoExtFiles, counters.nNoExtBytes, nullptr, "", counters.nNoExtDiskBytes});
    return ScanResult(counters, pHead, ScanEnding::Finished);
}

std::vector<std::string> Names(const ExtTable& table)
{
    std::vector<std::string> names;
    for (std::size_t row = 0; row < table.RowCount(); ++row)
        names.push_back(table.Row(row).szExt);
    return names;
}

} // namespace

// Every column, direction and size measure; the totals and shares follow the measure too.
TEST(ExtTableTest, OrdersAsTheRecordComparisonInEveryColumnAndDirection)
{
    for (const auto& [locale, measure] : {std::pair{"C", SizeMeasure::Apparent}, std::pair{"de_DE.UTF-8", SizeMeasure::Apparent},
                                          std::pair{"C", SizeMeasure::OnDisk}, std::pair{"C.UTF-8", SizeMeasure::Apparent}}) {
        if (!std::setlocale(LC_ALL, locale)) {
            ADD_FAILURE() << "locale " << locale << " is missing (scripts/test.sh makes it)";
            continue;
        }
        std::vector<EXTINFO> records;
        const ScanResult result = RandomResult(records);
        ExtTable table(result, true, measure);
        std::uint64_t files = 0, bytes = 0;
        for (const EXTINFO& record : records) {
            files += record.nCount;
            bytes += measure == SizeMeasure::OnDisk ? record.nDiskBytes : record.nBytes;
        }
        EXPECT_EQ(table.TotalFiles(), files);
        EXPECT_EQ(table.TotalBytes(), bytes);
        for (const ExtColumn column : {ExtColumn::Ext, ExtColumn::Count, ExtColumn::Size, ExtColumn::Percent}) {
            for (const bool ascending : {true, false}) {
                SCOPED_TRACE(std::string(locale) + (measure == SizeMeasure::OnDisk ? " on disk" : "") + " column "
                             + std::to_string(static_cast<int>(column)) + (ascending ? " ascending" : " descending"));
                std::vector<EXTINFO> expected = records;
                std::sort(expected.begin(), expected.end(), [&](const EXTINFO& a, const EXTINFO& b) {
                    const int order = CompareExtInfo(a, b, column, ascending, measure);
                    return order != 0 ? order < 0 : a.szExt < b.szExt;
                });
                std::vector<std::string> expectedNames;
                for (const EXTINFO& record : expected)
                    expectedNames.push_back(record.szExt);
                EXPECT_TRUE(table.Order(column, ascending));
                EXPECT_EQ(Names(table), expectedNames);
                // Each row shows its bytes and share of the measure; the "(none)" row's are the
                // counters' own.
                for (std::size_t row = 0; row < table.RowCount(); ++row) {
                    const EXTINFO& shown = expected[row];
                    const std::uint64_t rowBytes = measure == SizeMeasure::OnDisk ? shown.nDiskBytes : shown.nBytes;
                    ASSERT_EQ(table.Bytes(table.Row(row)), rowBytes) << shown.szExt;
                    ASSERT_EQ(table.ShareOf(table.Bytes(table.Row(row))), rowBytes * 100 / bytes) << shown.szExt;
                }
                // The second locale must really collate unlike the bytes, or it tests nothing more.
                if (column == ExtColumn::Ext && ascending && std::string(locale).starts_with("de")) {
                    EXPECT_FALSE(std::is_sorted(expectedNames.begin(), expectedNames.end()));
                }
            }
        }
    }
    std::setlocale(LC_ALL, "C");
}

namespace {

// What a buffer wrote to a memory stream.
template <typename Write>
std::string Written(Write write)
{
    char* pText = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&pText, &size);
    if (!stream)
        return "open_memstream failed";
    {
        COutputBuffer out(stream);
        write(out);
    }
    std::fclose(stream);
    std::string text(pText, size);
    std::free(pText);
    return text;
}

} // namespace

// CSV and the tab-separated text show the bytes and shares of the table's measure; JSON carries
// apparent and allocated bytes whatever the measure (its shares follow the measure), and the
// count of entries excluded.
TEST(ExtTableTest, WriterShowsTheMeasureAndJsonCarriesBothSizes)
{
    ScanCounters counters;
    counters.nFiles = 3;
    counters.nBytes = 700;
    counters.nDiskBytes = 12288;
    counters.nNoExtFiles = 1;
    counters.nNoExtBytes = 300;
    counters.nNoExtDiskBytes = 8192;
    counters.nExcluded = 5;
    EXTINFO* pHead = new EXTINFO{1, 100, nullptr, ".b", 4096};
    pHead = new EXTINFO{1, 300, pHead, ".a", 0};
    const ScanResult result(counters, pHead, ScanEnding::Finished);
    const std::string jsonStart = R"({"root": "/r", "folders": 0, "files": 3, "bytes": 700, "disk_bytes": 12288, "extensions": [)";
    const std::string jsonEnd = R"(], "not_listed": 0, "not_entered": 0, "vanished": 0, "not_examined": 0, "not_in_rows": 0, )"
                                R"("excluded": 5, "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": 1, "bytes": 300, "disk_bytes": 8192}})" "\n";
    const struct {
        SizeMeasure measure;
        const char* csv;
        const char* tabbed;
        const char* jsonRows;
    } cases[] = {
        {SizeMeasure::Apparent, "ext,count,bytes,percent\n.a,1,300,75\n.b,1,100,25\n", "Ext\tCount\tSize\t%\n.a\t1\t300\t75\n.b\t1\t100\t25\n",
         R"({"ext": ".a", "count": 1, "bytes": 300, "disk_bytes": 0, "percent": 75}, )"
         R"({"ext": ".b", "count": 1, "bytes": 100, "disk_bytes": 4096, "percent": 25})"},
        {SizeMeasure::OnDisk, "ext,count,bytes,percent\n.b,1,4096,100\n.a,1,0,0\n", "Ext\tCount\tSize\t%\n.b\t1\t4096\t100\n.a\t1\t0\t0\n",
         R"({"ext": ".b", "count": 1, "bytes": 100, "disk_bytes": 4096, "percent": 100}, )"
         R"({"ext": ".a", "count": 1, "bytes": 300, "disk_bytes": 0, "percent": 0})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.measure == SizeMeasure::OnDisk ? "on disk" : "apparent");
        ExtTable table(result, false, c.measure);
        ASSERT_TRUE(table.Order(ExtColumn::Size, false));
        const ExtTableWriter writer(table);
        EXPECT_EQ(Written([&](COutputBuffer& out) { writer.WriteCsv(out); }), c.csv);
        EXPECT_EQ(Written([&](COutputBuffer& out) { writer.WriteTabSeparated(out); }), c.tabbed);
        EXPECT_EQ(Written([&](COutputBuffer& out) { writer.WriteJson(out, "/r", counters); }), jsonStart + c.jsonRows + jsonEnd);
    }
}

// The "(none)" row stands for the files met without an extension. A scan whose files all have
// one (a name ending in "." and a hidden file's name count as having one) gets no such row even
// when it is asked for: not in the table, its totals, nor what CSV, JSON and the tab-separated
// text write of it. One file without an extension brings the row.
TEST(ExtTableTest, NoExtRowOnlyWhenAFileWithoutAnExtensionWasMet)
{
    const struct {
        std::vector<std::string> files;
        bool bRow;
    } cases[] = {
        {{"a.txt", "b.", ".profile"}, false},
        {{"a.txt", "b.", ".profile", "README"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bRow ? "one file without an extension" : "every file with an extension");
        TempTree tree;
        for (const std::string& file : c.files)
            ASSERT_TRUE(tree.MakeFile(file, 10));
        SCANINFO scan;
        ScanJob job(scan);
        ASSERT_TRUE(job.Prepare(tree.Root()));
        job.RunHere(WithTestThreads({}));
        ASSERT_TRUE(job.IsDone());
        const ScanResult result = job.TakeResult();
        ASSERT_EQ(result.Counters().nFiles, c.files.size());

        ExtTable table(result, true);
        ASSERT_TRUE(table.Order(ExtColumn::Size, false));
        EXPECT_EQ(table.HasNoExtRow(), c.bRow);
        const std::vector<std::string> names = Names(table);
        EXPECT_EQ(std::count(names.begin(), names.end(), ""), c.bRow ? 1 : 0);
        EXPECT_EQ(table.RowCount(), result.RecordCount() + (c.bRow ? 1 : 0));
        EXPECT_EQ(table.TotalFiles(), c.files.size());

        const ExtTableWriter writer(table);
        const std::string csv = Written([&](COutputBuffer& out) { writer.WriteCsv(out); });
        const std::string json = Written([&](COutputBuffer& out) { writer.WriteJson(out, "/r", result.Counters()); });
        const std::string tabbed = Written([&](COutputBuffer& out) { writer.WriteTabSeparated(out); });
        EXPECT_EQ(csv.find("\n,") != std::string::npos, c.bRow) << csv;
        EXPECT_EQ(json.find(R"({"ext": "", )") != std::string::npos, c.bRow) << json;
        EXPECT_EQ(tabbed.find("\n(none)\t") != std::string::npos, c.bRow) << tabbed;
    }
}
