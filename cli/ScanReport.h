// The result of one scan as kestrum-scan writes it: an aligned table, CSV or JSON.
#pragma once

#include "ExtOrder.h"
#include "ScanCounters.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct EXTINFO;
struct SCANINFO;

enum class OutputFormat { Text, Csv, Json };

class CScanReport {
public:
    // Copies the counters of `scan` under its lock. The records are not copied: build the report
    // only once the worker has finished, and keep `scan` unchanged while the report lives.
    // `root` is the folder as the user gave it; the rows are ordered as the list view orders
    // them for `column` and `ascending`.
    CScanReport(std::string root, SCANINFO& scan, ExtColumn column, bool ascending);

    // Writes the report row by row, so its size costs little memory. Returns false when memory
    // ran short: the totals come first and are written before anything large is asked for, then
    // as many rows as fit, from the first in order on, and the output stays well formed (JSON is
    // closed). True when every row was written. The caller checks `out` for write errors.
    bool Write(OutputFormat format, std::FILE* out) const;

private:
    using Rows = std::vector<const EXTINFO*>;

    // The records in display order: all of them, or when memory is short the first ones only.
    // bComplete says which. Never throws.
    Rows OrderedRows(bool& bComplete) const;

    // "Contains:" and "Size:" lines worded as the window's fields, then the Ext, Count, Size, %
    // table with grouped numbers.
    bool WriteText(std::FILE* out) const;
    // Header ext,count,bytes,percent and one row per extension, raw numbers.
    bool WriteCsv(std::FILE* out) const;
    // One object, raw numbers: {"root", "folders", "files", "bytes", "extensions": [...],
    // "not_listed", "not_entered", "vanished"}.
    bool WriteJson(std::FILE* out) const;

    // The "%" column: a record's share of the bytes of all records, as in the list view.
    std::uint64_t PercentOfRow(const EXTINFO& row) const;

    std::string m_szRoot;
    ScanCounters m_counters;
    std::uint64_t m_nRowBytes = 0;       // sum over the records: files without an extension are in none
    const EXTINFO* m_pExtList = nullptr;  // the scan's records, in the order the walk added them
    std::size_t m_nRecords = 0;
    ExtColumn m_column;
    bool m_bAscending;
};
