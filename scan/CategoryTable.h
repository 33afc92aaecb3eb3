// A scan's files by file-type category: one row per category that holds files, each with its
// count, bytes, allocated bytes and how many extensions it gathers, and the "(none)" row of the
// files without an extension, which belong to no category. Both front ends read it.
#pragma once

#include "ExtOrder.h"
#include "FileTypeCategories.h"
#include "SizeMeasure.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

class ScanResult;

struct CategoryRow {
    std::optional<FileTypeCategory> category;   // none: the "(none)" row
    std::uint64_t nCount = 0;
    std::uint64_t nBytes = 0;        // apparent, saturating as the scan's totals do
    std::uint64_t nDiskBytes = 0;    // allocated
    std::uint64_t nExtensions = 0;   // the extension rows gathered here; 0 for "(none)"
};

class CategoryTable {
public:
    // Gathers the records of result by the category `categories` gives each extension. With
    // bNoExtRow, the files without an extension get the "(none)" row (when there are any) and
    // count in the totals, as in the extension table. The rows stand in the categories' order,
    // "(none)" last, until Order is called. Keeps nothing of result.
    CategoryTable(const ScanResult& result, const FileTypeCategories& categories, bool bNoExtRow,
                  SizeMeasure measure = SizeMeasure::Apparent);

    // Ext: the categories' own order, "(none)" last. Count, Size, Percent: largest first, ties
    // in that order.
    void Order(ExtColumn column);
    // Where a row stands in the categories' own order; "(none)" after every category.
    static std::size_t PlaceOf(const CategoryRow& row)
    {
        return row.category ? static_cast<std::size_t>(*row.category) : FileTypeCategories::kCategories;
    }
    // Orders by `before` (a strict weak order), rows it finds equal in the categories' order.
    template <typename Before>
    void OrderBy(Before before)
    {
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](const CategoryRow& a, const CategoryRow& b) {
            return before(a, b) || (!before(b, a) && PlaceOf(a) < PlaceOf(b));
        });
    }

    std::size_t RowCount() const { return m_rows.size(); }
    const CategoryRow& Row(std::size_t position) const { return m_rows[position]; }
    std::uint64_t Bytes(const CategoryRow& row) const
    {
        return m_measure == SizeMeasure::OnDisk ? row.nDiskBytes : row.nBytes;
    }
    std::uint64_t TotalBytes() const { return m_nTotalBytes; }
    // Whole percent of the rows' bytes (of the table's measure), truncated, as the extension
    // table's "%" column.
    std::uint64_t ShareOf(std::uint64_t bytes) const;

    // The row's name as people read it: the category's, or "(none)", from the string table.
    static std::string_view DisplayName(const CategoryRow& row);
    // Its machine name in CSV and JSON: the category's key, or "none".
    static std::string_view Key(const CategoryRow& row);

private:
    SizeMeasure m_measure;
    std::uint64_t m_nTotalBytes = 0;
    std::vector<CategoryRow> m_rows;
};
