// The rows of the window's extension list: a scan's result read through an ExtTable (or, grouped
// by file type, a CategoryTable), in the order chosen, with the totals, the sums of the selected
// rows and the texts they are copied and saved as. The view that shows it paints and forwards input; it keeps nothing of the data.
#pragma once

#include "CategoryRows.h"
#include "ChosenRows.h"
#include "ExtTable.h"
#include "ScanResult.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct EXTINFO;
class CScanComparisonColumn;
class CExtRowsWriter;
class QItemSelectionModel;
class QMimeData;

// Everything runs on the window's thread.
class CExtTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Grouped by file type, column 0 names the category and ColumnType says how many extensions
    // it holds.
    // While compared with a saved scan, a sixth column shows each row's change (CScanComparisonColumn).
    enum Column { ColumnExt = 0, ColumnCount = 1, ColumnSize = 2, ColumnPercent = 3, ColumnType = 4, ColumnTotal = 5,
                  ColumnChange = 5 };
    // Item data of every cell: the row's const EXTINFO* as a const void* (null on a category row).
    static constexpr int RecordRole = Qt::UserRole;

    // How the rows look, chosen by the view from its palette and font: selected rows are bold,
    // odd rows striped.
    struct RowLook {
        QColor text{0, 0, 0};
        QColor row{255, 255, 255};
        QColor altRow{255, 255, 255};
        QFont normal;
        QFont bold;
    };

    explicit CExtTableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Rows can be dragged out: the drag carries the selected rows as the clipboard does.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList&) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    // The selection the rows are bold by, summed and copied from; it must outlive the model's use
    // of it (the view that owns both sets it once).
    void SetSelectionModel(const QItemSelectionModel* selection) { m_pSelection = selection; }
    void SetRowLook(const RowLook& look);
    const RowLook& Look() const { return m_look; }
    // Once: the five columns.
    void InsertColumns();
    // The "Change" column reads `pComparison` (null: no such column); it must outlive its use.
    // The caller fills the rows again.
    void SetComparison(const CScanComparisonColumn* pComparison);
    bool IsComparing() const { return m_pComparison != nullptr; }

    // Takes the result and shows one row per record in the current order; the result held
    // before is freed. Clears first, so selectionSumsChanged is emitted.
    void Fill(ScanResult result);
    // No rows, no result, no sums; the order stays. Emits selectionSumsChanged.
    void Clear();
    // Whether the files without an extension get their "(none)" row, and which size every row,
    // total and order by size reads. Both rebuild the rows from the result held and zero the
    // selection's sums: the caller selects again and calls UpdateSelectionSums.
    void SetNoExtRow(bool bShow);
    bool HasNoExtRow() const { return m_bNoExtRow; }
    void SetSizeMeasure(SizeMeasure measure);
    // One row per file-type category instead of one per extension; rebuilds as SetNoExtRow does.
    void SetGrouped(bool bGrouped);
    bool IsGrouped() const { return m_bGrouped; }
    SizeMeasure Measure() const { return m_measure; }
    const ScanResult& Result() const { return m_result; }

    // A click on column c's heading: a new column starts ascending for "Ext" and "Type" and
    // descending for the numbers, the same column flips direction. Sorts at once, the selection
    // moving along. "Type" groups the rows by category, largest first within each. Grouped by
    // type, each column keeps its first direction and the "Extensions" column is no sort key.
    void SortByColumn(int column);
    int SortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }

    int RowCount() const { return m_nRows; }
    // The record shown in `row`, or null outside the rows (and on every row grouped by type).
    const EXTINFO* RecordAt(int row) const;
    // The selected rows' records, in the order shown; empty when none is selected.
    std::vector<const EXTINFO*> SelectedRecords() const;
    // The selected rows, of either kind, in the order shown; and `rows` with the row shown at `row`.
    ChosenRows SelectedRows() const;
    ChosenRows RowsAt(int row, ChosenRows rows = {}) const;
    // What identifies the row's extension or category across rebuilds; empty outside the rows.
    std::string RowKey(int row) const;

    std::uint64_t TotalFiles() const { return m_table.TotalFiles(); }
    std::uint64_t TotalBytes() const { return m_table.TotalBytes(); }
    // Recomputes the selection's sums from the selection, then emits selectionSumsChanged.
    void UpdateSelectionSums();
    std::uint64_t SelectedFiles() const { return m_nSelectedFiles; }
    std::uint64_t SelectedBytes() const { return m_nSelectedBytes; }
    // "N files,   B bytes (P%)" for the selected rows, or empty when none holds a file.
    void GetSelectionSummary(std::string& summary) const;
    void GetSelectionSummary(QString& summary) const;

    // The selected rows, or every row when none is selected: tab-separated text with a header
    // line (the clipboard's text) and CSV as kestrum-scan writes it. Empty when there is no row.
    std::string RowsAsTabSeparated() const;
    std::string RowsAsCsv() const;
    // Both, as the clipboard and a drag carry them (text/plain and text/csv). The caller owns it.
    QMimeData* CreateRowsMimeData() const;
    // Writes every row, in the order shown, as CSV or JSON (with the folder, the totals and the
    // completeness counts and the paths named of what could not be counted) to `path`, whole or
    // not at all. False with the reason in `error`.
    bool SaveRows(const std::string& path, bool bJson, const std::string& root, std::string& error) const;

    // The column's heading, and the longest text a cell of Count, Size or of the types' names holds
    // (empty for the others).
    static QString HeadingText(int column);
    QString LongestCellText(int column) const;

signals:
    // After every recomputation of the selection's sums, so a listener reads the new summary.
    void selectionSumsChanged();

private:
    QString CellText(const EXTINFO& record, int column) const;
    // A type row's change while compared and grouped; empty otherwise.
    QString CategoryChangeText(const CategoryRow& row) const;
    // The selected type rows' places (CategoryTable::PlaceOf).
    std::vector<std::size_t> SelectedCategoryPlaces() const;
    // The category row shown at `row`, or null (outside the rows, or not grouped).
    const CategoryRow* CategoryRowAt(int row) const;
    // The table position shown at `row` (the order by type is the model's own).
    std::size_t PositionAt(int row) const;
    // What stays the same of a row while the rows are reordered: its record, or its category.
    const void* RowIdentity(int row) const;
    std::pair<std::uint64_t, std::uint64_t> CountAndBytesAt(int row) const;
    double ShareAt(int row) const;
    bool IsRowSelected(int row) const;
    void Rebuild();
    void Sort();
    void RefreshFonts();
    void ZeroSelectionSums();
    // The display positions of the selected rows, ascending; empty when none is selected.
    std::vector<std::size_t> SelectedPositions() const;
    CExtRowsWriter RowsWriter() const;

    ScanResult m_result;   // what the rows show
    ExtTable m_table;      // reads m_result: order, totals, shares, display names
    CCategoryRows m_categoryRows;   // reads m_result when grouped by type
    const FileTypeCategories* m_pCategories;   // the system's, read when the model is made
    std::vector<std::size_t> m_order;   // sorted by type: table positions in display order
    int m_nRows = 0;
    int m_nColumns = 0;
    int m_nSortColumn = ColumnExt;
    bool m_bSortAscending = true;
    bool m_bNoExtRow = true;
    bool m_bGrouped = false;
    SizeMeasure m_measure = SizeMeasure::Apparent;
    std::uint64_t m_nSelectedFiles = 0;
    std::uint64_t m_nSelectedBytes = 0;
    const QItemSelectionModel* m_pSelection = nullptr;
    const CScanComparisonColumn* m_pComparison = nullptr;
    std::vector<CountChange> m_categoryChanges;   // while compared and grouped: by CategoryTable::PlaceOf
    RowLook m_look;
};
