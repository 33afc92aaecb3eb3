// Finding and adding extension records, and releasing them.
#include "ExtInfo.h"
#include "ScanInfo.h"
#include "ScanRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::size_t ListLength(const SCANINFO& scan)
{
    std::size_t length = 0;
    for (const EXTINFO* pRecord = scan.pExtList; pRecord; pRecord = pRecord->pNext)
        ++length;
    return length;
}

TEST(ExtInfoTest, CaseVariantsShareOneRecordAndNewRecordsGoToTheHead)
{
    SCANINFO scan;
    EXTINFO* pTxt = FindExtInfo(&scan, "a.TXT");
    ASSERT_NE(pTxt, nullptr);
    EXPECT_EQ(pTxt->szExt, ".txt");
    EXPECT_EQ(FindExtInfo(&scan, "b.txt"), pTxt);
    EXPECT_EQ(FindExtInfo(&scan, "c.Txt"), pTxt);
    EXPECT_EQ(pTxt->nCount, 0u);   // the caller adds the file

    EXTINFO* pGz = FindExtInfo(&scan, "archive.tar.GZ");
    ASSERT_NE(pGz, nullptr);
    EXPECT_EQ(pGz->szExt, ".gz");
    EXPECT_EQ(scan.pExtList, pGz);
    EXPECT_EQ(pGz->pNext, pTxt);
    EXPECT_EQ(FindExtInfo(&scan, "README"), nullptr);
    EXPECT_EQ(ListLength(scan), 2u);

    FreeExtList(&scan);
    EXPECT_EQ(scan.pExtList, nullptr);
    EXPECT_EQ(scan.extIndex.Find(".txt"), nullptr);   // the index keeps no freed record
    // After a release the same extension makes a fresh record.
    ASSERT_NE(FindExtInfo(&scan, "d.txt"), nullptr);
    EXPECT_EQ(ListLength(scan), 1u);
    FreeExtList(&scan);
}

TEST(ExtInfoTest, TwentyThousandDistinctExtensionsEachGetOneRecord)
{
    constexpr int kCount = 20000;
    SCANINFO scan;
    for (int i = 0; i < kCount; ++i)
        ASSERT_NE(FindExtInfo(&scan, "frame.E" + std::to_string(i)), nullptr);
    EXPECT_EQ(ListLength(scan), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; i += 997) {
        const std::string folded = ".e" + std::to_string(i);
        EXTINFO* pRecord = FindExtInfo(&scan, "other.e" + std::to_string(i));
        ASSERT_NE(pRecord, nullptr);
        EXPECT_EQ(pRecord->szExt, folded);
        EXPECT_EQ(scan.extIndex.Find(folded), pRecord);
    }
    EXPECT_EQ(ListLength(scan), static_cast<std::size_t>(kCount));
    FreeExtList(&scan);
}

} // namespace
