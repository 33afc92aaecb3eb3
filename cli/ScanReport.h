// The result of one scan as kestrum-scan writes it: an aligned table, CSV or JSON.
#pragma once

#include "ExtOrder.h"
#include "ExtTable.h"

#include <cstdio>
#include <string>

class COutputBuffer;
class ScanResult;

enum class OutputFormat { Text, Csv, Json };

class CScanReport {
public:
    // Reads `result`, which must outlive the report. `root` is the folder as the user gave it;
    // the rows are ordered as the list view orders them for `column` and `ascending`, with the
    // "(none)" row of the files without an extension when bNoExtRow is set.
    CScanReport(std::string root, const ScanResult& result, ExtColumn column, bool ascending, bool bNoExtRow);

    // Writes the report. Returns false when memory ran short: the totals come first and are
    // written before anything large is asked for, then as many rows as fit, from the first in
    // order on, and the output stays well formed (JSON is closed). True when every row was
    // written. The caller checks `out` for write errors.
    bool Write(OutputFormat format, std::FILE* out);

private:
    // "Contains:" and "Size:" lines worded as the window's fields, then the Ext, Count, Size, %
    // table with grouped numbers.
    bool WriteText(COutputBuffer& out);
    // CSV and JSON as ExtTableWriter writes them.
    bool WriteCsv(COutputBuffer& out);
    bool WriteJson(COutputBuffer& out);

    std::string m_szRoot;
    const ScanResult& m_result;
    ExtTable m_table;
    bool m_bEveryRow = false;   // the table could order every record
};
