// Copying and saving the list's rows.
#include "ExtRowsWriter.h"

#include "CategoryRows.h"
#include "ExtTableWriter.h"
#include "FileReplacement.h"
#include "ScanFileHead.h"
#include "OutputBuffer.h"
#include "ScanResult.h"

#include <QMimeData>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

CExtRowsWriter::CExtRowsWriter(const ExtTable& table, const CCategoryRows* pCategoryRows,
                               const std::vector<std::size_t>& order, const FileTypeCategories& categories)
    : m_table(table)
    , m_pCategoryRows(pCategoryRows)
    , m_order(order)
    , m_categories(categories)
{
}

namespace {

const QString kCsvMimeType = QStringLiteral("text/csv");

} // namespace

QStringList CExtRowsWriter::MimeTypes()
{
    return {QStringLiteral("text/plain"), kCsvMimeType};
}

QMimeData* CExtRowsWriter::MimeData(const std::string& tabSeparated, const std::string& csv)
{
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(tabSeparated));
    data->setData(kCsvMimeType, QByteArray::fromStdString(csv));
    return data;
}

// open_memstream grows as needed.
std::string CExtRowsWriter::WrittenText(const std::function<bool(COutputBuffer&)>& write)
{
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    if (!file)
        return std::string();
    {
        COutputBuffer out(file);
        write(out);
    }
    std::fclose(file);
    std::string text(data ? data : "", size);
    std::free(data);
    return text;
}

std::string CExtRowsWriter::TabSeparated(const std::vector<std::size_t>& selected) const
{
    if (m_pCategoryRows)
        return m_pCategoryRows->AsTabSeparated(selected.empty() ? nullptr : &selected);
    return WrittenRows(selected, &ExtTableWriter::WriteTabSeparated);
}

std::string CExtRowsWriter::Csv(const std::vector<std::size_t>& selected) const
{
    if (m_pCategoryRows)
        return m_pCategoryRows->AsCsv(selected.empty() ? nullptr : &selected);
    return WrittenRows(selected, &ExtTableWriter::WriteCsv);
}

std::string CExtRowsWriter::WrittenRows(const std::vector<std::size_t>& selected,
                                        bool (ExtTableWriter::*write)(COutputBuffer&) const) const
{
    std::vector<std::size_t> positions = selected.empty() ? m_order : selected;
    if (!selected.empty() && !m_order.empty())
        for (std::size_t& position : positions)
            position = m_order[position];
    const ExtTableWriter writer(m_table, positions.empty() ? nullptr : &positions, &m_categories);
    return WrittenText([&](COutputBuffer& out) { return (writer.*write)(out); });
}

bool CExtRowsWriter::Save(const std::string& path, bool bJson, const std::string& root, const ScanResult& result,
                          std::string& error, bool bWalkedOnly) const
{
    std::vector<std::size_t> walked;
    if (bWalkedOnly) {
        for (std::size_t place = 0; place < m_table.RowCount(); ++place) {
            const std::size_t position = place < m_order.size() ? m_order[place] : place;
            if (m_table.Row(position).nCount > 0)
                walked.push_back(position);
        }
    }
    const ExtTableWriter writer(m_table, bWalkedOnly ? &walked : m_order.empty() ? nullptr : &m_order, &m_categories);
    const bool bEveryRow = m_table.HasEveryRow();
    // A saved list is a scan file as kestrum-scan writes it; the window's Stop is the only way its
    // scans end early, never a signal.
    const ScanFileHead head = ScanFileHead::Of(result, "kestrum " KESTRUM_VERSION, !m_table.HasNoExtRow(), false);
    return ReplaceFileContents(
        path,
        [&](std::FILE* file) {
            if (m_pCategoryRows)
                return m_pCategoryRows->Write(file, bJson, root, result, head) && bEveryRow;
            COutputBuffer out(file);
            const bool bWritten = bJson ? writer.WriteJson(out, root, result.Counters(), nullptr, &result.Problems(), &head)
                                        : writer.WriteCsv(out);
            return bWritten && bEveryRow;
        },
        std::strerror(ENOMEM), error);
}
