// kestrum-scan --compare: a later scan beside an earlier, saved one, as an aligned table with a
// "Change" column, as CSV with count_before,bytes_before, or as JSON whose rows add
// "count_before", "bytes_before" and "disk_bytes_before" and whose top level adds "before".
#pragma once

#include "SavedScan.h"
#include "ScanComparison.h"
#include "ScanReport.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class COutputBuffer;
class ScanFileHead;

class CCompareReport {
public:
    // `now` and `before` must outlive the report; `root` is the later scan's folder as given,
    // `head` what the JSON says of the later scan. Throws std::bad_alloc.
    CCompareReport(std::string root, const ScanResult& now, const SavedScan& before, const ScanFileHead& head,
                   const ReportOptions& options);

    // Writes the report; the caller checks `out` for write errors. Throws std::bad_alloc.
    void Write(OutputFormat format, std::FILE* out);
    // "since /srv on 2026-12-01 14:03 UTC: +2,104 files, +3.2 GiB", for standard error;
    // `started` is when the earlier scan began (seconds since the epoch).
    std::string SinceText(std::int64_t started) const;
    // What is wrong with a scan file, in one line naming it.
    static std::string ErrorText(const std::string& path, const ScanFileError& error);

private:
    void WriteText(COutputBuffer& out) const;
    void WriteCsv(COutputBuffer& out) const;
    void WriteJson(COutputBuffer& out) const;
    std::uint64_t Bytes(const ExtCounts& counts) const;
    std::string SizeCell(std::uint64_t bytes) const;
    // A signed change: "+1,234", "-2.5 KiB", "0".
    std::string ChangeCell(const CountChange& change, bool bBytes) const;
    std::string_view CategoryKey(const ComparedRow& row) const;
    std::size_t RowsWritten() const;

    std::string m_szRoot;
    const ScanResult& m_now;
    const SavedScan& m_before;
    const ScanFileHead& m_head;
    ReportOptions m_options;
    ScanComparison m_comparison;
    std::uint64_t m_nTotalBytes = 0;
};
