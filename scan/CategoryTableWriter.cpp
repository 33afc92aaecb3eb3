#include "CategoryTableWriter.h"

#include "CategoryTable.h"
#include "ExtTableWriter.h"
#include "OutputBuffer.h"

#include <algorithm>

CategoryTableWriter::CategoryTableWriter(const CategoryTable& table, std::size_t rows)
    : m_table(table), m_nRows(rows)
{
}

std::size_t CategoryTableWriter::RowCount() const
{
    return m_nRows == 0 ? m_table.RowCount() : std::min(m_nRows, m_table.RowCount());
}

void CategoryTableWriter::WriteCsv(COutputBuffer& out) const
{
    // Field names of a machine-readable format: fixed, never translated. Keys need no quoting.
    out.Append("category,count,bytes,disk_bytes,percent,extensions\n");
    for (std::size_t position = 0; position < RowCount(); ++position) {
        const CategoryRow& row = m_table.Row(position);
        out.Append(CategoryTable::Key(row));
        out.Append(',');
        out.AppendDecimal(row.nCount);
        out.Append(',');
        out.AppendDecimal(row.nBytes);
        out.Append(',');
        out.AppendDecimal(row.nDiskBytes);
        out.Append(',');
        out.AppendDecimal(m_table.ShareOf(m_table.Bytes(row)));
        out.Append(',');
        out.AppendDecimal(row.nExtensions);
        out.Append('\n');
    }
}

bool CategoryTableWriter::WriteJson(COutputBuffer& out, std::string_view root, const ScanCounters& counters,
                                    const std::vector<LargestFile>* pLargest,
                                    const std::vector<ScanProblem>* pProblems, const ScanFileHead* pHead) const
{
    if (!ExtTableWriter::WriteJsonHead(out, root, counters, pHead))
        return false;
    out.Append(", \"categories\": [");
    for (std::size_t position = 0; position < RowCount(); ++position) {
        const CategoryRow& row = m_table.Row(position);
        out.Append(position == 0 ? "{\"category\": \"" : ", {\"category\": \"");
        out.Append(CategoryTable::Key(row));
        out.Append('"');
        ExtTableWriter::WriteJsonNumbers(out, row.nCount, row.nBytes, row.nDiskBytes,
                                         m_table.ShareOf(m_table.Bytes(row)));
        out.Append(", \"extensions\": ");
        out.AppendDecimal(row.nExtensions);
        out.Append('}');
    }
    out.Append(']');
    return ExtTableWriter::WriteJsonTail(out, counters, pLargest, pProblems);
}
