// kestrum-scan --by category: the table of the categories as text, CSV or JSON.
#pragma once

#include "CategoryTable.h"
#include "HumanSize.h"

#include <cstddef>
#include <string>

class COutputBuffer;

class CCategoryReport {
public:
    // table must outlive the report; rows: only the first rows of its order (0: every row).
    CCategoryReport(const CategoryTable& table, SizeStyle sizes, std::size_t rows);

    // The Type, Count, Size, %, Extensions table, names from the string table, numbers grouped
    // (sizes as the size style shows them), aligned as the extension table.
    void WriteText(COutputBuffer& out) const;

private:
    std::string CellSize(std::uint64_t bytes) const;
    std::size_t RowCount() const;

    const CategoryTable& m_table;
    SizeStyle m_sizes;
    std::size_t m_nRows;
};
