// A scan written as a scan file, read back and written again gives the same bytes; the reader's
// record of the scan is the walk's own.
#include "ExtInfo.h"
#include "ExtTable.h"
#include "ExtTableWriter.h"
#include "OutputBuffer.h"
#include "ScanFileHead.h"
#include "ScanFileReader.h"
#include "ScanSession.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace {

// The JSON a scan file holds for `scan`, as kestrum-scan writes it (every row, largest files
// and problems included).
std::string ScanFileText(const ScanResult& result, const std::string& root, const ScanFileHead& head, bool bNoExtRow)
{
    ExtTable table(result, bNoExtRow);
    table.Order(ExtColumn::Ext, true);
    char* text = nullptr;
    std::size_t length = 0;
    std::FILE* memory = open_memstream(&text, &length);
    if (!memory)
        return {};
    {
        COutputBuffer out(memory);
        ExtTableWriter(table).WriteJson(out, root, result.Counters(), &result.Largest(), &result.Problems(), &head);
    }
    std::fclose(memory);
    std::string json(text, length);
    std::free(text);
    return json;
}

using Rows = std::map<std::string, std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>>;

Rows RowsOf(const ScanResult& result)
{
    Rows rows;
    for (const EXTINFO* record = result.Records(); record; record = record->pNext)
        rows[record->szExt] = {record->nCount, record->nBytes, record->nDiskBytes};
    return rows;
}

TEST(ScanFileRoundTrip, WrittenReadAndWrittenAgainIsIdentical)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("sub"));
    // Plain and folded extensions, a name without one, one ending in a dot, bytes that are not
    // UTF-8 and a backslash (both written \xHH), a sparse file.
    for (const auto& [name, size] : std::map<std::string, std::uint64_t>{
             {"a.txt", 3}, {"B.TXT", 5}, {"sub/README", 7}, {"sub/odd.", 1}, {"sub/bad.\xff\xfe", 11},
             {"sub/back.a\\b", 13}, {"sub/big.img", 5'000'000'000ULL}, {"caf\xC3\xA9.\xC3\x89T\xC3\x89", 2}})
        ASSERT_TRUE(tree.MakeFile(name, size)) << name;

    ScanSession session;
    FolderWalkOptions walk;
    walk.largest.count = 3;
    walk.excludePatterns = {"*.o", "x\\y"};
    walk.linksOnce = true;
    ASSERT_TRUE(session.Start({tree.Root(), walk}));
    ScanResult result = session.TakeResult();
    ASSERT_EQ(result.Largest().size(), 3u);
    const ScanFileHead head = ScanFileHead::Of(result, "kestrum-scan test", false, false);
    const std::string first = ScanFileText(result, tree.Root(), head, true);
    ASSERT_NE(first.find("\"format\": 2"), std::string::npos) << first;

    SavedScan saved;
    ScanFileError error;
    ASSERT_TRUE(ScanFileReader::ReadText(first, saved, error)) << static_cast<int>(error.fault) << error.where;
    EXPECT_EQ(saved.format, 2u);
    EXPECT_TRUE(saved.bHasChoices);
    EXPECT_EQ(saved.root, tree.Root());
    EXPECT_EQ(saved.head.choices, head.choices);
    EXPECT_EQ(saved.result.Counters(), result.Counters());
    EXPECT_EQ(RowsOf(saved.result), RowsOf(result));
    ASSERT_EQ(saved.result.Largest().size(), result.Largest().size());
    for (std::size_t i = 0; i < result.Largest().size(); ++i) {
        EXPECT_EQ(saved.result.Largest()[i].path, result.Largest()[i].path);
        EXPECT_EQ(saved.result.Largest()[i].bytes, result.Largest()[i].bytes);
        EXPECT_EQ(saved.result.Largest()[i].mtime, result.Largest()[i].mtime);
    }

    EXPECT_EQ(ScanFileText(saved.result, saved.root, saved.head, true), first);

    // A file of format 1 (no head) reads to the same counts and rows, with no choices to compare.
    const std::string formatOne = ScanFileText(result, tree.Root(), head, true);
    const std::string withoutHead = "{" + formatOne.substr(formatOne.find("\"root\""));
    SavedScan old;
    ASSERT_TRUE(ScanFileReader::ReadText(withoutHead, old, error));
    EXPECT_EQ(old.format, 1u);
    EXPECT_FALSE(old.bHasChoices);
    EXPECT_EQ(old.result.Counters(), result.Counters());
    EXPECT_EQ(RowsOf(old.result), RowsOf(result));
}

// The start time is written as it is read: four digits of year whatever the year (a year below
// 1000 once came out in three, which no reader took back), and no day that does not exist.
TEST(ScanFileRoundTrip, StartTimesWriteAsTheyRead)
{
    const struct {
        const char* text;
        bool bValid;
    } cases[] = {
        {"2026-12-01T14:03:07Z", true},  {"0226-12-08T10:25:36Z", true},  {"0000-01-01T00:00:00Z", true},
        {"9999-12-31T23:59:59Z", true},  {"1970-01-01T00:00:00Z", true},  {"2026-02-31T00:00:00Z", false},
        {"2026-12-01 14:03:07Z", false}, {"2026-12-01T14:03:07", false},  {"226-12-08T10:25:36Z", false},
        {"2026-13-01T00:00:00Z", false}, {"2026-12-01T24:00:00Z", false}, {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<std::int64_t> seconds = ScanFileHead::FromUtcText(c.text);
        ASSERT_EQ(seconds.has_value(), c.bValid);
        if (seconds) {
            EXPECT_EQ(ScanFileHead::UtcText(*seconds), c.text);
        }
    }
    EXPECT_EQ(ScanFileHead::UtcText(ScanFileHead::kLastSecond), "9999-12-31T23:59:59Z");
}

} // namespace
