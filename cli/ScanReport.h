// The result of one scan as kestrum-scan writes it: an aligned table, CSV or JSON.
#pragma once

#include "ExtInfo.h"
#include "ExtOrder.h"

#include <cstdint>
#include <string>
#include <vector>

struct SCANINFO;

class CScanReport {
public:
    // Copies the counters and the extension records of `scan` under its lock, then orders the
    // records as the list view orders its rows for `column` and `ascending`. Call it only once
    // the worker has finished. `root` is the folder as the user gave it.
    CScanReport(std::string root, SCANINFO& scan, ExtColumn column, bool ascending);

    // "Contains:" and "Size:" lines worded as the window's fields, then the Ext, Count, Size, %
    // table with grouped numbers.
    std::string Text() const;
    // Header ext,count,bytes,percent and one row per extension, raw numbers.
    std::string Csv() const;
    // One object, raw numbers: {"root", "folders", "files", "bytes", "extensions": [...]}.
    std::string Json() const;

private:
    // The "%" column: a record's share of the bytes of all records, as in the list view.
    std::uint64_t PercentOfRow(const EXTINFO& row) const;
    std::string TableText() const;

    std::string m_szRoot;
    std::uint64_t m_nFolders = 0;
    std::uint64_t m_nFiles = 0;
    std::uint64_t m_nBytes = 0;
    std::uint64_t m_nRowBytes = 0;  // sum over the records: files without an extension are in none
    std::vector<EXTINFO> m_rows;    // copies; pNext is null in each
};
