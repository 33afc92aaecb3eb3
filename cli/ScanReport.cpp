#include "ScanReport.h"

#include "CategoryReport.h"
#include "CategoryTable.h"
#include "CategoryTableWriter.h"
#include "CountsText.h"
#include "ExtInfo.h"
#include "ExtTableWriter.h"
#include "Format.h"
#include "LabelledText.h"
#include "OutputBuffer.h"
#include "Resource.h"
#include "ScanFileHead.h"
#include "ScanResult.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <new>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t kColumns = ExtTable::kColumns;
using Widths = std::array<std::size_t, kColumns>;

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

CScanReport::CScanReport(std::string root, const ScanResult& result, const ReportOptions& options)
    : m_szRoot(std::move(root)),
      m_result(result),
      m_options(options),
      m_table(result, options.noExtRow, options.measure)
{
    m_bEveryRow = m_table.Order(options.sortColumn, ExtTable::StartsAscending(options.sortColumn));
    if (options.top > 0) {
        const std::size_t rows = std::min(options.top, m_table.RowCount());
        m_topRows.reserve(rows);
        for (std::size_t position = 0; position < rows; ++position)
            m_topRows.push_back(position);
        // Rows past the top were not wanted, so an order cut short there lost nothing.
        m_bEveryRow = m_bEveryRow || m_table.RowCount() >= options.top;
    }
}

CScanReport::~CScanReport() = default;

// A total that saturated is said to be at least what is shown.
std::string CScanReport::SizeShown(std::uint64_t bytes) const
{
    std::string shown = m_options.sizes == SizeStyle::Grouped ? SizeText(bytes) : HumanSize(bytes, m_options.sizes);
    return BytesSaturated(bytes) ? FormatString(IDS_CLI_AT_LEAST, {shown}) : shown;
}

std::string CScanReport::CellSize(std::uint64_t bytes, const ReportOptions& options)
{
    return options.sizes == SizeStyle::Grouped ? FormatNumber(bytes) : HumanSize(bytes, options.sizes);
}

bool CScanReport::Write(OutputFormat format, std::FILE* out)
{
    COutputBuffer buffer(out);
    if (m_options.byCategory)
        return WriteByCategory(format, buffer);
    switch (format) {
    case OutputFormat::Text: return WriteText(buffer);
    case OutputFormat::Csv: return WriteCsv(buffer);
    case OutputFormat::Json: return WriteJson(buffer);
    }
    return false;
}

bool CScanReport::WriteTotalsText(COutputBuffer& out)
{
    const ScanCounters& counters = m_result.Counters();
    try {
        out.Append(LabelledText(IDS_CLI_CONTAINS, ContainsText(counters.nFolders, counters.nFiles)) + '\n');
        const unsigned sizeLabel = m_options.measure == SizeMeasure::OnDisk ? IDS_CLI_SIZE_ON_DISK : IDS_CLI_SIZE;
        out.Append(LabelledText(sizeLabel, SizeShown(MeasuredTotal(counters, m_options.measure))) + "\n\n");
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Ten rows at most: memory that runs short here ends the report (the caller says so).
bool CScanReport::WriteByCategory(OutputFormat format, COutputBuffer& out)
{
    CategoryTable table(m_result, FileTypeCategories::System(), m_options.noExtRow, m_options.measure);
    table.Order(m_options.sortColumn);
    switch (format) {
    case OutputFormat::Text:
        if (!WriteTotalsText(out))
            return false;
        CCategoryReport(table, m_options.sizes, m_options.top).WriteText(out);
        WriteLargestText(out, m_result.Largest(), m_options);
        return true;
    case OutputFormat::Csv:
        CategoryTableWriter(table, m_options.top).WriteCsv(out);
        WriteLargestCsv(out, m_result.Largest(), m_options);
        return true;
    case OutputFormat::Json:
        return CategoryTableWriter(table, m_options.top)
            .WriteJson(out, m_szRoot, m_result.Counters(), m_options.largest ? &m_result.Largest() : nullptr,
                       &m_result.Problems(), &Head());
    }
    return false;
}

bool CScanReport::WriteText(COutputBuffer& out)
{
    std::array<std::string_view, kColumns> header;
    for (std::size_t c = 0; c < kColumns; ++c)
        header[c] = ExtTable::ColumnHeading(static_cast<ExtColumn>(c));
    if (!WriteTotalsText(out))
        return false;
    const std::string_view separator = ThousandsSeparator();
    // A grouped number never gets narrower as the value grows, so the largest value of a column
    // is its widest cell: one pass over the names, none over the numbers. Rows that could not
    // be measured are not shown.
    std::uint64_t nMaxCount = 0, nMaxBytes = 0, nMaxPercent = 0;
    Widths widths {};
    const ExtTableWriter rows(m_table, m_options.top > 0 ? &m_topRows : nullptr);
    const bool bHuman = m_options.sizes != SizeStyle::Grouped;
    std::size_t nHumanWidth = 0;
    std::string scratch;
    const auto shownName = [&scratch](const EXTINFO& row) { return ExtTable::DisplayName(row, scratch); };
    const std::size_t nMeasured = rows.PutEachRow([&](const EXTINFO& row) {
        widths[0] = std::max(widths[0], DisplayWidth(shownName(row)));
        nMaxCount = std::max(nMaxCount, row.nCount);
        nMaxBytes = std::max(nMaxBytes, m_table.Bytes(row));
        if (bHuman)
            nHumanWidth = std::max(nHumanWidth, DisplayWidth(HumanSize(m_table.Bytes(row), m_options.sizes)));
        nMaxPercent = std::max(nMaxPercent, m_table.ShareOf(m_table.Bytes(row)));
    });
    TableRowWriter writer(out, widths, separator);
    if (nMeasured > 0) {
        widths[1] = writer.GroupedWidth(nMaxCount);
        widths[2] = bHuman ? nHumanWidth : writer.GroupedWidth(nMaxBytes);
        widths[3] = TableRowWriter::DecimalLength(nMaxPercent);
    }
    for (std::size_t c = 0; c < kColumns; ++c)
        widths[c] = std::max(widths[c], DisplayWidth(header[c]));
    for (std::size_t c = 0; c < kColumns; ++c)
        writer.PutText(c, header[c], DisplayWidth(header[c]));
    out.Append('\n');

    std::size_t nWritten = 0;
    rows.PutEachRow([&](const EXTINFO& row) {
        if (nWritten == nMeasured)
            return; // a row that could not be measured is not shown
        const std::string_view name = shownName(row);
        writer.PutText(0, name, DisplayWidth(name));
        writer.PutGrouped(1, row.nCount);
        if (bHuman) {
            const std::string size = HumanSize(m_table.Bytes(row), m_options.sizes);
            writer.PutText(2, size, DisplayWidth(size));
        } else {
            writer.PutGrouped(2, m_table.Bytes(row));
        }
        writer.PutDecimal(3, m_table.ShareOf(m_table.Bytes(row)));
        out.Append('\n');
        ++nWritten;
    });
    WriteLargestText(out, m_result.Largest(), m_options);
    return m_bEveryRow && nWritten == rows.RowCount();
}

void CScanReport::SetHead(ScanFileHead head)
{
    m_pHead = std::make_unique<ScanFileHead>(std::move(head));
}

// kestrum-scan's walks end early only on a signal (Ctrl+C).
const ScanFileHead& CScanReport::Head()
{
    if (!m_pHead)
        m_pHead = std::make_unique<ScanFileHead>(
            ScanFileHead::Of(m_result, "kestrum-scan " KESTRUM_VERSION, !m_options.noExtRow, true));
    return *m_pHead;
}

bool CScanReport::WriteCsv(COutputBuffer& out)
{
    const bool bWritten =
        ExtTableWriter(m_table, m_options.top > 0 ? &m_topRows : nullptr, &FileTypeCategories::System()).WriteCsv(out);
    WriteLargestCsv(out, m_result.Largest(), m_options);
    return bWritten && m_bEveryRow;
}

bool CScanReport::WriteJson(COutputBuffer& out)
{
    return ExtTableWriter(m_table, m_options.top > 0 ? &m_topRows : nullptr, &FileTypeCategories::System())
               .WriteJson(out, m_szRoot, m_result.Counters(), m_options.largest ? &m_result.Largest() : nullptr,
                          &m_result.Problems(), &Head()) &&
           m_bEveryRow;
}

namespace {

// Last modified as the local date and minute: "2026-12-07 19:04".
std::string LocalMinute(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local {};
    char text[32] = "";
    if (localtime_r(&time, &local))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

} // namespace

// A blank line, "Largest files:", then one line per file: its size right-aligned, the date it
// was last modified and its path, largest first.
void CScanReport::WriteLargestText(COutputBuffer& out, const std::vector<LargestFile>& files,
                                   const ReportOptions& options)
{
    if (!options.largest)
        return;
    out.Append('\n');
    out.Append(LoadString(IDS_CLI_LARGEST));
    out.Append('\n');
    if (files.empty()) {
        out.Append(LoadString(IDS_CLI_LARGEST_NONE));
        out.Append('\n');
        return;
    }
    std::size_t width = 0;
    for (const LargestFile& file : files)
        width = std::max(width, DisplayWidth(CellSize(file.bytes, options)));
    for (const LargestFile& file : files) {
        const std::string size = CellSize(file.bytes, options);
        out.AppendSpaces(width - DisplayWidth(size));
        out.Append(size);
        out.Append("  ");
        out.Append(LocalMinute(file.mtime));
        out.Append("  ");
        out.Append(TerminalEscape(file.path));
        out.Append('\n');
    }
}

// After the table, a blank line and a second table: path,bytes,mtime (seconds since the epoch).
void CScanReport::WriteLargestCsv(COutputBuffer& out, const std::vector<LargestFile>& files,
                                  const ReportOptions& options)
{
    if (!options.largest)
        return;
    out.Append("\npath,bytes,mtime\n");
    for (const LargestFile& file : files) {
        out.Append(CsvField(file.path));
        out.Append(',');
        out.AppendDecimal(file.bytes);
        out.Append(',');
        out.Append(std::to_string(file.mtime));
        out.Append('\n');
    }
}
