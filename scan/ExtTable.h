// What every view shows of a scan's extension records: their order for each sort key, the
// totals over the rows, each row's share and its display name. The window's list and the
// command-line report both read the records through it.
//
// Files without an extension may get a row of their own, the "(none)" row: a record whose name
// is empty (every extension starts with "."), sorted like any other. With it, the totals and
// shares cover every file counted; without it, only the files with an extension.
#pragma once

#include "ExtInfo.h"
#include "ExtOrder.h"
#include "SizeMeasure.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ScanResult;

class ExtTable {
public:
    ExtTable() = default;
    // Reads the records of result, which must outlive the table (or its next Assign), and, when
    // bNoExtRow is set, adds the "(none)" row (when the scan met a file without an extension).
    // measure chooses the bytes that every row, total, share and order by size shows. The rows
    // are unordered until Order is called.
    explicit ExtTable(const ScanResult& result, bool bNoExtRow = false, SizeMeasure measure = SizeMeasure::Apparent);
    void Assign(const ScanResult& result, bool bNoExtRow = false, SizeMeasure measure = SizeMeasure::Apparent);
    // The rows point into the table (the "(none)" row is its own), so it stays where it is.
    ExtTable(const ExtTable&) = delete;
    ExtTable& operator=(const ExtTable&) = delete;
    // No rows, no totals.
    void Clear();

    // Orders the rows by column. Records the order holds equal keep a fixed order by their
    // bytes, so the same tree always gives the same rows. Returns false when memory was too
    // short for every row: the rows that come first in the order are kept, as many as fit.
    // Never throws.
    bool Order(ExtColumn column, bool ascending);
    // The direction a column starts in when it is first chosen: names ascending, numbers
    // largest first.
    static bool StartsAscending(ExtColumn column) { return column == ExtColumn::Ext; }
    // The column's heading from the string table: "Ext", "Count", "Size", "%".
    static std::string_view ColumnHeading(ExtColumn column);
    static constexpr std::size_t kColumns = 4;

    std::size_t RowCount() const { return m_rows.size(); }
    // The record shown in the row at position (0 = first in the order).
    const EXTINFO& Row(std::size_t position) const { return *m_rows[position]; }
    // False after an Order that could not keep every row.
    bool HasEveryRow() const { return m_rows.size() == m_nRecords; }
    bool HasNoExtRow() const { return m_bNoExtRow; }
    // The row of the files without an extension: its name is empty.
    static bool IsNoExtRow(const EXTINFO& record);

    SizeMeasure Measure() const { return m_measure; }
    // The bytes a row shows, of the table's measure: what every reader of a row's size uses.
    std::uint64_t Bytes(const EXTINFO& record) const
    {
        return m_measure == SizeMeasure::OnDisk ? record.nDiskBytes : record.nBytes;
    }

    // Over every record, whether or not memory allowed a row for it; bytes of the table's measure.
    std::uint64_t TotalFiles() const { return m_nTotalFiles; }
    std::uint64_t TotalBytes() const { return m_nTotalBytes; }
    // Whole percent of the rows' bytes that `bytes` (of the table's measure) are, truncated (the
    // "%" column).
    std::uint64_t ShareOf(std::uint64_t bytes) const;
    // The extension as shown to a person: the escaping rule every output of names shares, with
    // control characters written out, so no name can break the line it stands in; the "(none)"
    // row's name comes from the string table.
    static std::string DisplayName(const EXTINFO& record);
    // The same, in `scratch` only when it is not the record's own name (nearly every row needs no
    // copy). Throws bad_alloc when memory is short.
    static std::string_view DisplayName(const EXTINFO& record, std::string& scratch);

private:
    // One row to sort: its key and the record's index, side by side, so that sorting reads
    // one array and never follows a pointer.
    struct SortEntry {
        std::uint64_t nPrimary;     // the count or the bytes; 0 when ordering by name
        std::uint32_t nNameRank;    // the name's place in the order for this direction
        std::uint32_t nRecord;      // index into m_records
    };

    void PrepareRanks();
    static bool CollatesAsBytes();
    void RankNamesByBytes();
    void RankNamesByCollation();
    void OrderByRanks(ExtColumn column, bool ascending);
    void OrderFirstRowsThatFit(ExtColumn column, bool ascending);
    // Runs visit(record) for every record, the "(none)" row first when there is one.
    template <typename Visit>
    void ForEachRecord(Visit visit) const;

    const EXTINFO* m_pRecords = nullptr;
    std::size_t m_nRecords = 0;          // with the "(none)" row when there is one
    bool m_bNoExtRow = false;
    SizeMeasure m_measure = SizeMeasure::Apparent;
    EXTINFO m_noExtRow;                  // the "(none)" row; its name stays empty
    std::uint64_t m_nTotalFiles = 0;
    std::uint64_t m_nTotalBytes = 0;

    // Built once per result, on the first Order: the records by index and, for each, its place
    // among the names by the locale's collation (ties by bytes), ascending and descending, so
    // that every later order compares numbers only.
    std::vector<const EXTINFO*> m_records;
    std::vector<std::uint32_t> m_nameRankUp;
    std::vector<std::uint32_t> m_nameRankDown;

    std::vector<const EXTINFO*> m_rows;   // in display order
};
