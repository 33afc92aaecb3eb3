// The report-style list of a scan's extension records: one row per extension, sortable by any
// column, striped, bold where selected, with running totals of the selected rows.
#pragma once

#include "ExtTable.h"
#include "ScanResult.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTreeView>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct EXTINFO;
class QItemSelection;
class ExtTableWriter;
class COutputBuffer;
class QMimeData;

// The list keeps the scan's result it shows, and its rows read the records through an ExtTable,
// which knows their order, totals and shares. Everything runs on the window's thread.
class CExtListCtrl : public QTreeView {
    Q_OBJECT

public:
    enum Column { ColumnExt = 0, ColumnCount = 1, ColumnSize = 2, ColumnPercent = 3, ColumnTotal = 4 };
    // Item data of every cell: the row's const EXTINFO* as a const void*.
    static constexpr int RecordRole = Qt::UserRole;

    explicit CExtListCtrl(QWidget* parent = nullptr);
    ~CExtListCtrl() override;

    // Once, after construction: the four columns, row colours and fonts, then a posted FitColumns.
    bool InitColumns();
    // Takes the result and shows one row per record, sorted by the current sort order; the
    // result it held before is freed.
    void FillList(ScanResult result);
    // Whether the files without an extension get their "(none)" row; the rows shown are built
    // again from the result held (the selection stays on the rows still shown).
    void SetNoExtRow(bool bShow);
    bool HasNoExtRow() const { return m_bNoExtRow; }
    // Which size the Size and % columns, the order by size and the selection's bytes show; the
    // rows are built again from the result held, the same rows selected.
    void SetSizeMeasure(SizeMeasure measure);
    const ScanResult& Result() const { return m_result; }

    // The selected rows, or every row when none is selected: tab-separated text with a header
    // line (the clipboard's text) and CSV as kestrum-scan writes it. Empty when there is no row.
    std::string RowsAsTabSeparated() const;
    std::string RowsAsCsv() const;
    // Both, as the clipboard and a drag carry them (text/plain and text/csv).
    QMimeData* CreateRowsMimeData() const;
    // Ctrl+C and the list's "Copy".
    void CopyRows() const;
    // Writes every row, in the order shown, as CSV or JSON (with the folder, the totals and the
    // completeness counts) to `path`, whole or not at all. False with the reason in `error`.
    bool SaveRows(const std::string& path, bool bJson, const std::string& root, std::string& error) const;
    // Zeroes the four totals, removes every row and frees the result, then emits
    // selectionSummaryChanged; the sort order stays.
    void ClearList();
    // "N files,   B bytes (P%)" for the selected rows, or empty when none holds a file.
    void GetSelectionSummary(std::string& summary) const;
    void GetSelectionSummary(QString& summary) const;

    // Columns 0-2 get a quarter of the viewport width, column 3 the rest; after a scan, Count and
    // Size are widened to their longest text, taking room from Ext first, then from %. A column
    // whose width the user set keeps it as long as the list lives.
    void FitColumns();
    bool IsColumnWidthSetByUser(int column) const { return m_bUserWidth[static_cast<std::size_t>(column)]; }
    // A header click on column c: a new column starts ascending for "Ext" and descending for the
    // numbers, the same column flips direction. Sorts at once.
    void OnColumnClick(int column);
    // Recomputes the selection totals from every row, then emits selectionSummaryChanged.
    void OnItemChanged();
    // Row colours from the palette: Text, Base, and Base moved 16 per component for odd rows.
    void UpdateRowColors();
    // Normal (400) and bold (700) copies of the list's current font.
    void CreateRowFonts();

    int RowCount() const;
    const EXTINFO* RecordAt(int row) const;
    // The selected rows' records, in the order shown; empty when none is selected.
    std::vector<const EXTINFO*> SelectedRecords() const;
    int SortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_nSortAscending != 0; }
    std::uint64_t TotalFiles() const { return m_table.TotalFiles(); }
    std::uint64_t SelectedFiles() const { return m_nSelectedFiles; }
    std::uint64_t TotalBytes() const { return m_table.TotalBytes(); }
    std::uint64_t SelectedBytes() const { return m_nSelectedBytes; }
    QColor TextColor() const { return m_crText; }
    QColor RowColor() const { return m_crRow; }
    QColor AltRowColor() const { return m_crAltRow; }
    const QFont& NormalFont() const { return m_fontNormal; }
    const QFont& BoldFont() const { return m_fontBold; }

signals:
    // After every recomputation of the selection totals, so a listener reads the new summary.
    void selectionSummaryChanged();
    // Enter with rows selected: their largest files are asked for.
    void largestFilesRequested();

protected:
    // Ctrl+C copies; the menu key and Shift+F10 ask for the list's menu; Enter on selected rows
    // asks for their largest files.
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class CRowModel;

    void OnSize();
    void OnSetFont();
    void PostFitColumns();
    void SortRows();
    void ShowResult();
    void ShowResultAgain();
    void ShowSortIndicator();
    // The display positions of the selected rows, ascending; empty when none is selected.
    std::vector<std::size_t> SelectedPositions() const;
    // Positions to write: the selected rows, or null (every row) when none is selected.
    const std::vector<std::size_t>* RowsToWrite(std::vector<std::size_t>& selected) const;
    // The rows to copy (see RowsToWrite) as one of the writer's forms.
    std::string WrittenRows(bool (ExtTableWriter::*write)(COutputBuffer&) const) const;
    // The width Count or Size needs for its longest text and its heading.
    int NeededColumnWidth(int column) const;
    void OnSectionResized(int column);

    std::uint16_t m_nSortColumn = ColumnExt;
    std::uint16_t m_nSortAscending = 1;
    std::uint64_t m_nSelectedFiles = 0;
    std::uint64_t m_nSelectedBytes = 0;
    QColor m_crText{0, 0, 0};
    QColor m_crRow{255, 255, 255};
    QColor m_crAltRow{255, 255, 255};
    QFont m_fontNormal;
    QFont m_fontBold;

    ScanResult m_result;             // what the rows show
    ExtTable m_table;                // reads m_result: order, totals, shares, display names
    CRowModel* m_pModel = nullptr;   // owned through Qt's parent chain
    bool m_bFitPosted = false;       // a FitColumns is queued and not yet run
    bool m_bNoExtRow = true;         // the "(none)" row is shown
    SizeMeasure m_measure = SizeMeasure::Apparent;
    bool m_bFitting = false;         // FitColumns is resizing: not the user
    std::array<bool, ColumnTotal> m_bUserWidth{};   // widths set by hand, kept from then on
};
