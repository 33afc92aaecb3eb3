// The window's list grouped by file type: a CategoryTable over the scan's result, one row per
// category, with the texts its cells show, are copied and saved as.
#pragma once

#include "CategoryTable.h"
#include "ExtTable.h"
#include "ScanComparison.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class ScanResult;
class ScanFileHead;

// Window's thread only, as its model.
class CCategoryRows {
public:
    // Gathers the result's records (which must outlive the rows) by the categories' answer for
    // each, as the extension rows show them: with or without the "(none)" row, of one measure.
    void Assign(const ScanResult& result, const FileTypeCategories& categories, bool bNoExtRow, SizeMeasure measure);
    void Clear() { m_table.reset(); }

    // Ext orders by the categories' own order, "(none)" last; the numbers largest first.
    void Order(ExtColumn column);
    // Largest growth first by `changes`, one a category by PlaceOf (see CScanComparisonColumn).
    void OrderByChange(const std::vector<CountChange>& changes);
    std::size_t RowCount() const { return m_table ? m_table->RowCount() : 0; }
    // The row at `position` of the order; position < RowCount().
    const CategoryRow& Row(std::size_t position) const { return m_table->Row(position); }
    std::uint64_t Bytes(const CategoryRow& row) const { return m_table->Bytes(row); }
    // The name (column 0), count, size, share, and (last column) how many extensions it holds.
    QString CellText(const CategoryRow& row, int column) const;
    // The row's share of the rows' bytes, 0 to 1.
    double Share(const CategoryRow& row) const;

    // The rows at `positions`, or every row when null: tab-separated with the list's headings and
    // the names as shown, or CSV as `kestrum-scan --by category --csv` writes it.
    std::string AsTabSeparated(const std::vector<std::size_t>* positions) const;
    std::string AsCsv(const std::vector<std::size_t>* positions) const;
    // Every row as `kestrum-scan --by category` writes CSV or JSON (with the scan's counts and
    // problems). False when memory ran short.
    bool Write(std::FILE* file, bool bJson, const std::string& root, const ScanResult& result,
               const ScanFileHead& head) const;

    // The longest of the categories' names, which the extension rows' Type column shows.
    static QString LongestTypeName();
    // Where a row stands in the categories' own order; "(none)" after every category.
    static std::size_t PlaceOf(const CategoryRow& row) { return CategoryTable::PlaceOf(row); }
    // The positions of `table`, which this orders by size, grouped by the category of each
    // extension in the categories' order ("(none)" last), or the reverse; largest first within
    // each category.
    static std::vector<std::size_t> TypeOrder(ExtTable& table, const FileTypeCategories& categories, bool bAscending);

private:
    std::optional<CategoryTable> m_table;
};
