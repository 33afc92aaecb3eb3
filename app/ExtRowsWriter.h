// The list's rows as they are copied and saved: the rows of extensions through ExtTableWriter
// (with each extension's category, as kestrum-scan writes them), or the rows by file type.
#pragma once

#include <QStringList>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CCategoryRows;
class COutputBuffer;
class ExtTable;
class ExtTableWriter;
class FileTypeCategories;
class QMimeData;
class ScanResult;

class CExtRowsWriter {
public:
    // pCategoryRows: the rows by type when the list is grouped, else null. order: the table
    // positions in display order, or empty when that is the table's own order. All must outlive
    // the writer.
    CExtRowsWriter(const ExtTable& table, const CCategoryRows* pCategoryRows, const std::vector<std::size_t>& order,
                   const FileTypeCategories& categories);

    // The rows at the display positions `selected` (ascending), or every row when it is empty.
    std::string TabSeparated(const std::vector<std::size_t>& selected) const;
    std::string Csv(const std::vector<std::size_t>& selected) const;
    // Every row, in the order shown, as CSV or JSON with the result's folder counts and problems,
    // to `path`, whole or not at all. False with the reason in `error`. bWalkedOnly: leave out the
    // rows of count 0, which stand for extensions only a compared scan met.
    bool Save(const std::string& path, bool bJson, const std::string& root, const ScanResult& result,
              std::string& error, bool bWalkedOnly = false) const;

    // The clipboard's and a drag's forms: text/plain (the tab-separated text) and text/csv.
    static QStringList MimeTypes();
    // Both texts as they carry them; the caller owns it.
    static QMimeData* MimeData(const std::string& tabSeparated, const std::string& csv);
    // What write(out) puts, in memory.
    static std::string WrittenText(const std::function<bool(COutputBuffer&)>& write);

private:
    std::string WrittenRows(const std::vector<std::size_t>& selected,
                            bool (ExtTableWriter::*write)(COutputBuffer&) const) const;

    const ExtTable& m_table;
    const CCategoryRows* m_pCategoryRows;
    const std::vector<std::size_t>& m_order;
    const FileTypeCategories& m_categories;
};
