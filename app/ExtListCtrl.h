// The report-style list of a scan's extension records: one row per extension, sortable by any
// column, striped, bold where selected, with running totals of the selected rows.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QTreeView>

#include <cstdint>
#include <string>

struct EXTINFO;
class QItemSelection;

// The rows only point at the records they show (nothing is copied): the owner must call ClearList
// before it frees or replaces the records. Everything runs on the window's thread.
class CExtListCtrl : public QTreeView {
    Q_OBJECT

public:
    enum Column { ColumnExt = 0, ColumnCount = 1, ColumnSize = 2, ColumnPercent = 3, ColumnTotal = 4 };
    // Item data of every cell: the row's EXTINFO* as a void*.
    static constexpr int RecordRole = Qt::UserRole;

    explicit CExtListCtrl(QWidget* parent = nullptr);
    ~CExtListCtrl() override;

    // Once, after construction: the four columns, row colours and fonts, then a posted FitColumns.
    bool InitColumns();
    // Replaces all rows by one row per record of the list starting at head (null: empty list),
    // sorted by the current sort order. The records must outlive the rows.
    void FillList(EXTINFO* head);
    // Zeroes the four totals and removes every row, then emits selectionSummaryChanged; the sort
    // order stays.
    void ClearList();
    // "N files,   B bytes (P%)" for the selected rows, or empty when none holds a file.
    void GetSelectionSummary(std::string& summary) const;
    void GetSelectionSummary(QString& summary) const;

    // Columns 0-2 get a quarter of the viewport width, column 3 the rest.
    void FitColumns();
    // A header click on column c: a new column starts ascending for "Ext" and descending for the
    // numbers, the same column flips direction. Sorts at once.
    void OnColumnClick(int column);
    // Negative, 0 or positive as record a goes before, with or after b in the current order.
    int CompareRows(const EXTINFO* a, const EXTINFO* b) const;
    // Recomputes the selection totals from every row, then emits selectionSummaryChanged.
    void OnItemChanged();
    // Row colours from the palette: Text, Base, and Base moved 16 per component for odd rows.
    void UpdateRowColors();
    // Normal (400) and bold (700) copies of the list's current font.
    void CreateRowFonts();

    int RowCount() const;
    EXTINFO* RecordAt(int row) const;
    int SortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_nSortAscending != 0; }
    std::uint64_t TotalFiles() const { return m_nTotalFiles; }
    std::uint64_t SelectedFiles() const { return m_nSelectedFiles; }
    std::uint64_t TotalBytes() const { return m_nTotalBytes; }
    std::uint64_t SelectedBytes() const { return m_nSelectedBytes; }
    QColor TextColor() const { return m_crText; }
    QColor RowColor() const { return m_crRow; }
    QColor AltRowColor() const { return m_crAltRow; }
    const QFont& NormalFont() const { return m_fontNormal; }
    const QFont& BoldFont() const { return m_fontBold; }

signals:
    // After every recomputation of the selection totals, so a listener reads the new summary.
    void selectionSummaryChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class CRowModel;

    void OnSize();
    void OnSetFont();
    void PostFitColumns();
    void SortRows();
    void ShowSortIndicator();

    std::uint16_t m_nSortColumn = ColumnExt;
    std::uint16_t m_nSortAscending = 1;
    std::uint64_t m_nTotalFiles = 0;
    std::uint64_t m_nSelectedFiles = 0;
    std::uint64_t m_nTotalBytes = 0;
    std::uint64_t m_nSelectedBytes = 0;
    QColor m_crText{0, 0, 0};
    QColor m_crRow{255, 255, 255};
    QColor m_crAltRow{255, 255, 255};
    QFont m_fontNormal;
    QFont m_fontBold;

    CRowModel* m_pModel = nullptr;   // owned through Qt's parent chain
    bool m_bFitPosted = false;       // a FitColumns is queued and not yet run
};
