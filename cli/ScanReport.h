// The result of one scan as kestrum-scan writes it: an aligned table, CSV or JSON.
#pragma once

#include "ExtOrder.h"
#include "ExtTable.h"
#include "HumanSize.h"
#include "LargestFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class COutputBuffer;
class ScanFileHead;
class ScanResult;

enum class OutputFormat { Text, Csv, Json };

struct ReportOptions {
    // The rows are ordered as the list view orders them for this column when it is first chosen.
    ExtColumn sortColumn = ExtColumn::Ext;
    // --sort change: the largest growth since the scan compared with first (without one, by size).
    bool byChange = false;
    // The "(none)" row of the files without an extension.
    bool noExtRow = true;
    // Sizes, shares and the order by size follow the allocated bytes instead of the apparent ones.
    SizeMeasure measure = SizeMeasure::Apparent;
    // How the text table shows sizes; CSV and JSON always write raw numbers.
    SizeStyle sizes = SizeStyle::Grouped;
    // Only the first rows in the order; 0 for every row. The totals still cover every file.
    std::size_t top = 0;
    // The largest files the walk kept are listed after the table.
    bool largest = false;
    // One row per file-type category instead of one per extension.
    bool byCategory = false;
};

class CScanReport {
public:
    // Reads `result`, which must outlive the report. `root` is the folder as the user gave it.
    CScanReport(std::string root, const ScanResult& result, const ReportOptions& options);
    ~CScanReport();

    // Writes the report. Returns false when memory ran short: the totals come first and are
    // written before anything large is asked for, then as many rows as fit, from the first in
    // order on, and the output stays well formed (JSON is closed). True when every row was
    // written. The caller checks `out` for write errors.
    bool Write(OutputFormat format, std::FILE* out);
    // What the JSON says of the scan at its top, when it is not this run's walk (a merge).
    void SetHead(ScanFileHead head);

    // The largest files asked for (none without options.largest), after a table: in text a blank line, "Largest files:" and one line per
    // file (size in the options' style, date, path); in CSV a blank line and path,bytes,mtime.
    static void WriteLargestText(COutputBuffer& out, const std::vector<LargestFile>& files,
                                 const ReportOptions& options);
    static void WriteLargestCsv(COutputBuffer& out, const std::vector<LargestFile>& files,
                                const ReportOptions& options);

private:
    // "Contains:" and "Size:" lines worded as the window's fields, then the Ext, Count, Size, %
    // table with grouped numbers.
    bool WriteText(COutputBuffer& out);
    // CSV and JSON as ExtTableWriter writes them.
    bool WriteCsv(COutputBuffer& out);
    bool WriteJson(COutputBuffer& out);
    // --by category: the categories' table in place of the extensions', in each format.
    bool WriteByCategory(OutputFormat format, COutputBuffer& out);
    // The "Contains:" and "Size:" lines above the text table. False when memory ran short.
    bool WriteTotalsText(COutputBuffer& out);
    // The "Size:" field, and a size in a table's cell, as the size style shows them.
    std::string SizeShown(std::uint64_t bytes) const;
    std::string CellSize(std::uint64_t bytes) const { return CellSize(bytes, m_options); }
    static std::string CellSize(std::uint64_t bytes, const ReportOptions& options);
    // What the JSON says of the scan at its top (made on first use).
    const ScanFileHead& Head();

    std::string m_szRoot;
    const ScanResult& m_result;
    ReportOptions m_options;
    ExtTable m_table;
    bool m_bEveryRow = false;   // the table could order every record
    std::vector<std::size_t> m_topRows;   // with --top, the places of the rows written
    std::unique_ptr<ScanFileHead> m_pHead;
};
