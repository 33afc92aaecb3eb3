// The list's rows by file type.
#include "CategoryRows.h"

#include "ScanFileHead.h"

#include "CategoryTableWriter.h"
#include "ExtRowsWriter.h"
#include "ExtInfo.h"
#include "Format.h"
#include "OutputBuffer.h"
#include "Resource.h"
#include "ScanResult.h"
#include "StringTable.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void CCategoryRows::Assign(const ScanResult& result, const FileTypeCategories& categories, bool bNoExtRow,
                           SizeMeasure measure)
{
    m_table.emplace(result, categories, bNoExtRow, measure);
}

void CCategoryRows::Order(ExtColumn column)
{
    if (m_table)
        m_table->Order(column);
}

void CCategoryRows::OrderByChange(const std::vector<CountChange>& changes)
{
    if (!m_table || changes.size() <= FileTypeCategories::kCategories)
        return;
    m_table->OrderBy([&changes](const CategoryRow& a, const CategoryRow& b) {
        return changes[PlaceOf(a)].GrowsMore(changes[PlaceOf(b)]);
    });
}

QString CCategoryRows::CellText(const CategoryRow& row, int column) const
{
    switch (column) {
    case 0: return ToQString(CategoryTable::DisplayName(row));
    case 1: return ToQString(FormatNumber(row.nCount));
    case 2: return ToQString(FormatNumber(Bytes(row)));
    case 3: return QString::number(m_table->ShareOf(Bytes(row)));
    case 4: return row.category ? ToQString(FormatNumber(row.nExtensions)) : QString();
    default: return QString();
    }
}

double CCategoryRows::Share(const CategoryRow& row) const
{
    const std::uint64_t total = m_table->TotalBytes();
    return total == 0 ? 0.0 : static_cast<double>(Bytes(row)) / static_cast<double>(total);
}

// People read it: the list's own headings and names, raw numbers.
std::string CCategoryRows::AsTabSeparated(const std::vector<std::size_t>* positions) const
{
    if (!m_table)
        return std::string();
    constexpr std::array<unsigned, 5> kHeadings = {IDS_COLUMN_TYPE, IDS_COLUMN_COUNT, IDS_COLUMN_SIZE,
                                                   IDS_COLUMN_PERCENT, IDS_COLUMN_EXTENSIONS};
    return CExtRowsWriter::WrittenText([&](COutputBuffer& out) {
        for (std::size_t column = 0; column < kHeadings.size(); ++column) {
            out.Append(LoadString(kHeadings[column]));
            out.Append(column + 1 < kHeadings.size() ? '\t' : '\n');
        }
        const std::size_t nRows = positions ? positions->size() : RowCount();
        for (std::size_t i = 0; i < nRows; ++i) {
            const CategoryRow& row = Row(positions ? (*positions)[i] : i);
            out.Append(CategoryTable::DisplayName(row));
            for (const std::uint64_t value : {row.nCount, Bytes(row), m_table->ShareOf(Bytes(row)), row.nExtensions}) {
                out.Append('\t');
                out.AppendDecimal(value);
            }
            out.Append('\n');
        }
        return true;
    });
}

// The writer's CSV of every row, of which the header and the lines of the rows asked for are
// kept: one writer decides the fields for both front ends, and a key never holds a line end.
std::string CCategoryRows::AsCsv(const std::vector<std::size_t>* positions) const
{
    if (!m_table)
        return std::string();
    const std::string every = CExtRowsWriter::WrittenText([&](COutputBuffer& out) {
        CategoryTableWriter(*m_table).WriteCsv(out);
        return true;
    });
    if (!positions)
        return every;
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < every.size();) {
        const std::size_t end = every.find('\n', start);
        lines.push_back(std::string_view(every).substr(start, end - start + 1));
        start = end + 1;
    }
    std::string kept(lines.empty() ? std::string_view() : lines.front());
    for (const std::size_t position : *positions)
        if (position + 1 < lines.size())
            kept += lines[position + 1];
    return kept;
}

bool CCategoryRows::Write(std::FILE* file, bool bJson, const std::string& root, const ScanResult& result,
                          const ScanFileHead& head) const
{
    if (!m_table)
        return false;
    const CategoryTableWriter writer(*m_table);
    COutputBuffer out(file);
    if (!bJson) {
        writer.WriteCsv(out);
        return true;
    }
    return writer.WriteJson(out, root, result.Counters(), nullptr, &result.Problems(), &head);
}

std::vector<std::size_t> CCategoryRows::TypeOrder(ExtTable& table, const FileTypeCategories& categories, bool bAscending)
{
    table.Order(ExtColumn::Size, false);
    const std::size_t nRows = table.RowCount();
    std::vector<std::size_t> placeOf(nRows);
    std::vector<std::size_t> order(nRows);
    for (std::size_t position = 0; position < nRows; ++position) {
        const EXTINFO& record = table.Row(position);
        placeOf[position] = ExtTable::IsNoExtRow(record) ? FileTypeCategories::kCategories
                                                         : static_cast<std::size_t>(categories.CategoryOf(record.szExt));
        order[position] = position;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return bAscending ? placeOf[a] < placeOf[b] : placeOf[a] > placeOf[b];
    });
    return order;
}

QString CCategoryRows::LongestTypeName()
{
    std::string_view longest;
    for (const FileTypeCategory category : FileTypeCategories::kAll)
        if (FileTypeCategories::DisplayName(category).size() > longest.size())
            longest = FileTypeCategories::DisplayName(category);
    return ToQString(longest);
}
