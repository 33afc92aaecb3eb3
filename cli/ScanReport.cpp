#include "ScanReport.h"

#include "CountsText.h"
#include "LabelledText.h"
#include "ExtInfo.h"
#include "Format.h"
#include "Resource.h"
#include "ScanInfo.h"
#include "ScanJob.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <new>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t kColumns = 4;
using Widths = std::array<std::size_t, kColumns>;

void Put(std::FILE* out, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

// Two spaces between columns; Ext is left-aligned, the numbers right-aligned as in the list view.
void PutTableRow(std::FILE* out, const std::array<std::string, kColumns>& cells, const Widths& widths)
{
    std::string line;
    for (std::size_t c = 0; c < kColumns; ++c) {
        const std::size_t pad = widths[c] - DisplayWidth(cells[c]);
        if (c == 0) {
            line += cells[c];
            line.append(pad, ' ');
        } else {
            line.append(2 + pad, ' ');
            line += cells[c];
        }
    }
    line += '\n';
    Put(out, line);
}

// Runs put(row) for each row, in order, until memory runs short. Returns how many rows were done.
template <typename RowAction>
std::size_t PutEachRow(const std::vector<const EXTINFO*>& rows, RowAction put)
{
    std::size_t done = 0;
    try {
        for (; done < rows.size(); ++done)
            put(*rows[done]);
    } catch (const std::bad_alloc&) {
    }
    return done;
}

} // namespace

CScanReport::CScanReport(std::string root, SCANINFO& scan, ExtColumn column, bool ascending)
    : m_szRoot(std::move(root)), m_counters(ScanJob::SnapshotOf(scan)), m_column(column), m_bAscending(ascending)
{
    std::lock_guard lock(scan.cs);
    m_pExtList = scan.pExtList;
    for (const EXTINFO* record = scan.pExtList; record; record = record->pNext) {
        ++m_nRecords;
        m_nRowBytes += record->nBytes;
    }
}

bool CScanReport::Write(OutputFormat format, std::FILE* out) const
{
    switch (format) {
    case OutputFormat::Text: return WriteText(out);
    case OutputFormat::Csv: return WriteCsv(out);
    case OutputFormat::Json: return WriteJson(out);
    }
    return false;
}

CScanReport::Rows CScanReport::OrderedRows(bool& bComplete) const
{
    // A walk that met hundreds of thousands of extensions may have left too little memory for
    // an index of them all: halve the request until it fits, and keep the rows that come first.
    Rows rows;
    std::size_t nKept = m_nRecords;
    while (nKept > 0) {
        try {
            rows.reserve(nKept);
            break;
        } catch (const std::bad_alloc&) {
            nKept /= 2;
        }
    }
    // Records the list view holds equal (a locale may collate two texts alike) keep a fixed order
    // by their bytes, so that the same tree always gives the same output.
    const auto before = [this](const EXTINFO* a, const EXTINFO* b) {
        const int order = CompareExtInfo(*a, *b, m_column, m_bAscending);
        return order != 0 ? order < 0 : a->szExt < b->szExt;
    };
    // A heap whose top is the last row kept: a record that comes before it takes its place.
    // Nothing here allocates beyond the reserved capacity.
    for (const EXTINFO* record = m_pExtList; record && nKept > 0; record = record->pNext) {
        if (rows.size() < nKept) {
            rows.push_back(record);
            std::push_heap(rows.begin(), rows.end(), before);
        } else if (before(record, rows.front())) {
            std::pop_heap(rows.begin(), rows.end(), before);
            rows.back() = record;
            std::push_heap(rows.begin(), rows.end(), before);
        }
    }
    std::sort_heap(rows.begin(), rows.end(), before);
    bComplete = nKept == m_nRecords;
    return rows;
}

std::uint64_t CScanReport::PercentOfRow(const EXTINFO& row) const
{
    return PercentOf(row.nBytes, m_nRowBytes);
}

bool CScanReport::WriteText(std::FILE* out) const
{
    try {
        Put(out, LabelledText(IDS_CLI_CONTAINS, ContainsText(m_counters.nFolders, m_counters.nFiles)) + '\n');
        Put(out, LabelledText(IDS_CLI_SIZE, SizeText(m_counters.nBytes)) + "\n\n");
    } catch (const std::bad_alloc&) {
        return false;
    }
    bool bComplete = false;
    Rows rows = OrderedRows(bComplete);

    const std::array<std::string, kColumns> header = {
        std::string(LoadString(IDS_COLUMN_EXT)), std::string(LoadString(IDS_COLUMN_COUNT)),
        std::string(LoadString(IDS_COLUMN_SIZE)), std::string(LoadString(IDS_COLUMN_PERCENT))};
    // A grouped number never gets narrower as the value grows, so the largest value of a column
    // is its widest cell: one pass over the names, none over the numbers. Rows that could not
    // be measured are not shown.
    std::uint64_t nMaxCount = 0, nMaxBytes = 0, nMaxPercent = 0;
    Widths widths {};
    const std::size_t nMeasured = PutEachRow(rows, [&](const EXTINFO& row) {
        widths[0] = std::max(widths[0], DisplayWidth(TerminalEscape(row.szExt)));
        nMaxCount = std::max(nMaxCount, row.nCount);
        nMaxBytes = std::max(nMaxBytes, row.nBytes);
        nMaxPercent = std::max(nMaxPercent, PercentOfRow(row));
    });
    bComplete = bComplete && nMeasured == rows.size();
    rows.resize(nMeasured);
    try {
        const std::string widest[kColumns] = {std::string(), FormatNumber(nMaxCount), FormatNumber(nMaxBytes),
                                              std::to_string(nMaxPercent)};
        for (std::size_t c = 0; c < kColumns; ++c)
            widths[c] = std::max({widths[c], DisplayWidth(header[c]), rows.empty() ? 0 : DisplayWidth(widest[c])});
        PutTableRow(out, header, widths);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::size_t nWritten = PutEachRow(rows, [&](const EXTINFO& row) {
        PutTableRow(out, {TerminalEscape(row.szExt), FormatNumber(row.nCount), FormatNumber(row.nBytes),
                          FormatPercent(row.nBytes, m_nRowBytes)}, widths);
    });
    return bComplete && nWritten == rows.size();
}

bool CScanReport::WriteCsv(std::FILE* out) const
{
    // Field names of a machine-readable format: fixed, never translated.
    Put(out, "ext,count,bytes,percent\n");
    bool bComplete = false;
    const Rows rows = OrderedRows(bComplete);
    std::string line;
    const std::size_t nWritten = PutEachRow(rows, [&](const EXTINFO& row) {
        line = CsvField(row.szExt);
        line += ',';
        line += std::to_string(row.nCount);
        line += ',';
        line += std::to_string(row.nBytes);
        line += ',';
        line += std::to_string(PercentOfRow(row));
        line += '\n';
        Put(out, line);
    });
    return bComplete && nWritten == rows.size();
}

bool CScanReport::WriteJson(std::FILE* out) const
{
    try {
        Put(out, "{\"root\": \"" + JsonEscape(m_szRoot) + "\", \"folders\": " + std::to_string(m_counters.nFolders)
                     + ", \"files\": " + std::to_string(m_counters.nFiles) + ", \"bytes\": " + std::to_string(m_counters.nBytes)
                     + ", \"extensions\": [");
    } catch (const std::bad_alloc&) {
        return false;
    }
    bool bComplete = false;
    const Rows rows = OrderedRows(bComplete);
    std::string line;
    bool bFirst = true;
    const std::size_t nWritten = PutEachRow(rows, [&](const EXTINFO& row) {
        line = bFirst ? "{\"ext\": \"" : ", {\"ext\": \"";
        line += JsonEscape(row.szExt);
        line += "\", \"count\": ";
        line += std::to_string(row.nCount);
        line += ", \"bytes\": ";
        line += std::to_string(row.nBytes);
        line += ", \"percent\": ";
        line += std::to_string(PercentOfRow(row));
        line += '}';
        Put(out, line);
        bFirst = false;
    });
    // Closed whatever was written, so that a reader still gets valid JSON; a stack buffer, since
    // memory may be short here.
    char closing[256];
    std::snprintf(closing, sizeof closing,
                  "], \"not_listed\": %llu, \"not_entered\": %llu, \"vanished\": %llu, \"not_examined\": %llu, "
                  "\"not_in_rows\": %llu}\n",
                  static_cast<unsigned long long>(m_counters.nNotListed), static_cast<unsigned long long>(m_counters.nNotEntered),
                  static_cast<unsigned long long>(m_counters.nVanished), static_cast<unsigned long long>(m_counters.nNotExamined),
                  static_cast<unsigned long long>(m_counters.nNotInRows));
    Put(out, closing);
    return bComplete && nWritten == rows.size();
}
