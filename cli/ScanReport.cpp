#include "ScanReport.h"

#include "CountsText.h"
#include "LabelledText.h"
#include "ExtInfo.h"
#include "Format.h"
#include "Resource.h"
#include "ScanInfo.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <algorithm>
#include <array>
#include <mutex>
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

} // namespace

CScanReport::CScanReport(std::string root, SCANINFO& scan, ExtColumn column, bool ascending)
    : m_szRoot(std::move(root))
{
    {
        std::lock_guard lock(scan.cs);
        m_nFolders = scan.nFolders;
        m_nFiles = scan.nFiles;
        m_nBytes = scan.nBytes;
        m_nNotListed = scan.nNotListed;
        m_nNotEntered = scan.nNotEntered;
        m_nVanished = scan.nVanished;
        for (const EXTINFO* record = scan.pExtList; record; record = record->pNext) {
            m_rows.push_back(record);
            m_nRowBytes += record->nBytes;
        }
    }
    // Records the list view holds equal (a locale may collate two texts alike) keep a fixed order
    // by their bytes, so that the same tree always gives the same output.
    std::sort(m_rows.begin(), m_rows.end(), [&](const EXTINFO* a, const EXTINFO* b) {
        const int order = CompareExtInfo(*a, *b, column, ascending);
        return order != 0 ? order < 0 : a->szExt < b->szExt;
    });
}

void CScanReport::Write(OutputFormat format, std::FILE* out) const
{
    switch (format) {
    case OutputFormat::Text: WriteText(out); break;
    case OutputFormat::Csv: WriteCsv(out); break;
    case OutputFormat::Json: WriteJson(out); break;
    }
}

std::uint64_t CScanReport::PercentOfRow(const EXTINFO& row) const
{
    return PercentOf(row.nBytes, m_nRowBytes);
}

void CScanReport::WriteText(std::FILE* out) const
{
    Put(out, LabelledText(IDS_CLI_CONTAINS, ContainsText(m_nFolders, m_nFiles)) + '\n');
    Put(out, LabelledText(IDS_CLI_SIZE, SizeText(m_nBytes)) + "\n\n");

    const std::array<std::string, kColumns> header = {
        std::string(LoadString(IDS_COLUMN_EXT)), std::string(LoadString(IDS_COLUMN_COUNT)),
        std::string(LoadString(IDS_COLUMN_SIZE)), std::string(LoadString(IDS_COLUMN_PERCENT))};
    // A grouped number never gets narrower as the value grows, so the largest value of a column
    // is its widest cell: one pass over the names, none over the numbers.
    std::uint64_t nMaxCount = 0, nMaxBytes = 0, nMaxPercent = 0;
    Widths widths {};
    for (const EXTINFO* row : m_rows) {
        widths[0] = std::max(widths[0], DisplayWidth(TerminalEscape(row->szExt)));
        nMaxCount = std::max(nMaxCount, row->nCount);
        nMaxBytes = std::max(nMaxBytes, row->nBytes);
        nMaxPercent = std::max(nMaxPercent, PercentOfRow(*row));
    }
    const std::string widest[kColumns] = {std::string(), FormatNumber(nMaxCount), FormatNumber(nMaxBytes),
                                          std::to_string(nMaxPercent)};
    for (std::size_t c = 0; c < kColumns; ++c)
        widths[c] = std::max({widths[c], DisplayWidth(header[c]), m_rows.empty() ? 0 : DisplayWidth(widest[c])});

    PutTableRow(out, header, widths);
    for (const EXTINFO* row : m_rows)
        PutTableRow(out, {TerminalEscape(row->szExt), FormatNumber(row->nCount), FormatNumber(row->nBytes),
                          FormatPercent(row->nBytes, m_nRowBytes)}, widths);
}

void CScanReport::WriteCsv(std::FILE* out) const
{
    // Field names of a machine-readable format: fixed, never translated.
    Put(out, "ext,count,bytes,percent\n");
    std::string line;
    for (const EXTINFO* row : m_rows) {
        line = CsvField(row->szExt);
        line += ',';
        line += std::to_string(row->nCount);
        line += ',';
        line += std::to_string(row->nBytes);
        line += ',';
        line += std::to_string(PercentOfRow(*row));
        line += '\n';
        Put(out, line);
    }
}

void CScanReport::WriteJson(std::FILE* out) const
{
    std::string line = "{\"root\": \"" + JsonEscape(m_szRoot) + "\", \"folders\": " + std::to_string(m_nFolders)
                       + ", \"files\": " + std::to_string(m_nFiles) + ", \"bytes\": " + std::to_string(m_nBytes)
                       + ", \"extensions\": [";
    Put(out, line);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const EXTINFO& row = *m_rows[i];
        line = (i == 0) ? "{\"ext\": \"" : ", {\"ext\": \"";
        line += JsonEscape(row.szExt);
        line += "\", \"count\": ";
        line += std::to_string(row.nCount);
        line += ", \"bytes\": ";
        line += std::to_string(row.nBytes);
        line += ", \"percent\": ";
        line += std::to_string(PercentOfRow(row));
        line += '}';
        Put(out, line);
    }
    Put(out, "], \"not_listed\": " + std::to_string(m_nNotListed) + ", \"not_entered\": "
                 + std::to_string(m_nNotEntered) + ", \"vanished\": " + std::to_string(m_nVanished) + "}\n");
}
