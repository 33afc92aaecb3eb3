// The rows of a CategoryTable in the forms a program or a spreadsheet reads: CSV and JSON, with
// the same numbers, escaping and JSON object around them as the extension rows. Categories are
// named by their keys ("images", ..., "other", and "none" for the files without an extension).
#pragma once

#include "LargestFiles.h"
#include "ScanProblem.h"

#include <cstddef>
#include <string_view>
#include <vector>

class CategoryTable;
class COutputBuffer;
class ScanFileHead;
struct CategoryRow;
struct ScanCounters;

class CategoryTableWriter {
public:
    // Writes the first `rows` rows of the table's order (every row when 0). The table must
    // outlive the writer.
    explicit CategoryTableWriter(const CategoryTable& table, std::size_t rows = 0);

    // Header category,count,bytes,disk_bytes,percent,extensions and one line per row, raw
    // numbers; percent of the table's measure.
    void WriteCsv(COutputBuffer& out) const;
    // The object the extension rows are written in, with "categories": [{"category", "count",
    // "bytes", "disk_bytes", "percent", "extensions"}...] in place of "extensions" (with pHead,
    // the fields of a scan file's head first, as ExtTableWriter writes them). False when
    // memory ran short for the root or not every largest file or problem fit; the JSON stays well
    // formed.
    bool WriteJson(COutputBuffer& out, std::string_view root, const ScanCounters& counters,
                   const std::vector<LargestFile>* pLargest = nullptr,
                   const std::vector<ScanProblem>* pProblems = nullptr, const ScanFileHead* pHead = nullptr) const;

private:
    std::size_t RowCount() const;

    const CategoryTable& m_table;
    std::size_t m_nRows;
};
