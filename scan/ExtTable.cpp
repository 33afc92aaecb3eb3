#include "ExtTable.h"

#include "Format.h"
#include "Resource.h"
#include "ScanResult.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <langinfo.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>

template <typename Visit>
void ExtTable::ForEachRecord(Visit visit) const
{
    if (m_bNoExtRow)
        visit(&m_noExtRow);
    for (const EXTINFO* record = m_pRecords; record; record = record->pNext)
        visit(record);
}

ExtTable::ExtTable(const ScanResult& result, bool bNoExtRow, SizeMeasure measure)
{
    Assign(result, bNoExtRow, measure);
}

void ExtTable::Assign(const ScanResult& result, bool bNoExtRow, SizeMeasure measure)
{
    Clear();
    m_measure = measure;
    m_pRecords = result.Records();
    m_nRecords = result.RecordCount();
    // A row of no files would be a row of nothing: extensions never show one either.
    m_bNoExtRow = bNoExtRow && result.Counters().nNoExtFiles > 0;
    if (m_bNoExtRow) {
        m_noExtRow.nCount = result.Counters().nNoExtFiles;
        m_noExtRow.nBytes = result.Counters().nNoExtBytes;
        m_noExtRow.nDiskBytes = result.Counters().nNoExtDiskBytes;
        ++m_nRecords;
    }
    // The records are gathered for ordering on the same pass over the list; without the memory
    // for it, the first Order tries again.
    try {
        m_records.reserve(m_nRecords);
    } catch (const std::bad_alloc&) {
    }
    const bool bGather = m_records.capacity() >= m_nRecords;
    ForEachRecord([this, bGather](const EXTINFO* record) {
        m_nTotalFiles += record->nCount;
        AddSaturating(m_nTotalBytes, Bytes(*record));   // so no row's share passes 100
        if (bGather)
            m_records.push_back(record);
    });
}

void ExtTable::Clear()
{
    m_pRecords = nullptr;
    m_nRecords = 0;
    m_bNoExtRow = false;
    m_measure = SizeMeasure::Apparent;
    m_noExtRow.nCount = m_noExtRow.nBytes = m_noExtRow.nDiskBytes = 0;
    m_nTotalFiles = m_nTotalBytes = 0;
    // Released, not only emptied: a table of a large scan must not hold its memory on.
    std::vector<const EXTINFO*>().swap(m_records);
    std::vector<std::uint32_t>().swap(m_nameRankUp);
    std::vector<std::uint32_t>().swap(m_nameRankDown);
    std::vector<const EXTINFO*>().swap(m_rows);
}

std::string_view ExtTable::ColumnHeading(ExtColumn column)
{
    static constexpr unsigned kHeadings[kColumns] = {IDS_COLUMN_EXT, IDS_COLUMN_COUNT, IDS_COLUMN_SIZE,
                                                     IDS_COLUMN_PERCENT};
    return LoadString(kHeadings[static_cast<unsigned>(column)]);
}

std::uint64_t ExtTable::ShareOf(std::uint64_t bytes) const
{
    return PercentOf(bytes, m_nTotalBytes);
}

bool ExtTable::IsNoExtRow(const EXTINFO& record)
{
    return record.szExt.empty();
}

std::string ExtTable::DisplayName(const EXTINFO& record)
{
    std::string scratch;
    return std::string(DisplayName(record, scratch));
}

std::string_view ExtTable::DisplayName(const EXTINFO& record, std::string& scratch)
{
    if (IsNoExtRow(record))
        return LoadString(IDS_NO_EXT_ROW);
    return EscapedUnlessPlain(record.szExt, scratch, TerminalEscape);
}

bool ExtTable::Order(ExtColumn column, bool ascending)
{
    try {
        if (m_nRecords > std::numeric_limits<std::uint32_t>::max())
            throw std::bad_alloc();
        PrepareRanks();
        OrderByRanks(column, ascending);
    } catch (const std::bad_alloc&) {
        std::vector<const EXTINFO*>().swap(m_records);
        std::vector<std::uint32_t>().swap(m_nameRankUp);
        std::vector<std::uint32_t>().swap(m_nameRankDown);
        OrderFirstRowsThatFit(column, ascending);
    }
    return HasEveryRow();
}

void ExtTable::PrepareRanks()
{
    if (m_records.size() == m_nRecords && m_nameRankUp.size() == m_nRecords)
        return;
    if (m_records.size() != m_nRecords) {
        m_records.clear();
        m_records.reserve(m_nRecords);
        ForEachRecord([this](const EXTINFO* record) { m_records.push_back(record); });
    }
    if (CollatesAsBytes())
        RankNamesByBytes();
    else
        RankNamesByCollation();
}

// glibc's strcoll is strcmp in a locale with no collation rules (C, POSIX, C.UTF-8), and the
// question is answered by the same field it asks.
bool ExtTable::CollatesAsBytes()
{
#ifdef __GLIBC__
    // A word item: its value is the pointer's low 32 bits.
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(nl_langinfo(_NL_COLLATE_NRULES))) == 0;
#else
    return false;
#endif
}

// Byte order, as strcoll then gives it: the names sort on their first eight bytes held in one
// number beside each index, so that sorting reads one array and seldom follows a pointer. No two
// records share a name, so each forms a group of its own and the descending ranks are the
// ascending ones reversed.
void ExtTable::RankNamesByBytes()
{
    struct NameKey {
        std::uint64_t prefix;    // the first eight bytes, big-endian, zero-padded
        std::uint32_t nRecord;
    };
    std::vector<NameKey> keys(m_nRecords);
    for (std::uint32_t i = 0; i < m_nRecords; ++i) {
        const std::string& name = m_records[i]->szExt;
        std::uint64_t prefix = 0;
        for (std::size_t byte = 0; byte < 8; ++byte)
            prefix = prefix << 8 | (byte < name.size() ? static_cast<unsigned char>(name[byte]) : 0u);
        keys[i] = NameKey{prefix, i};
    }
    std::sort(keys.begin(), keys.end(), [this](const NameKey& a, const NameKey& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return m_records[a.nRecord]->szExt < m_records[b.nRecord]->szExt;
    });
    m_nameRankUp.assign(m_nRecords, 0);
    m_nameRankDown.assign(m_nRecords, 0);
    for (std::size_t position = 0; position < m_nRecords; ++position) {
        m_nameRankUp[keys[position].nRecord] = static_cast<std::uint32_t>(position);
        m_nameRankDown[keys[position].nRecord] = static_cast<std::uint32_t>(m_nRecords - 1 - position);
    }
}

void ExtTable::RankNamesByCollation()
{
    // The names are ranked once per result with strcoll itself: glibc's strxfrm keys, which
    // would be cheaper to compare, do not always order as strcoll does (names of punctuation and
    // digits in a UTF-8 locale), and the rows must come out as the comparison orders them.
    std::vector<std::uint32_t> byName(m_nRecords);
    std::iota(byName.begin(), byName.end(), 0u);
    const auto collate = [this](std::uint32_t a, std::uint32_t b) {
        return std::strcoll(m_records[a]->szExt.c_str(), m_records[b]->szExt.c_str());
    };
    std::sort(byName.begin(), byName.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int order = collate(a, b);
        return order != 0 ? order < 0 : m_records[a]->szExt < m_records[b]->szExt;
    });
    // Names the locale collates alike form one group; a descending order reverses the groups
    // but keeps the bytes ascending inside each, as an ascending one does.
    m_nameRankUp.assign(m_nRecords, 0);
    m_nameRankDown.assign(m_nRecords, 0);
    std::uint32_t nDown = 0;
    std::size_t groupEnd = m_nRecords;
    for (std::size_t position = m_nRecords; position-- > 0;) {
        m_nameRankUp[byName[position]] = static_cast<std::uint32_t>(position);
        if (position == 0 || collate(byName[position - 1], byName[position]) != 0) {
            for (std::size_t member = position; member < groupEnd; ++member)
                m_nameRankDown[byName[member]] = nDown++;
            groupEnd = position;
        }
    }
}

void ExtTable::OrderByRanks(ExtColumn column, bool ascending)
{
    const std::vector<std::uint32_t>& nameRank = ascending ? m_nameRankUp : m_nameRankDown;
    m_rows.resize(m_nRecords);
    // By name alone the ranks are the places: no sort.
    if (column == ExtColumn::Ext) {
        for (std::uint32_t i = 0; i < m_nRecords; ++i)
            m_rows[nameRank[i]] = m_records[i];
        return;
    }
    std::vector<SortEntry> entries(m_nRecords);
    for (std::uint32_t i = 0; i < m_nRecords; ++i) {
        std::uint64_t primary = 0;
        if (column == ExtColumn::Count)
            primary = m_records[i]->nCount;
        else if (column == ExtColumn::Size || column == ExtColumn::Percent)
            primary = Bytes(*m_records[i]);
        entries[i] = SortEntry{primary, nameRank[i], i};
    }
    if (ascending) {
        std::sort(entries.begin(), entries.end(), [](const SortEntry& a, const SortEntry& b) {
            return a.nPrimary != b.nPrimary ? a.nPrimary < b.nPrimary : a.nNameRank < b.nNameRank;
        });
    } else {
        std::sort(entries.begin(), entries.end(), [](const SortEntry& a, const SortEntry& b) {
            return a.nPrimary != b.nPrimary ? a.nPrimary > b.nPrimary : a.nNameRank < b.nNameRank;
        });
    }
    for (std::size_t position = 0; position < entries.size(); ++position)
        m_rows[position] = m_records[entries[position].nRecord];
}

// When memory is too short for the ranks, the rows that come first are chosen with a heap of
// the size that fits, comparing records directly: slower, but it asks for nothing beyond the heap.
void ExtTable::OrderFirstRowsThatFit(ExtColumn column, bool ascending)
{
    std::vector<const EXTINFO*>().swap(m_rows);
    std::size_t nKept = m_nRecords;
    while (nKept > 0) {
        try {
            m_rows.reserve(nKept);
            break;
        } catch (const std::bad_alloc&) {
            nKept /= 2;
        }
    }
    const auto before = [column, ascending, measure = m_measure](const EXTINFO* a, const EXTINFO* b) {
        const int order = CompareExtInfo(*a, *b, column, ascending, measure);
        return order != 0 ? order < 0 : a->szExt < b->szExt;
    };
    // A heap whose top is the last row kept: a record that comes before it takes its place.
    if (nKept == 0)
        return;
    ForEachRecord([&](const EXTINFO* record) {
        if (m_rows.size() < nKept) {
            m_rows.push_back(record);
            std::push_heap(m_rows.begin(), m_rows.end(), before);
        } else if (before(record, m_rows.front())) {
            std::pop_heap(m_rows.begin(), m_rows.end(), before);
            m_rows.back() = record;
            std::push_heap(m_rows.begin(), m_rows.end(), before);
        }
    });
    std::sort_heap(m_rows.begin(), m_rows.end(), before);
}
