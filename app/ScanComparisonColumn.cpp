// The "Change" column of the list while it is compared with a saved scan.
#include "ScanComparisonColumn.h"

#include "ExtInfo.h"
#include "ExtTable.h"
#include "FileTypeCategories.h"
#include "Format.h"
#include "Resource.h"
#include "StringTable.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

void CScanComparisonColumn::Set(SavedScan before)
{
    m_before = std::move(before);
    m_byExt.clear();
    m_byExt.reserve(m_before.result.RecordCount());
    for (const EXTINFO* record = m_before.result.Records(); record; record = record->pNext)
        m_byExt.emplace(record->szExt, ExtCounts{record->nCount, record->nBytes, record->nDiskBytes});
    m_differing.reset();
    m_bOn = true;
}

void CScanComparisonColumn::Clear()
{
    m_bOn = false;
    m_before = SavedScan();
    m_byExt.clear();
    m_differing.reset();
}

std::optional<WalkChoice> CScanComparisonColumn::DifferingChoice(const WalkChoices& now) const
{
    if (!m_bOn || !m_before.bHasChoices)
        return std::nullopt;
    return ScanComparison::DifferingChoice(m_before.head.choices, now);
}

namespace {

// A new record list holding copies of the records `keep` accepts, then `extra`, in that order.
template <typename Keep>
EXTINFO* CopyRecords(const ScanResult& from, Keep keep, std::vector<std::unique_ptr<EXTINFO>> extra,
                     std::size_t& nRecords)
{
    std::vector<std::unique_ptr<EXTINFO>> records;
    records.reserve(from.RecordCount() + extra.size());
    for (const EXTINFO* record = from.Records(); record; record = record->pNext) {
        if (keep(*record))
            records.push_back(std::make_unique<EXTINFO>(EXTINFO{record->nCount, record->nBytes, nullptr, record->szExt,
                                                                record->nDiskBytes}));
    }
    for (auto& record : extra)
        records.push_back(std::move(record));
    EXTINFO* pHead = nullptr;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        (*it)->pNext = pHead;
        pHead = it->release();
    }
    nRecords = records.size();
    return pHead;
}

ScanResult CopyWithRecords(const ScanResult& from, EXTINFO* pRecords, std::size_t nRecords)
{
    ScanResult copy(from.Counters(), pRecords, nRecords, from.Ending(), from.Largest(), from.Problems());
    copy.Stamp(from.Started(), from.Milliseconds(), from.Choices());
    return copy;
}

} // namespace

ScanResult CScanComparisonColumn::Widen(const ScanResult& now, bool bNoExtRow) const
{
    std::vector<std::unique_ptr<EXTINFO>> gone;
    if (m_bOn) {
        std::unordered_set<std::string_view> met;
        met.reserve(now.RecordCount());
        for (const EXTINFO* record = now.Records(); record; record = record->pNext)
            met.insert(record->szExt);
        for (const EXTINFO* record = m_before.result.Records(); record; record = record->pNext) {
            if (!met.count(record->szExt))
                gone.push_back(std::make_unique<EXTINFO>(EXTINFO{0, 0, nullptr, record->szExt, 0}));
        }
        // The list gives the files without an extension their "(none)" row only when the scan
        // met one; a record with an empty name stands in for it when only the saved scan did.
        if (bNoExtRow && now.Counters().nNoExtFiles == 0 && m_before.result.Counters().nNoExtFiles > 0)
            gone.push_back(std::make_unique<EXTINFO>());
    }
    std::size_t nRecords = 0;
    EXTINFO* pRecords = CopyRecords(now, [](const EXTINFO&) { return true; }, std::move(gone), nRecords);
    return CopyWithRecords(now, pRecords, nRecords);
}

// A walk adds a record with its first file, so only the rows added by Widen count no file.
ScanResult CScanComparisonColumn::Narrow(const ScanResult& shown)
{
    std::size_t nRecords = 0;
    EXTINFO* pRecords = CopyRecords(shown, [](const EXTINFO& record) { return record.nCount > 0; }, {}, nRecords);
    return CopyWithRecords(shown, pRecords, nRecords);
}

ExtCounts CScanComparisonColumn::BeforeOf(const EXTINFO& record) const
{
    if (ExtTable::IsNoExtRow(record)) {
        const ScanCounters& was = m_before.result.Counters();
        return {was.nNoExtFiles, was.nNoExtBytes, was.nNoExtDiskBytes};
    }
    const auto found = m_byExt.find(record.szExt);
    return found == m_byExt.end() ? ExtCounts{} : found->second;
}

std::optional<CountChange> CScanComparisonColumn::ChangeOf(const EXTINFO& record, SizeMeasure measure) const
{
    if (!m_bOn || m_differing)
        return std::nullopt;
    const ExtCounts before = BeforeOf(record);
    return CountChange::Between(MeasuredBytes(before.bytes, before.diskBytes, measure),
                                MeasuredBytes(record.nBytes, record.nDiskBytes, measure));
}

std::string CScanComparisonColumn::ChangeText(const CountChange& change)
{
    if (change.magnitude == 0)
        return "0";
    return (change.bLess ? "-" : "+") + FormatNumber(change.magnitude);
}

QString CScanComparisonColumn::CellText(const EXTINFO& record, SizeMeasure measure) const
{
    const std::optional<CountChange> change = ChangeOf(record, measure);
    return change ? QString::fromStdString(ChangeText(*change)) : QString();
}

// A grouped number is never shorter than a smaller one: the largest magnitude, with its sign.
QString CScanComparisonColumn::LongestCellText(const ExtTable& table) const
{
    std::optional<CountChange> longest;
    for (std::size_t position = 0; position < table.RowCount(); ++position) {
        const std::optional<CountChange> change = ChangeOf(table.Row(position), table.Measure());
        if (change && (!longest || change->magnitude > longest->magnitude))
            longest = change;
    }
    return longest ? QString::fromStdString(ChangeText(*longest)) : QString();
}

std::vector<std::size_t> CScanComparisonColumn::Order(ExtTable& table, bool bAscending, SizeMeasure measure) const
{
    table.Order(ExtColumn::Ext, true);
    std::vector<std::size_t> positions(table.RowCount());
    std::vector<CountChange> changes(table.RowCount());
    for (std::size_t position = 0; position < positions.size(); ++position) {
        positions[position] = position;
        changes[position] = ChangeOf(table.Row(position), measure).value_or(CountChange{});
    }
    std::stable_sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) {
        return bAscending ? changes[b].GrowsMore(changes[a]) : changes[a].GrowsMore(changes[b]);
    });
    return positions;
}

std::string CScanComparisonColumn::SelectionText(const std::vector<const EXTINFO*>& records, SizeMeasure measure) const
{
    if (records.empty() || !m_bOn || m_differing)
        return {};
    ChangeSum sum;
    for (const EXTINFO* record : records)
        sum.Add(ChangeOf(*record, measure).value_or(CountChange{}));
    return FormatString(IDS_FMT_SELECTED_CHANGE, {ChangeText(sum.Total())});
}

std::string CScanComparisonColumn::SelectionText(const std::vector<std::size_t>& places,
                                                 const std::vector<CountChange>& changes) const
{
    if (places.empty() || changes.empty() || !m_bOn || m_differing)
        return {};
    ChangeSum sum;
    for (const std::size_t place : places)
        sum.Add(place < changes.size() ? changes[place] : CountChange{});
    return FormatString(IDS_FMT_SELECTED_CHANGE, {ChangeText(sum.Total())});
}

std::vector<CountChange> CScanComparisonColumn::CategoryChanges(const ScanResult& shown, SizeMeasure measure,
                                                                const FileTypeCategories& categories) const
{
    if (!m_bOn || m_differing)
        return {};
    std::vector<ChangeSum> sums(FileTypeCategories::kCategories + 1);
    for (const EXTINFO* record = shown.Records(); record; record = record->pNext) {
        if (!ExtTable::IsNoExtRow(*record))
            sums[static_cast<std::size_t>(categories.CategoryOf(record->szExt))].Add(
                ChangeOf(*record, measure).value_or(CountChange{}));
    }
    // The files without an extension are the scans' own counts, not records.
    const ScanCounters& now = shown.Counters();
    const ScanCounters& was = m_before.result.Counters();
    sums[FileTypeCategories::kCategories].Add(
        CountChange::Between(MeasuredBytes(was.nNoExtBytes, was.nNoExtDiskBytes, measure),
                             MeasuredBytes(now.nNoExtBytes, now.nNoExtDiskBytes, measure)));
    std::vector<CountChange> changes;
    changes.reserve(sums.size());
    for (const ChangeSum& sum : sums)
        changes.push_back(sum.Total());
    return changes;
}

void CScanComparisonColumn::ChangeSum::Add(const CountChange& change)
{
    AddSaturating(change.bLess ? shrunk : grown, change.magnitude);
}

CountChange CScanComparisonColumn::ChangeSum::Total() const
{
    return grown >= shrunk ? CountChange{false, grown - shrunk} : CountChange{true, shrunk - grown};
}
