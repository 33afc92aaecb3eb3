#include "CategoryReport.h"

#include "ExtTable.h"
#include "Format.h"
#include "OutputBuffer.h"
#include "Resource.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::size_t kColumns = 5;

} // namespace

CCategoryReport::CCategoryReport(const CategoryTable& table, SizeStyle sizes, std::size_t rows)
    : m_table(table), m_sizes(sizes), m_nRows(rows)
{
}

std::size_t CCategoryReport::RowCount() const
{
    return m_nRows == 0 ? m_table.RowCount() : std::min(m_nRows, m_table.RowCount());
}

std::string CCategoryReport::CellSize(std::uint64_t bytes) const
{
    return m_sizes == SizeStyle::Grouped ? FormatNumber(bytes) : HumanSize(bytes, m_sizes);
}

// Two spaces between columns; the name left-aligned, the numbers right-aligned. At most ten
// rows, so each cell is made as a string and measured.
void CCategoryReport::WriteText(COutputBuffer& out) const
{
    using Row = std::array<std::string, kColumns>;
    std::vector<Row> cells;
    cells.push_back(Row{std::string(LoadString(IDS_COLUMN_TYPE)),
                        std::string(ExtTable::ColumnHeading(ExtColumn::Count)),
                        std::string(ExtTable::ColumnHeading(ExtColumn::Size)),
                        std::string(ExtTable::ColumnHeading(ExtColumn::Percent)),
                        std::string(LoadString(IDS_COLUMN_EXTENSIONS))});
    for (std::size_t position = 0; position < RowCount(); ++position) {
        const CategoryRow& row = m_table.Row(position);
        cells.push_back(Row{std::string(CategoryTable::DisplayName(row)), FormatNumber(row.nCount),
                            CellSize(m_table.Bytes(row)), std::to_string(m_table.ShareOf(m_table.Bytes(row))),
                            FormatNumber(row.nExtensions)});
    }
    std::array<std::size_t, kColumns> widths {};
    for (const Row& row : cells)
        for (std::size_t c = 0; c < kColumns; ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    for (const Row& row : cells) {
        out.Append(row[0]);
        out.AppendSpaces(widths[0] - DisplayWidth(row[0]));
        for (std::size_t c = 1; c < kColumns; ++c) {
            out.AppendSpaces(2 + widths[c] - DisplayWidth(row[c]));
            out.Append(row[c]);
        }
        out.Append('\n');
    }
}
