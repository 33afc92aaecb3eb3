#include "CompareReport.h"

#include "CountsText.h"
#include "ExtTableWriter.h"
#include "FileTypeCategories.h"
#include "Format.h"
#include "LabelledText.h"
#include "OutputBuffer.h"
#include "Resource.h"
#include "ScanFileHead.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

CompareOrder OrderOf(const ReportOptions& options)
{
    if (options.byChange)
        return CompareOrder::Change;
    switch (options.sortColumn) {
    case ExtColumn::Ext: return CompareOrder::Ext;
    case ExtColumn::Count: return CompareOrder::Count;
    case ExtColumn::Size:
    case ExtColumn::Percent: return CompareOrder::Size;
    }
    return CompareOrder::Change;
}

} // namespace

CCompareReport::CCompareReport(std::string root, const ScanResult& now, const SavedScan& before,
                               const ScanFileHead& head, const ReportOptions& options)
    : m_szRoot(std::move(root)),
      m_now(now),
      m_before(before),
      m_head(head),
      m_options(options),
      m_comparison(before.result, now, options.noExtRow)
{
    m_comparison.Order(OrderOf(options), options.measure);
    m_nTotalBytes = m_comparison.TotalBytes(options.measure);
}

std::string CCompareReport::ErrorText(const std::string& path, const ScanFileError& error)
{
    const std::string file = TerminalEscape(path);
    switch (error.fault) {
    case ScanFileFault::None:
    case ScanFileFault::Unreadable: return FormatString(IDS_CLI_CANNOT_READ, {file, std::strerror(error.error)});
    case ScanFileFault::NotJson: return FormatString(IDS_CLI_SCAN_FILE_NOT_JSON, {file, FormatNumber(error.offset)});
    case ScanFileFault::BadField: return FormatString(IDS_CLI_SCAN_FILE_BAD_FIELD, {file, TerminalEscape(error.where)});
    case ScanFileFault::Twice: {
        const std::string ext = error.where.empty() ? std::string(LoadString(IDS_NO_EXT_ROW)) : TerminalEscape(error.where);
        return FormatString(IDS_CLI_SCAN_FILE_TWICE, {file, ext});
    }
    }
    return {};
}

std::uint64_t CCompareReport::Bytes(const ExtCounts& counts) const
{
    return MeasuredBytes(counts.bytes, counts.diskBytes, m_options.measure);
}

std::string CCompareReport::SizeCell(std::uint64_t bytes) const
{
    return m_options.sizes == SizeStyle::Grouped ? FormatNumber(bytes) : HumanSize(bytes, m_options.sizes);
}

namespace {

// The magnitude with its sign in front. (Written with a character inserted: GCC 12 warns of
// "-" + std::string in optimised builds, wrongly.)
std::string Signed(bool bLess, std::string magnitude)
{
    magnitude.insert(magnitude.begin(), bLess ? '-' : '+');
    return magnitude;
}

} // namespace

std::string CCompareReport::ChangeCell(const CountChange& change, bool bBytes) const
{
    if (change.magnitude == 0)
        return "0";
    return Signed(change.bLess, bBytes ? SizeCell(change.magnitude) : FormatNumber(change.magnitude));
}

std::string CCompareReport::SinceText(std::int64_t started) const
{
    const ScanCounters& was = m_before.result.Counters();
    const ScanCounters& is = m_now.Counters();
    const CountChange files = CountChange::Between(was.nFiles, is.nFiles);
    const CountChange bytes =
        CountChange::Between(MeasuredTotal(was, m_options.measure), MeasuredTotal(is, m_options.measure));
    // The size is always as people read it, as in the line's example; --si picks powers of 1000.
    const SizeStyle style = m_options.sizes == SizeStyle::Si ? SizeStyle::Si : SizeStyle::Binary;
    const std::string size = bytes.magnitude == 0 ? HumanSize(0, style)
                                                  : Signed(bytes.bLess, HumanSize(bytes.magnitude, style));
    const std::string fileChange = files.magnitude == 0 ? "+0" : ChangeCell(files, false);
    return FormatString(IDS_CLI_COMPARE_SINCE, {TerminalEscape(m_before.root), ScanFileHead::UtcMinute(started),
                                                fileChange, size});
}

std::size_t CCompareReport::RowsWritten() const
{
    const std::size_t rows = m_comparison.Rows().size();
    return m_options.top > 0 ? std::min(m_options.top, rows) : rows;
}

std::string_view CCompareReport::CategoryKey(const ComparedRow& row) const
{
    return row.ext.empty() ? std::string_view("none")
                           : FileTypeCategories::Key(FileTypeCategories::System().CategoryOf(row.ext));
}

void CCompareReport::Write(OutputFormat format, std::FILE* out)
{
    COutputBuffer buffer(out);
    switch (format) {
    case OutputFormat::Text: WriteText(buffer); break;
    case OutputFormat::Csv: WriteCsv(buffer); break;
    case OutputFormat::Json: WriteJson(buffer); break;
    }
}

// The window's totals, then Ext, Count, Size, % and Change, numbers right-aligned.
void CCompareReport::WriteText(COutputBuffer& out) const
{
    const ScanCounters& counters = m_now.Counters();
    out.Append(LabelledText(IDS_CLI_CONTAINS, ContainsText(counters.nFolders, counters.nFiles)) + '\n');
    const unsigned sizeLabel = m_options.measure == SizeMeasure::OnDisk ? IDS_CLI_SIZE_ON_DISK : IDS_CLI_SIZE;
    const std::uint64_t total = MeasuredTotal(counters, m_options.measure);
    const std::string totalText = m_options.sizes == SizeStyle::Grouped ? SizeText(total) : HumanSize(total, m_options.sizes);
    out.Append(LabelledText(sizeLabel, totalText) + "\n\n");

    constexpr std::size_t kColumns = 5;
    using Cells = std::array<std::string, kColumns>;
    std::vector<Cells> lines;
    lines.reserve(RowsWritten() + 1);
    lines.push_back({std::string(LoadString(IDS_COLUMN_EXT)), std::string(LoadString(IDS_COLUMN_COUNT)),
                     std::string(LoadString(IDS_COLUMN_SIZE)), std::string(LoadString(IDS_COLUMN_PERCENT)),
                     std::string(LoadString(IDS_CLI_COLUMN_CHANGE))});
    for (std::size_t i = 0; i < RowsWritten(); ++i) {
        const ComparedRow& row = m_comparison.Rows()[i];
        lines.push_back({row.ext.empty() ? std::string(LoadString(IDS_NO_EXT_ROW)) : TerminalEscape(row.ext),
                         FormatNumber(row.now.count), SizeCell(Bytes(row.now)),
                         std::to_string(PercentOf(Bytes(row.now), m_nTotalBytes)),
                         ChangeCell(CountChange::Between(Bytes(row.before), Bytes(row.now)), true)});
    }
    std::array<std::size_t, kColumns> widths {};
    for (const Cells& line : lines)
        for (std::size_t c = 0; c < kColumns; ++c)
            widths[c] = std::max(widths[c], DisplayWidth(line[c]));
    for (const Cells& line : lines) {
        out.Append(line[0]);
        out.AppendSpaces(widths[0] - DisplayWidth(line[0]));
        for (std::size_t c = 1; c < kColumns; ++c) {
            out.AppendSpaces(2 + widths[c] - DisplayWidth(line[c]));
            out.Append(line[c]);
        }
        out.Append('\n');
    }
    CScanReport::WriteLargestText(out, m_now.Largest(), m_options);
}

void CCompareReport::WriteCsv(COutputBuffer& out) const
{
    // Field names of a machine-readable format: fixed, never translated.
    out.Append("ext,count,bytes,percent,category,count_before,bytes_before\n");
    for (std::size_t i = 0; i < RowsWritten(); ++i) {
        const ComparedRow& row = m_comparison.Rows()[i];
        out.Append(CsvField(row.ext));
        out.Append(',');
        out.AppendDecimal(row.now.count);
        out.Append(',');
        out.AppendDecimal(Bytes(row.now));
        out.Append(',');
        out.AppendDecimal(PercentOf(Bytes(row.now), m_nTotalBytes));
        out.Append(',');
        out.Append(CategoryKey(row));
        out.Append(',');
        out.AppendDecimal(row.before.count);
        out.Append(',');
        out.AppendDecimal(Bytes(row.before));
        out.Append('\n');
    }
    CScanReport::WriteLargestCsv(out, m_now.Largest(), m_options);
}

void CCompareReport::WriteJson(COutputBuffer& out) const
{
    const ScanCounters& counters = m_now.Counters();
    if (!ExtTableWriter::WriteJsonHead(out, m_szRoot, counters, &m_head))
        throw std::bad_alloc();
    const ScanCounters& was = m_before.result.Counters();
    out.Append(", \"before\": {\"started\": ");
    out.Append(m_before.bHasStarted ? '"' + ScanFileHead::UtcText(m_before.head.started) + '"' : std::string("null"));
    out.Append(", \"root\": \"");
    out.Append(JsonEscape(m_before.root));
    out.Append("\", \"folders\": ");
    out.AppendDecimal(was.nFolders);
    out.Append(", \"files\": ");
    out.AppendDecimal(was.nFiles);
    out.Append(", \"bytes\": ");
    out.AppendDecimal(was.nBytes);
    out.Append(", \"disk_bytes\": ");
    out.AppendDecimal(was.nDiskBytes);
    out.Append("}, \"extensions\": [");
    for (std::size_t i = 0; i < RowsWritten(); ++i) {
        const ComparedRow& row = m_comparison.Rows()[i];
        out.Append(i == 0 ? "{\"ext\": \"" : ", {\"ext\": \"");
        out.Append(JsonEscape(row.ext));
        out.Append('"');
        ExtTableWriter::WriteJsonNumbers(out, row.now.count, row.now.bytes, row.now.diskBytes,
                                         PercentOf(Bytes(row.now), m_nTotalBytes));
        out.Append(", \"category\": \"");
        out.Append(CategoryKey(row));
        out.Append("\", \"count_before\": ");
        out.AppendDecimal(row.before.count);
        out.Append(", \"bytes_before\": ");
        out.AppendDecimal(row.before.bytes);
        out.Append(", \"disk_bytes_before\": ");
        out.AppendDecimal(row.before.diskBytes);
        out.Append('}');
    }
    out.Append(']');
    ExtTableWriter::WriteJsonTail(out, counters, m_options.largest ? &m_now.Largest() : nullptr, &m_now.Problems());
}
