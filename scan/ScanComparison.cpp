#include "ScanComparison.h"

#include "ExtInfo.h"
#include "ScanCounters.h"
#include "ScanResult.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

CountChange CountChange::Between(std::uint64_t before, std::uint64_t now)
{
    return now >= before ? CountChange{false, now - before} : CountChange{true, before - now};
}

bool CountChange::GrowsMore(const CountChange& other) const
{
    if (bLess != other.bLess)
        return !bLess;
    return bLess ? magnitude < other.magnitude : magnitude > other.magnitude;
}

ScanComparison::ScanComparison(const ScanResult& before, const ScanResult& now, bool bNoExtRow)
{
    m_rows.reserve(now.RecordCount() + before.RecordCount() + 1);
    std::unordered_map<std::string_view, std::size_t> places;
    places.reserve(now.RecordCount());
    for (const EXTINFO* record = now.Records(); record; record = record->pNext) {
        places.emplace(record->szExt, m_rows.size());
        m_rows.push_back({record->szExt, {record->nCount, record->nBytes, record->nDiskBytes}, {}});
    }
    for (const EXTINFO* record = before.Records(); record; record = record->pNext) {
        const ExtCounts counts{record->nCount, record->nBytes, record->nDiskBytes};
        const auto place = places.find(record->szExt);
        if (place != places.end())
            m_rows[place->second].before = counts;
        else
            m_rows.push_back({record->szExt, {}, counts});
    }
    const ScanCounters& was = before.Counters();
    const ScanCounters& is = now.Counters();
    if (bNoExtRow && (was.nNoExtFiles > 0 || is.nNoExtFiles > 0))
        m_rows.push_back({std::string_view(), {is.nNoExtFiles, is.nNoExtBytes, is.nNoExtDiskBytes},
                          {was.nNoExtFiles, was.nNoExtBytes, was.nNoExtDiskBytes}});
}

void ScanComparison::Order(CompareOrder order, SizeMeasure measure)
{
    const auto bytes = [measure](const ExtCounts& counts) {
        return MeasuredBytes(counts.bytes, counts.diskBytes, measure);
    };
    // Names are the records' own strings, so each view ends in a terminating zero.
    const auto nameBefore = [](const ComparedRow& a, const ComparedRow& b) {
        return std::strcoll(a.ext.empty() ? "" : a.ext.data(), b.ext.empty() ? "" : b.ext.data()) < 0;
    };
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const ComparedRow& a, const ComparedRow& b) {
        switch (order) {
        case CompareOrder::Change: {
            const CountChange changeA = CountChange::Between(bytes(a.before), bytes(a.now));
            const CountChange changeB = CountChange::Between(bytes(b.before), bytes(b.now));
            if (changeA.GrowsMore(changeB) || changeB.GrowsMore(changeA))
                return changeA.GrowsMore(changeB);
            break;
        }
        case CompareOrder::Count:
            if (a.now.count != b.now.count)
                return a.now.count > b.now.count;
            break;
        case CompareOrder::Size:
            if (bytes(a.now) != bytes(b.now))
                return bytes(a.now) > bytes(b.now);
            break;
        case CompareOrder::Ext: break;
        }
        return nameBefore(a, b);
    });
}

std::uint64_t ScanComparison::TotalBytes(SizeMeasure measure) const
{
    std::uint64_t total = 0;
    for (const ComparedRow& row : m_rows)
        AddSaturating(total, MeasuredBytes(row.now.bytes, row.now.diskBytes, measure));
    return total;
}

std::optional<WalkChoice> ScanComparison::DifferingChoice(const WalkChoices& before, const WalkChoices& now)
{
    if (before.oneFileSystem != now.oneFileSystem)
        return WalkChoice::OneFileSystem;
    std::vector<std::string> patternsBefore = before.exclude, patternsNow = now.exclude;
    std::sort(patternsBefore.begin(), patternsBefore.end());
    std::sort(patternsNow.begin(), patternsNow.end());
    patternsBefore.erase(std::unique(patternsBefore.begin(), patternsBefore.end()), patternsBefore.end());
    patternsNow.erase(std::unique(patternsNow.begin(), patternsNow.end()), patternsNow.end());
    if (patternsBefore != patternsNow)
        return WalkChoice::Exclude;
    if (before.linksOnce != now.linksOnce)
        return WalkChoice::LinksOnce;
    return std::nullopt;
}
