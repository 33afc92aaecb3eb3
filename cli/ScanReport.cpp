#include "ScanReport.h"

#include "CountsText.h"
#include "ExtInfo.h"
#include "Format.h"
#include "LabelledText.h"
#include "OutputBuffer.h"
#include "Resource.h"
#include "ScanResult.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <algorithm>
#include <array>
#include <new>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t kColumns = 4;
using Widths = std::array<std::size_t, kColumns>;

// Printable ASCII without a backslash, a quote or a comma: every escaping rule leaves such a
// name as it is, and nearly every extension is one, so most rows need no escaping at all.
bool IsPlainName(std::string_view name)
{
    return std::all_of(name.begin(), name.end(), [](char c) {
        return c >= 0x20 && c < 0x7F && c != '\\' && c != '"' && c != ',';
    });
}

// The name under `escape`, in `scratch` when escaping changes it. Throws bad_alloc when memory
// is short.
template <typename Escape>
std::string_view Escaped(const std::string& name, std::string& scratch, Escape escape)
{
    if (IsPlainName(name))
        return name;
    scratch = escape(name);
    return scratch;
}

// Runs put(row) for each row, in order, until memory runs short. Returns how many rows were done.
template <typename RowAction>
std::size_t PutEachRow(const ExtTable& table, std::size_t nRows, RowAction put)
{
    std::size_t done = 0;
    try {
        for (; done < nRows; ++done)
            put(table.Row(done));
    } catch (const std::bad_alloc&) {
    }
    return done;
}

// Two spaces between columns; Ext is left-aligned, the numbers right-aligned as in the list view.
// Numbers go straight into the buffer; their widths are worked out from their digits (a
// separator may take more bytes than columns, so its width is measured once).
class TableRowWriter {
public:
    TableRowWriter(COutputBuffer& out, const Widths& widths, std::string_view separator)
        : m_out(out), m_widths(widths), m_separator(separator), m_nSeparatorWidth(DisplayWidth(separator))
    {
    }

    void PutText(std::size_t column, std::string_view text, std::size_t width)
    {
        const std::size_t pad = m_widths[column] - width;
        if (column == 0) {
            m_out.Append(text);
            m_out.AppendSpaces(pad);
        } else {
            m_out.AppendSpaces(2 + pad);
            m_out.Append(text);
        }
    }

    void PutGrouped(std::size_t column, std::uint64_t value)
    {
        m_out.AppendSpaces(2 + m_widths[column] - GroupedWidth(value));
        m_out.AppendGrouped(value, m_separator);
    }

    void PutDecimal(std::size_t column, std::uint64_t value)
    {
        m_out.AppendSpaces(2 + m_widths[column] - DecimalLength(value));
        m_out.AppendDecimal(value);
    }

    std::size_t GroupedWidth(std::uint64_t value) const
    {
        const std::size_t digits = DecimalLength(value);
        return digits + (digits - 1) / 3 * m_nSeparatorWidth;
    }

    static std::size_t DecimalLength(std::uint64_t value)
    {
        std::size_t digits = 1;
        for (; value >= 10; value /= 10)
            ++digits;
        return digits;
    }

private:
    COutputBuffer& m_out;
    const Widths& m_widths;
    std::string_view m_separator;
    std::size_t m_nSeparatorWidth;
};

} // namespace

CScanReport::CScanReport(std::string root, const ScanResult& result, ExtColumn column, bool ascending)
    : m_szRoot(std::move(root)), m_result(result), m_table(result)
{
    m_bEveryRow = m_table.Order(column, ascending);
}

bool CScanReport::Write(OutputFormat format, std::FILE* out)
{
    COutputBuffer buffer(out);
    switch (format) {
    case OutputFormat::Text: return WriteText(buffer);
    case OutputFormat::Csv: return WriteCsv(buffer);
    case OutputFormat::Json: return WriteJson(buffer);
    }
    return false;
}

bool CScanReport::WriteText(COutputBuffer& out)
{
    const ScanCounters& counters = m_result.Counters();
    std::array<std::string, kColumns> header;
    try {
        out.Append(LabelledText(IDS_CLI_CONTAINS, ContainsText(counters.nFolders, counters.nFiles)) + '\n');
        out.Append(LabelledText(IDS_CLI_SIZE, SizeText(counters.nBytes)) + "\n\n");
        header = {std::string(LoadString(IDS_COLUMN_EXT)), std::string(LoadString(IDS_COLUMN_COUNT)),
                  std::string(LoadString(IDS_COLUMN_SIZE)), std::string(LoadString(IDS_COLUMN_PERCENT))};
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::string_view separator = ThousandsSeparator();
    // A grouped number never gets narrower as the value grows, so the largest value of a column
    // is its widest cell: one pass over the names, none over the numbers. Rows that could not
    // be measured are not shown.
    std::uint64_t nMaxCount = 0, nMaxBytes = 0, nMaxPercent = 0;
    Widths widths {};
    std::string scratch;
    const std::size_t nMeasured = PutEachRow(m_table, m_table.RowCount(), [&](const EXTINFO& row) {
        widths[0] = std::max(widths[0], DisplayWidth(Escaped(row.szExt, scratch, TerminalEscape)));
        nMaxCount = std::max(nMaxCount, row.nCount);
        nMaxBytes = std::max(nMaxBytes, row.nBytes);
        nMaxPercent = std::max(nMaxPercent, m_table.ShareOf(row.nBytes));
    });
    TableRowWriter writer(out, widths, separator);
    if (nMeasured > 0) {
        widths[1] = writer.GroupedWidth(nMaxCount);
        widths[2] = writer.GroupedWidth(nMaxBytes);
        widths[3] = TableRowWriter::DecimalLength(nMaxPercent);
    }
    for (std::size_t c = 0; c < kColumns; ++c)
        widths[c] = std::max(widths[c], DisplayWidth(header[c]));
    for (std::size_t c = 0; c < kColumns; ++c)
        writer.PutText(c, header[c], DisplayWidth(header[c]));
    out.Append('\n');

    const std::size_t nWritten = PutEachRow(m_table, nMeasured, [&](const EXTINFO& row) {
        const std::string_view name = Escaped(row.szExt, scratch, TerminalEscape);
        writer.PutText(0, name, DisplayWidth(name));
        writer.PutGrouped(1, row.nCount);
        writer.PutGrouped(2, row.nBytes);
        writer.PutDecimal(3, m_table.ShareOf(row.nBytes));
        out.Append('\n');
    });
    return m_bEveryRow && nWritten == m_table.RowCount();
}

bool CScanReport::WriteCsv(COutputBuffer& out)
{
    // Field names of a machine-readable format: fixed, never translated.
    out.Append("ext,count,bytes,percent\n");
    std::string scratch;
    const std::size_t nWritten = PutEachRow(m_table, m_table.RowCount(), [&](const EXTINFO& row) {
        out.Append(Escaped(row.szExt, scratch, CsvField));
        out.Append(',');
        out.AppendDecimal(row.nCount);
        out.Append(',');
        out.AppendDecimal(row.nBytes);
        out.Append(',');
        out.AppendDecimal(m_table.ShareOf(row.nBytes));
        out.Append('\n');
    });
    return m_bEveryRow && nWritten == m_table.RowCount();
}

bool CScanReport::WriteJson(COutputBuffer& out)
{
    const ScanCounters& counters = m_result.Counters();
    try {
        out.Append("{\"root\": \"" + JsonEscape(m_szRoot) + "\", \"folders\": ");
    } catch (const std::bad_alloc&) {
        return false;
    }
    out.AppendDecimal(counters.nFolders);
    out.Append(", \"files\": ");
    out.AppendDecimal(counters.nFiles);
    out.Append(", \"bytes\": ");
    out.AppendDecimal(counters.nBytes);
    out.Append(", \"extensions\": [");
    std::string scratch;
    const std::size_t nWritten = PutEachRow(m_table, m_table.RowCount(), [&](const EXTINFO& row) {
        const std::string_view name = Escaped(row.szExt, scratch, JsonEscape);
        out.Append(&row == &m_table.Row(0) ? "{\"ext\": \"" : ", {\"ext\": \"");
        out.Append(name);
        out.Append("\", \"count\": ");
        out.AppendDecimal(row.nCount);
        out.Append(", \"bytes\": ");
        out.AppendDecimal(row.nBytes);
        out.Append(", \"percent\": ");
        out.AppendDecimal(m_table.ShareOf(row.nBytes));
        out.Append('}');
    });
    // Closed whatever was written, so that a reader still gets valid JSON.
    out.Append("], \"not_listed\": ");
    out.AppendDecimal(counters.nNotListed);
    out.Append(", \"not_entered\": ");
    out.AppendDecimal(counters.nNotEntered);
    out.Append(", \"vanished\": ");
    out.AppendDecimal(counters.nVanished);
    out.Append(", \"not_examined\": ");
    out.AppendDecimal(counters.nNotExamined);
    out.Append(", \"not_in_rows\": ");
    out.AppendDecimal(counters.nNotInRows);
    out.Append("}\n");
    return m_bEveryRow && nWritten == m_table.RowCount();
}
