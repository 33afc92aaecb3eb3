#include "ScanReport.h"

#include "CountsText.h"
#include "Format.h"
#include "Resource.h"
#include "ScanInfo.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>

namespace {

constexpr std::size_t kColumns = 4;
using TableRow = std::array<std::string, kColumns>;

// Two spaces between columns; Ext is left-aligned, the numbers right-aligned as in the list view.
std::string JoinTableRow(const TableRow& cells, const std::array<std::size_t, kColumns>& widths)
{
    std::string line;
    for (std::size_t c = 0; c < kColumns; ++c) {
        const std::size_t pad = widths[c] - DisplayWidth(cells[c]);
        if (c > 0)
            line += "  ";
        if (c == 0) {
            line += cells[c];
            if (c + 1 < kColumns)
                line.append(pad, ' ');
        } else {
            line.append(pad, ' ');
            line += cells[c];
        }
    }
    return line + '\n';
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
        for (const EXTINFO* record = scan.pExtList; record; record = record->pNext) {
            EXTINFO& row = m_rows.emplace_back(*record);
            row.pNext = nullptr;
            m_nRowBytes += row.nBytes;
        }
    }
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const EXTINFO& a, const EXTINFO& b) {
        return CompareExtInfo(a, b, column, ascending) < 0;
    });
}

std::uint64_t CScanReport::PercentOfRow(const EXTINFO& row) const
{
    return PercentOf(row.nBytes, m_nRowBytes);
}

std::string CScanReport::Text() const
{
    std::string text = LabelledText(IDS_CLI_CONTAINS, ContainsText(m_nFolders, m_nFiles)) + '\n';
    text += LabelledText(IDS_CLI_SIZE, SizeText(m_nBytes)) + '\n';
    text += '\n';
    return text + TableText();
}

std::string CScanReport::TableText() const
{
    std::vector<TableRow> table;
    table.reserve(m_rows.size() + 1);
    table.push_back({std::string(LoadString(IDS_COLUMN_EXT)), std::string(LoadString(IDS_COLUMN_COUNT)),
                     std::string(LoadString(IDS_COLUMN_SIZE)), std::string(LoadString(IDS_COLUMN_PERCENT))});
    for (const EXTINFO& row : m_rows)
        table.push_back({TerminalEscape(row.szExt), FormatNumber(row.nCount), FormatNumber(row.nBytes),
                         FormatPercent(row.nBytes, m_nRowBytes)});

    std::array<std::size_t, kColumns> widths {};
    for (const TableRow& cells : table)
        for (std::size_t c = 0; c < kColumns; ++c)
            widths[c] = std::max(widths[c], DisplayWidth(cells[c]));

    std::string text;
    for (const TableRow& cells : table)
        text += JoinTableRow(cells, widths);
    return text;
}

std::string CScanReport::Csv() const
{
    // Field names of a machine-readable format: fixed, never translated.
    std::string text = "ext,count,bytes,percent\n";
    for (const EXTINFO& row : m_rows) {
        text += CsvField(row.szExt) + ',' + std::to_string(row.nCount) + ',' + std::to_string(row.nBytes) + ','
                + std::to_string(PercentOfRow(row)) + '\n';
    }
    return text;
}

std::string CScanReport::Json() const
{
    std::string text = "{\"root\": \"" + JsonEscape(m_szRoot) + "\", \"folders\": " + std::to_string(m_nFolders)
                       + ", \"files\": " + std::to_string(m_nFiles) + ", \"bytes\": " + std::to_string(m_nBytes)
                       + ", \"extensions\": [";
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const EXTINFO& row = m_rows[i];
        if (i > 0)
            text += ", ";
        text += "{\"ext\": \"" + JsonEscape(row.szExt) + "\", \"count\": " + std::to_string(row.nCount)
                + ", \"bytes\": " + std::to_string(row.nBytes) + ", \"percent\": "
                + std::to_string(PercentOfRow(row)) + '}';
    }
    return text + "]}\n";
}
