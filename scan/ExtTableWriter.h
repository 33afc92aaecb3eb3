// The rows of an ExtTable in the forms a program or a spreadsheet reads: CSV, JSON and
// tab-separated text. kestrum-scan's --csv and --json, the window's "Save list as..." and its
// copied rows all come from here, so there is one rule for escaping, numbers and fields.
//
// The "(none)" row, the files without an extension, is written with an empty ext in CSV and JSON
// (every extension starts with "."); the tab-separated text, read by people, names it "(none)".
#pragma once

#include "ExtTable.h"
#include "LargestFiles.h"
#include "ScanProblem.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

class COutputBuffer;
class FileTypeCategories;
class ScanFileHead;
struct EXTINFO;
struct ScanCounters;

class ExtTableWriter {
public:
    // Writes the rows at `positions` (places in the table's order), or every row when positions
    // is null. With pCategories, CSV and JSON rows also name each extension's category by its key
    // ("video", ...; "none" for the "(none)" row): CSV in a last column "category", JSON in a
    // field "category". All must outlive the writer.
    explicit ExtTableWriter(const ExtTable& table, const std::vector<std::size_t>* positions = nullptr,
                            const FileTypeCategories* pCategories = nullptr);

    // Each function returns false when memory ran short before every row was written; what was
    // written stays well formed. The caller checks the file for write errors.

    // Header ext,count,bytes,percent and one line per row, raw numbers; bytes of the table's
    // measure.
    bool WriteCsv(COutputBuffer& out) const;
    // One object, raw numbers: {"root", "folders", "files", "bytes", "disk_bytes", "extensions":
    // [{"ext", "count", "bytes", "disk_bytes", "percent"}...], "not_listed", "not_entered",
    // "vanished", "not_examined", "not_in_rows", "excluded", "no_extension": {"count", "bytes",
    // "disk_bytes"}}. "bytes" are apparent and "disk_bytes" allocated, whatever the table's
    // measure; "percent" follows the measure.
    // With pLargest, "largest": [{"path", "bytes", "mtime"}...] follows "no_extension". With
    // pProblems, "problems": [{"path", "kind", "reason"}...] comes last ("kind" as
    // ProblemKindKey, "reason" the system's text for the error, "" when there is none).
    // With pHead, a scan file of format 2: "format", "program", "started", "seconds", "host",
    // "options": {"one_file_system", "exclude", "links_once", "extensions_only"} and "ending"
    // come first.
    bool WriteJson(COutputBuffer& out, std::string_view root, const ScanCounters& counters,
                   const std::vector<LargestFile>* pLargest = nullptr,
                   const std::vector<ScanProblem>* pProblems = nullptr, const ScanFileHead* pHead = nullptr) const;
    // The column headings, then one line per row: the name as shown, raw numbers (bytes of the
    // table's measure), tab-separated; with pCategories, last the category's name as people
    // read it ("(none)" for the "(none)" row).
    bool WriteTabSeparated(COutputBuffer& out) const;

    // The JSON object's parts around its rows, for every table written as one: the head from
    // "{" up to "disk_bytes" (false when memory ran short, nothing written then), and the tail
    // from "not_listed" to the closing "}" and line end (false when not every largest file or
    // problem fit).
    static bool WriteJsonHead(COutputBuffer& out, std::string_view root, const ScanCounters& counters,
                              const ScanFileHead* pHead = nullptr);
    static bool WriteJsonTail(COutputBuffer& out, const ScanCounters& counters,
                              const std::vector<LargestFile>* pLargest,
                              const std::vector<ScanProblem>* pProblems = nullptr);

    // A JSON row's numbers after its name: `, "count": N, "bytes": N, "disk_bytes": N, "percent": N`.
    static void WriteJsonNumbers(COutputBuffer& out, std::uint64_t count, std::uint64_t bytes,
                                 std::uint64_t diskBytes, std::uint64_t percent);

    std::size_t RowCount() const;
    // Runs put(row) for each row to write, in order, until memory runs short. Returns how many
    // rows were done.
    template <typename RowAction>
    std::size_t PutEachRow(RowAction put) const;

private:
    // `"format": 2, ..., "ending": "finished", ` from the head.
    static void WriteProvenanceJson(COutputBuffer& out, const ScanFileHead& head);
    static bool WriteLargestJson(COutputBuffer& out, const std::vector<LargestFile>& files);
    static bool WriteProblemsJson(COutputBuffer& out, const std::vector<ScanProblem>& problems);

    // The row's count, bytes and share, each after separator, raw digits, then lastField (after
    // a separator, unless empty) and the line's end.
    void PutNumbers(COutputBuffer& out, const EXTINFO& row, char separator, std::string_view lastField) const;
    std::string_view CategoryKey(const EXTINFO& row) const;

    const ExtTable& m_table;
    const std::vector<std::size_t>* m_positions;
    const FileTypeCategories* m_pCategories;
};

template <typename RowAction>
std::size_t ExtTableWriter::PutEachRow(RowAction put) const
{
    const std::size_t nRows = RowCount();
    std::size_t done = 0;
    try {
        for (; done < nRows; ++done)
            put(m_table.Row(m_positions ? (*m_positions)[done] : done));
    } catch (const std::bad_alloc&) {
    }
    return done;
}
