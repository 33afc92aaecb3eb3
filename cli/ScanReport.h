// The result of one scan as kestrum-scan writes it: an aligned table, CSV or JSON.
#pragma once

#include "ExtOrder.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct EXTINFO;
struct SCANINFO;

enum class OutputFormat { Text, Csv, Json };

class CScanReport {
public:
    // Copies the counters of `scan` under its lock and orders its extension records as the list
    // view orders its rows for `column` and `ascending`. The records are not copied: build the
    // report only once the worker has finished, and keep `scan` unchanged while the report lives.
    // `root` is the folder as the user gave it.
    CScanReport(std::string root, SCANINFO& scan, ExtColumn column, bool ascending);

    // Writes the report row by row, so its size costs no memory. The caller checks `out` for
    // write errors.
    void Write(OutputFormat format, std::FILE* out) const;

private:
    // "Contains:" and "Size:" lines worded as the window's fields, then the Ext, Count, Size, %
    // table with grouped numbers.
    void WriteText(std::FILE* out) const;
    // Header ext,count,bytes,percent and one row per extension, raw numbers.
    void WriteCsv(std::FILE* out) const;
    // One object, raw numbers: {"root", "folders", "files", "bytes", "extensions": [...],
    // "not_listed", "not_entered", "vanished"}.
    void WriteJson(std::FILE* out) const;

    // The "%" column: a record's share of the bytes of all records, as in the list view.
    std::uint64_t PercentOfRow(const EXTINFO& row) const;

    std::string m_szRoot;
    std::uint64_t m_nFolders = 0;
    std::uint64_t m_nFiles = 0;
    std::uint64_t m_nBytes = 0;
    // What the scan could not count: "not_listed", "not_entered", "vanished" in the JSON.
    std::uint64_t m_nNotListed = 0;
    std::uint64_t m_nNotEntered = 0;
    std::uint64_t m_nVanished = 0;
    std::uint64_t m_nRowBytes = 0;       // sum over the records: files without an extension are in none
    std::vector<const EXTINFO*> m_rows;  // the scan's records, in display order
};
