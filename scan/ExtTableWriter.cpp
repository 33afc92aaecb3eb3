#include "ExtTableWriter.h"

#include "FileTypeCategories.h"
#include "OutputBuffer.h"
#include "Resource.h"
#include "ScanCounters.h"
#include "ScanFileHead.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <cstring>

ExtTableWriter::ExtTableWriter(const ExtTable& table, const std::vector<std::size_t>* positions,
                               const FileTypeCategories* pCategories)
    : m_table(table), m_positions(positions), m_pCategories(pCategories)
{
}

std::size_t ExtTableWriter::RowCount() const
{
    return m_positions ? m_positions->size() : m_table.RowCount();
}

bool ExtTableWriter::WriteCsv(COutputBuffer& out) const
{
    // Field names of a machine-readable format: fixed, never translated.
    out.Append(m_pCategories ? "ext,count,bytes,percent,category\n" : "ext,count,bytes,percent\n");
    std::string scratch;
    const std::size_t nWritten = PutEachRow([&](const EXTINFO& row) {
        out.Append(EscapedUnlessPlain(row.szExt, scratch, CsvField));
        PutNumbers(out, row, ',', m_pCategories ? CategoryKey(row) : std::string_view());
    });
    return nWritten == RowCount();
}

bool ExtTableWriter::WriteJson(COutputBuffer& out, std::string_view root, const ScanCounters& counters,
                               const std::vector<LargestFile>* pLargest,
                               const std::vector<ScanProblem>* pProblems, const ScanFileHead* pHead) const
{
    if (!WriteJsonHead(out, root, counters, pHead))
        return false;
    out.Append(", \"extensions\": [");
    std::string scratch;
    bool bFirst = true;
    const std::size_t nWritten = PutEachRow([&](const EXTINFO& row) {
        const std::string_view name = EscapedUnlessPlain(row.szExt, scratch, JsonEscape);
        out.Append(bFirst ? "{\"ext\": \"" : ", {\"ext\": \"");
        bFirst = false;
        out.Append(name);
        out.Append('"');
        WriteJsonNumbers(out, row.nCount, row.nBytes, row.nDiskBytes, m_table.ShareOf(m_table.Bytes(row)));
        if (m_pCategories) {
            out.Append(", \"category\": \"");
            out.Append(CategoryKey(row));
            out.Append('"');
        }
        out.Append('}');
    });
    // Closed whatever was written, so that a reader still gets valid JSON.
    out.Append(']');
    return WriteJsonTail(out, counters, pLargest, pProblems) && nWritten == RowCount();
}

std::string_view ExtTableWriter::CategoryKey(const EXTINFO& row) const
{
    return ExtTable::IsNoExtRow(row) ? std::string_view("none")
                                     : FileTypeCategories::Key(m_pCategories->CategoryOf(row.szExt));
}

bool ExtTableWriter::WriteJsonHead(COutputBuffer& out, std::string_view root, const ScanCounters& counters,
                                   const ScanFileHead* pHead)
{
    try {
        const std::string escapedRoot = JsonEscape(root);
        out.Append('{');
        if (pHead)
            WriteProvenanceJson(out, *pHead);
        out.Append("\"root\": \"" + escapedRoot + "\", \"folders\": ");
    } catch (const std::bad_alloc&) {
        return false;
    }
    out.AppendDecimal(counters.nFolders);
    out.Append(", \"files\": ");
    out.AppendDecimal(counters.nFiles);
    out.Append(", \"bytes\": ");
    out.AppendDecimal(counters.nBytes);
    out.Append(", \"disk_bytes\": ");
    out.AppendDecimal(counters.nDiskBytes);
    return true;
}

// Field names and keys of a machine-readable format: fixed, never translated. Throws bad_alloc
// (escaping) before it has written anything of the head.
void ExtTableWriter::WriteProvenanceJson(COutputBuffer& out, const ScanFileHead& head)
{
    const std::string program = JsonEscape(head.program);
    const std::string host = JsonEscape(head.host);
    std::string exclude;
    for (const std::string& pattern : head.choices.exclude)
        exclude += (exclude.empty() ? "\"" : ", \"") + JsonEscape(pattern) + '"';
    const std::string started = ScanFileHead::UtcText(head.started);
    const std::string thousandths = std::to_string(head.milliseconds % 1000 + 1000);
    out.Append("\"format\": ");
    out.AppendDecimal(ScanFileHead::kFormat);
    out.Append(", \"program\": \"");
    out.Append(program);
    out.Append("\", \"started\": \"");
    out.Append(started);
    out.Append("\", \"seconds\": ");
    out.AppendDecimal(head.milliseconds / 1000);
    out.Append('.');
    out.Append(std::string_view(thousandths).substr(1));
    out.Append(", \"host\": \"");
    out.Append(host);
    out.Append("\", \"options\": {\"one_file_system\": ");
    out.Append(head.choices.oneFileSystem ? "true" : "false");
    out.Append(", \"exclude\": [");
    out.Append(exclude);
    out.Append("], \"links_once\": ");
    out.Append(head.choices.linksOnce ? "true" : "false");
    out.Append(", \"extensions_only\": ");
    out.Append(head.choices.extensionsOnly ? "true" : "false");
    out.Append("}, \"ending\": \"");
    out.Append(ScanFileHead::EndingKey(head.ending));
    out.Append("\", ");
    if (head.parts.empty())
        return;
    const auto writeList = [&out](std::string_view key, const std::vector<std::string>& texts) {
        out.Append(key);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            out.Append(i == 0 ? "\"" : ", \"");
            out.Append(JsonEscape(texts[i]));
            out.Append('"');
        }
        out.Append("], ");
    };
    writeList("\"parts\": [", head.parts);
    writeList("\"roots\": [", head.roots);
}

bool ExtTableWriter::WriteJsonTail(COutputBuffer& out, const ScanCounters& counters,
                                   const std::vector<LargestFile>* pLargest,
                                   const std::vector<ScanProblem>* pProblems)
{
    out.Append(", \"not_listed\": ");
    out.AppendDecimal(counters.nNotListed);
    out.Append(", \"not_entered\": ");
    out.AppendDecimal(counters.nNotEntered);
    out.Append(", \"vanished\": ");
    out.AppendDecimal(counters.nVanished);
    out.Append(", \"not_examined\": ");
    out.AppendDecimal(counters.nNotExamined);
    out.Append(", \"not_in_rows\": ");
    out.AppendDecimal(counters.nNotInRows);
    out.Append(", \"excluded\": ");
    out.AppendDecimal(counters.nExcluded);
    out.Append(", \"not_in_largest\": ");
    out.AppendDecimal(counters.nNotInLargest);
    out.Append(", \"links_unchecked\": ");
    out.AppendDecimal(counters.nLinksUnchecked);
    // Only a walk of a list of names can have these, so other scans keep their fields as before.
    if (counters.nNotFound || counters.nRepeated || counters.nEmptyNames) {
        out.Append(", \"not_found\": ");
        out.AppendDecimal(counters.nNotFound);
        out.Append(", \"repeated\": ");
        out.AppendDecimal(counters.nRepeated);
        out.Append(", \"empty_name\": ");
        out.AppendDecimal(counters.nEmptyNames);
    }
    out.Append(", \"no_extension\": {\"count\": ");
    out.AppendDecimal(counters.nNoExtFiles);
    out.Append(", \"bytes\": ");
    out.AppendDecimal(counters.nNoExtBytes);
    out.Append(", \"disk_bytes\": ");
    out.AppendDecimal(counters.nNoExtDiskBytes);
    out.Append('}');
    const bool bEveryFile = !pLargest || WriteLargestJson(out, *pLargest);
    const bool bEveryProblem = !pProblems || WriteProblemsJson(out, *pProblems);
    out.Append("}\n");
    return bEveryFile && bEveryProblem;
}

// `, "largest": [{"path", "bytes", "mtime"}...]`, closed whatever memory allowed.
bool ExtTableWriter::WriteLargestJson(COutputBuffer& out, const std::vector<LargestFile>& files)
{
    out.Append(", \"largest\": [");
    std::size_t nWritten = 0;
    try {
        std::string scratch;
        for (const LargestFile& file : files) {
            // Escaped before any of the entry is written: only escaping can run out of memory.
            const std::string_view path = EscapedUnlessPlain(file.path, scratch, JsonEscape);
            out.Append(nWritten == 0 ? "{\"path\": \"" : ", {\"path\": \"");
            out.Append(path);
            out.Append("\", \"bytes\": ");
            out.AppendDecimal(file.bytes);
            out.Append(", \"mtime\": ");
            out.Append(std::to_string(file.mtime));
            out.Append('}');
            ++nWritten;
        }
    } catch (const std::bad_alloc&) {
        // The list is closed with the entries written so far; a reader still gets valid JSON.
    }
    out.Append(']');
    return nWritten == files.size();
}

// `, "problems": [{"path", "kind", "reason"}...]`, closed whatever memory allowed.
bool ExtTableWriter::WriteProblemsJson(COutputBuffer& out, const std::vector<ScanProblem>& problems)
{
    out.Append(", \"problems\": [");
    std::size_t nWritten = 0;
    try {
        std::string scratch;
        for (const ScanProblem& problem : problems) {
            const std::string_view path = EscapedUnlessPlain(problem.path, scratch, JsonEscape);
            out.Append(nWritten == 0 ? "{\"path\": \"" : ", {\"path\": \"");
            out.Append(path);
            out.Append("\", \"kind\": \"");
            out.Append(ProblemKindKey(problem.kind));
            out.Append("\", \"reason\": \"");
            out.Append(problem.error ? JsonEscape(std::strerror(problem.error)) : std::string());
            out.Append("\"}");
            ++nWritten;
        }
    } catch (const std::bad_alloc&) {
    }
    out.Append(']');
    return nWritten == problems.size();
}

bool ExtTableWriter::WriteTabSeparated(COutputBuffer& out) const
{
    for (unsigned column = 0; column < ExtTable::kColumns; ++column) {
        if (column > 0)
            out.Append('\t');
        out.Append(ExtTable::ColumnHeading(static_cast<ExtColumn>(column)));
    }
    if (m_pCategories) {
        out.Append('\t');
        out.Append(LoadString(IDS_COLUMN_TYPE));
    }
    out.Append('\n');
    // The shown name has its control characters written out, so a tab or a newline in a name
    // cannot split a row. The type is named as people read it; the "(none)" row's is "(none)".
    std::string scratch;
    const std::size_t nWritten = PutEachRow([&](const EXTINFO& row) {
        const std::string_view name = ExtTable::DisplayName(row, scratch);
        out.Append(name);
        std::string_view type;
        if (m_pCategories)
            type = ExtTable::IsNoExtRow(row) ? name : FileTypeCategories::DisplayName(m_pCategories->CategoryOf(row.szExt));
        PutNumbers(out, row, '\t', type);
    });
    return nWritten == RowCount();
}

void ExtTableWriter::WriteJsonNumbers(COutputBuffer& out, std::uint64_t count, std::uint64_t bytes,
                                      std::uint64_t diskBytes, std::uint64_t percent)
{
    out.Append(", \"count\": ");
    out.AppendDecimal(count);
    out.Append(", \"bytes\": ");
    out.AppendDecimal(bytes);
    out.Append(", \"disk_bytes\": ");
    out.AppendDecimal(diskBytes);
    out.Append(", \"percent\": ");
    out.AppendDecimal(percent);
}

void ExtTableWriter::PutNumbers(COutputBuffer& out, const EXTINFO& row, char separator,
                                std::string_view lastField) const
{
    out.Append(separator);
    out.AppendDecimal(row.nCount);
    out.Append(separator);
    out.AppendDecimal(m_table.Bytes(row));
    out.Append(separator);
    out.AppendDecimal(m_table.ShareOf(m_table.Bytes(row)));
    if (!lastField.empty()) {
        out.Append(separator);
        out.Append(lastField);
    }
    out.Append('\n');
}
