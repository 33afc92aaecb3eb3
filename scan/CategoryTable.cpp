#include "CategoryTable.h"

#include "ExtInfo.h"
#include "Format.h"
#include "Resource.h"
#include "ScanCounters.h"
#include "ScanResult.h"
#include "StringTable.h"

#include <algorithm>
#include <array>

CategoryTable::CategoryTable(const ScanResult& result, const FileTypeCategories& categories, bool bNoExtRow,
                             SizeMeasure measure)
    : m_measure(measure)
{
    std::array<CategoryRow, FileTypeCategories::kCategories> gathered;
    for (const FileTypeCategory category : FileTypeCategories::kAll)
        gathered[static_cast<std::size_t>(category)].category = category;
    // A record without a name stands for the files without an extension (while compared, when
    // only the earlier scan met any): their row is the "(none)" row.
    bool bNoExtRecord = false;
    for (const EXTINFO* record = result.Records(); record; record = record->pNext) {
        if (record->szExt.empty()) {
            bNoExtRecord = true;
            continue;
        }
        CategoryRow& row = gathered[static_cast<std::size_t>(categories.CategoryOf(record->szExt))];
        row.nCount += record->nCount;
        AddSaturating(row.nBytes, record->nBytes);
        AddSaturating(row.nDiskBytes, record->nDiskBytes);
        ++row.nExtensions;
    }
    m_rows.reserve(gathered.size() + 1);
    // A row of no extensions would be a row of nothing, as in the extension table. (A record of
    // no files stands for an extension only an earlier scan met, while the list is compared.)
    for (const CategoryRow& row : gathered)
        if (row.nExtensions > 0)
            m_rows.push_back(row);
    const ScanCounters& counters = result.Counters();
    if (bNoExtRow && (counters.nNoExtFiles > 0 || bNoExtRecord))
        m_rows.push_back(CategoryRow{std::nullopt, counters.nNoExtFiles, counters.nNoExtBytes,
                                     counters.nNoExtDiskBytes, 0});
    for (const CategoryRow& row : m_rows)
        AddSaturating(m_nTotalBytes, Bytes(row));
}

void CategoryTable::Order(ExtColumn column)
{
    std::stable_sort(m_rows.begin(), m_rows.end(), [this, column](const CategoryRow& a, const CategoryRow& b) {
        if (column == ExtColumn::Count && a.nCount != b.nCount)
            return a.nCount > b.nCount;
        if ((column == ExtColumn::Size || column == ExtColumn::Percent) && Bytes(a) != Bytes(b))
            return Bytes(a) > Bytes(b);
        return PlaceOf(a) < PlaceOf(b);
    });
}

std::uint64_t CategoryTable::ShareOf(std::uint64_t bytes) const
{
    return PercentOf(bytes, m_nTotalBytes);
}

std::string_view CategoryTable::DisplayName(const CategoryRow& row)
{
    return row.category ? FileTypeCategories::DisplayName(*row.category) : LoadString(IDS_NO_EXT_ROW);
}

std::string_view CategoryTable::Key(const CategoryRow& row)
{
    return row.category ? FileTypeCategories::Key(*row.category) : std::string_view("none");
}
