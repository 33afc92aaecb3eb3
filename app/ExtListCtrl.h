// The report-style list of a scan's extension records: one row per extension, sortable by any
// column, striped, bold where selected, with running totals of the selected rows.
#pragma once

#include "ExtTableModel.h"

#include <QTreeView>

#include <array>
#include <functional>
#include <vector>

struct EXTINFO;
class CCommandTarget;

// The view of a CExtTableModel, which it owns: it paints the rows, sizes the columns, chooses the
// rows' colours and fonts, and forwards header clicks, selection changes and keys to the model
// or the window. Everything runs on the window's thread.
class CExtListCtrl : public QTreeView {
    Q_OBJECT

public:
    explicit CExtListCtrl(QWidget* parent = nullptr);
    ~CExtListCtrl() override;

    // The rows, their order, totals, selection sums and texts.
    CExtTableModel& Table() { return *m_pModel; }
    const CExtTableModel& Table() const { return *m_pModel; }

    // Once, after construction: the five columns, the "%" column's share bars, row colours and fonts, then a posted FitColumns.
    bool InitColumns();
    // Takes the result and shows one row per record, sorted by the current sort order, from the top.
    void FillList(ScanResult result);
    // Removes every row and frees the result; the sort order stays.
    void ClearList();
    // Whether the "(none)" row is shown, and which size the rows show: the rows are built again
    // from the result held, the rows of the same extensions still selected (and current).
    void SetNoExtRow(bool bShow);
    void SetSizeMeasure(SizeMeasure measure);
    // One row per file-type category, or one per extension; the rows of the same categories (or
    // extensions) stay selected, so switching there and back keeps the selection of each.
    void SetGrouped(bool bGrouped);
    // Ctrl+C and the list's "Copy": the selected rows, or all, to the clipboard.
    void CopyRows() const;
    // The list's menu (right button, Shift+F10, the Menu key) offers the target's Copy, "Save list
    // as..." and "Largest files...", enabled as the target says. The target outlives the list.
    void SetCommandTarget(CCommandTarget* pTarget);

    // Type gets what its longest name needs, up to a third of the viewport width; of the rest,
    // columns 0-2 get a quarter each, column 3 the rest; after a scan, Count and Size are widened to their longest text, taking room from Ext first, then from %. A column
    // whose width the user set keeps it as long as the list lives.
    void FitColumns();
    bool IsColumnWidthSetByUser(int column) const { return m_bUserWidth[static_cast<std::size_t>(column)]; }
    // A header click on column c: the model sorts, the header shows the new order.
    void OnColumnClick(int column);
    // Row colours from the palette: Text, Base, and Base moved 16 per component for odd rows.
    void UpdateRowColors();
    // Normal (400) and bold (700) copies of the list's current font.
    void CreateRowFonts();

    QColor TextColor() const { return m_pModel->Look().text; }
    QColor RowColor() const { return m_pModel->Look().row; }
    QColor AltRowColor() const { return m_pModel->Look().altRow; }
    const QFont& NormalFont() const { return m_pModel->Look().normal; }
    const QFont& BoldFont() const { return m_pModel->Look().bold; }

signals:
    // After every recomputation of the selection totals, so a listener reads the new summary.
    void selectionSummaryChanged();
    // Enter with rows selected, or a double-click: these rows' largest files are asked for.
    void largestFilesRequested(const ChosenRows& rows);

protected:
    // Ctrl+C copies; the menu key and Shift+F10 ask for the list's menu; Enter on selected rows
    // asks for their largest files.
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnSetFont();
    void OnContextMenu(const QPoint& position);
    void OnDoubleClick(const QModelIndex& index);
    void PostFitColumns();
    void ShowSortIndicator();
    // Runs rebuild, then selects the rows of the extensions selected before (and makes current
    // the one that was).
    void RebuildKeepingSelection(const std::function<void()>& rebuild);
    // The width Count or Size needs for its longest text and its heading.
    // The width a column's heading alone needs.
    int HeadingWidth(int column) const;
    int NeededColumnWidth(int column) const;
    void OnSectionResized(int column);

    CExtTableModel* m_pModel = nullptr;   // owned through Qt's parent chain
    CCommandTarget* m_pCommandTarget = nullptr;
    bool m_bFitPosted = false;            // a FitColumns is queued and not yet run
    bool m_bFitting = false;              // FitColumns is resizing: not the user
    std::array<bool, CExtTableModel::ColumnTotal> m_bUserWidth{};   // widths set by hand, kept from then on
};
