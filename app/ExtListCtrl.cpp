// The extension list: a flat tree view over the model of an ExtTable's rows.
#include "ExtListCtrl.h"

#include "CommandTarget.h"
#include "ExtInfo.h"
#include "Resource.h"
#include "ResourceString.h"
#include "ShareBarDelegate.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaObject>
#include <QPalette>

#include <algorithm>
#include <string>
#include <unordered_set>

namespace {

constexpr int kInitialColumnWidth = 10;
// Room beside a cell's text: the view's margins on both sides, and a little air.
constexpr int kCellPadding = 16;
constexpr int kAltRowShift = 16;
constexpr int kColumns = CExtTableModel::ColumnTotal;

// A component of 16 or more darkens by 16, a smaller one lightens by 16, so the stripe is visible
// on any background.
int ShiftComponent(int component)
{
    return component >= kAltRowShift ? component - kAltRowShift : component + kAltRowShift;
}

} // namespace

CExtListCtrl::CExtListCtrl(QWidget* parent)
    : QTreeView(parent)
{
    m_pModel = new CExtTableModel(this);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // The view's own sorting would fight the model's order; header clicks come to OnColumnClick.
    setSortingEnabled(false);
    setModel(m_pModel);
    m_pModel->SetSelectionModel(selectionModel());
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);

    QHeaderView* columns = header();
    columns->setStretchLastSection(false);
    // FitColumns' quarters must hold however narrow the list is, or a horizontal scroll bar appears.
    columns->setMinimumSectionSize(0);
    columns->setSectionsMovable(false);
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(true);
    connect(columns, &QHeaderView::sectionClicked, this, &CExtListCtrl::OnColumnClick);
    connect(columns, &QHeaderView::sectionResized, this,
            [this](int column, int, int) { OnSectionResized(column); });

    // A select-all is one selectionChanged, so the totals are summed once, not once per row.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, m_pModel,
            [this](const QItemSelection&, const QItemSelection&) { m_pModel->UpdateSelectionSums(); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, m_pModel,
            [this](const QModelIndex&, const QModelIndex&) { m_pModel->UpdateSelectionSums(); });
    connect(m_pModel, &CExtTableModel::selectionSumsChanged, this, &CExtListCtrl::selectionSummaryChanged);
}

CExtListCtrl::~CExtListCtrl() = default;

bool CExtListCtrl::InitColumns()
{
    m_pModel->InsertColumns();
    setItemDelegateForColumn(CExtTableModel::ColumnPercent, new CShareBarDelegate(this));
    m_bFitting = true;
    for (int column = 0; column < kColumns; ++column)
        header()->resizeSection(column, kInitialColumnWidth);
    m_bFitting = false;
    UpdateRowColors();
    CreateRowFonts();
    ShowSortIndicator();
    PostFitColumns();
    return true;
}

void CExtListCtrl::FillList(ScanResult result)
{
    setUpdatesEnabled(false);
    m_pModel->Fill(std::move(result));
    setUpdatesEnabled(true);
    scrollToTop();
    viewport()->update();
    PostFitColumns();
}

void CExtListCtrl::ClearList()
{
    m_pModel->Clear();
}

void CExtListCtrl::SetNoExtRow(bool bShow)
{
    if (bShow != m_pModel->HasNoExtRow())
        RebuildKeepingSelection([this, bShow] { m_pModel->SetNoExtRow(bShow); });
}

void CExtListCtrl::SetSizeMeasure(SizeMeasure measure)
{
    if (measure != m_pModel->Measure())
        RebuildKeepingSelection([this, measure] { m_pModel->SetSizeMeasure(measure); });
}

void CExtListCtrl::SetGrouped(bool bGrouped)
{
    if (bGrouped == m_pModel->IsGrouped())
        return;
    RebuildKeepingSelection([this, bGrouped] { m_pModel->SetGrouped(bGrouped); });
    ShowSortIndicator();
}

// The rows are built again after a choice of what they show changed. The rows of the same
// extensions stay selected (and current), so the selection's totals follow the change; a row no
// longer shown leaves the selection.
void CExtListCtrl::RebuildKeepingSelection(const std::function<void()>& rebuild)
{
    std::unordered_set<std::string> selected;
    for (const QModelIndex& row : selectionModel()->selectedRows())
        selected.insert(m_pModel->RowKey(row.row()));
    const std::string currentKey = m_pModel->RowKey(currentIndex().row());

    rebuild();

    QItemSelection again;
    int currentRow = -1;
    const int lastColumn = m_pModel->columnCount() - 1;
    for (int row = 0; row < m_pModel->RowCount(); ++row) {
        const std::string key = m_pModel->RowKey(row);
        if (selected.count(key) != 0)
            again.select(m_pModel->index(row, 0), m_pModel->index(row, lastColumn));
        if (!currentKey.empty() && key == currentKey)
            currentRow = row;
    }
    if (currentRow >= 0)
        selectionModel()->setCurrentIndex(m_pModel->index(currentRow, 0), QItemSelectionModel::NoUpdate);
    if (!again.isEmpty())
        selectionModel()->select(again, QItemSelectionModel::Select);
    m_pModel->UpdateSelectionSums();
    PostFitColumns();
}

void CExtListCtrl::CopyRows() const
{
    if (m_pModel->RowCount() == 0)
        return;
    QApplication::clipboard()->setMimeData(m_pModel->CreateRowsMimeData());
}

void CExtListCtrl::SetCommandTarget(CCommandTarget* pTarget)
{
    m_pCommandTarget = pTarget;
    // Qt turns the right button, Shift+F10 and the Menu key alike into a context-menu request.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &CExtListCtrl::OnContextMenu,
            Qt::UniqueConnection);
    connect(this, &QAbstractItemView::doubleClicked, this, &CExtListCtrl::OnDoubleClick, Qt::UniqueConnection);
}

// The list's own menu, at the pointer or, from the keyboard, at the current row.
void CExtListCtrl::OnContextMenu(const QPoint& position)
{
    if (!m_pCommandTarget)
        return;
    struct Item {
        unsigned nIDText;
        unsigned nIDCommand;
    };
    constexpr Item kItems[] = {{IDS_MENU_COPY, ID_EDIT_COPY},
                               {IDS_MENU_SAVE_LIST, ID_OPTIONS_SAVELIST},
                               {IDS_MENU_LARGEST, ID_OPTIONS_LARGEST}};
    QMenu menu(this);
    for (const Item& item : kItems) {
        QAction* pAction = menu.addAction(LoadQString(item.nIDText));
        pAction->setData(item.nIDCommand);
        pAction->setEnabled(m_pCommandTarget->IsCommandEnabled(item.nIDCommand));
        if (item.nIDCommand == ID_EDIT_COPY)
            pAction->setShortcut(QKeySequence::Copy);
    }
    if (const QAction* pChosen = menu.exec(viewport()->mapToGlobal(position)))
        m_pCommandTarget->ExecuteCommand(pChosen->data().toUInt());
}

// A double-click on a row that is not among the selected ones (Ctrl held) asks for that row alone.
void CExtListCtrl::OnDoubleClick(const QModelIndex& index)
{
    if (!index.isValid() || m_pModel->RowKey(index.row()).empty())
        return;
    const bool bSelected = selectionModel()->isSelected(m_pModel->index(index.row(), 0));
    emit largestFilesRequested(bSelected ? m_pModel->SelectedRows() : m_pModel->RowsAt(index.row()));
}

void CExtListCtrl::FitColumns()
{
    if (header()->count() < kColumns)
        return;
    // The viewport excludes a vertical scroll bar, so the columns never need horizontal scrolling.
    // Type takes what its longest name needs (at most a third), the others share the rest.
    const int typeWidth = m_bUserWidth[CExtTableModel::ColumnType]
        ? header()->sectionSize(CExtTableModel::ColumnType)
        : std::min(NeededColumnWidth(CExtTableModel::ColumnType), viewport()->width() / 3);
    // While compared, Change takes what its longest text needs (at most a quarter) first too.
    const bool bChange = m_pModel->columnCount() > CExtTableModel::ColumnChange;
    const int changeWidth = bChange ? std::min(std::max(HeadingWidth(CExtTableModel::ColumnChange),
                                                        NeededColumnWidth(CExtTableModel::ColumnChange)),
                                               viewport()->width() / 4)
                                    : 0;
    const int width = std::max(viewport()->width() - typeWidth - changeWidth, 0);
    const int quarter = width / 4;
    std::array<int, kColumns> widths = {quarter, quarter, quarter, width - 3 * quarter, typeWidth};
    if (m_pModel->RowCount() > 0) {
        // Ext first gets room for its heading, then Count and Size what their longest text needs;
        // the room comes from Type down to its heading (its names are then elided), from Ext as
        // far as its heading allows, then from %, and beyond that the list scrolls sideways.
        const std::array<int, kColumns> floor = {NeededColumnWidth(CExtTableModel::ColumnExt), 0, 0,
                                                 NeededColumnWidth(CExtTableModel::ColumnPercent),
                                                 HeadingWidth(CExtTableModel::ColumnType)};
        for (const int column : {CExtTableModel::ColumnExt, CExtTableModel::ColumnCount, CExtTableModel::ColumnSize}) {
            const int wanted = column == CExtTableModel::ColumnExt ? HeadingWidth(column) : NeededColumnWidth(column);
            int missing = wanted - widths[column];
            if (missing <= 0 || m_bUserWidth[column])
                continue;
            widths[column] += missing;
            for (const int giver : {CExtTableModel::ColumnType, CExtTableModel::ColumnExt, CExtTableModel::ColumnPercent}) {
                if (m_bUserWidth[giver] || giver == column)
                    continue;
                const int taken = std::clamp(widths[giver] - floor[giver], 0, missing);
                widths[giver] -= taken;
                missing -= taken;
            }
        }
    }
    m_bFitting = true;
    for (int column = 0; column < kColumns; ++column)
        if (!m_bUserWidth[column])
            header()->resizeSection(column, widths[column]);
    if (bChange)
        header()->resizeSection(CExtTableModel::ColumnChange, changeWidth);
    m_bFitting = false;
}

// What a heading needs: its text, the cell's padding and the room of the sort mark that the
// header draws beside it.
int CExtListCtrl::HeadingWidth(int column) const
{
    const QFontMetrics heading(header()->font());
    const int mark = style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header()) +
                     style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header());
    return heading.horizontalAdvance(m_pModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()) +
           kCellPadding + mark;
}

int CExtListCtrl::NeededColumnWidth(int column) const
{
    // Selected rows are bold, so the bold font measures; the heading must fit too.
    const QFontMetrics rows(BoldFont());
    const QFontMetrics heading(header()->font());
    const int needed = std::max(heading.horizontalAdvance(m_pModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()),
                                rows.horizontalAdvance(m_pModel->LongestCellText(column)));
    return needed + kCellPadding;
}

void CExtListCtrl::OnSectionResized(int column)
{
    // The program sizes columns only inside FitColumns and InitColumns; any other change is the
    // user's (a drag of the header's divider).
    if (!m_bFitting && column >= 0 && column < kColumns)
        m_bUserWidth[static_cast<std::size_t>(column)] = true;
}

void CExtListCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        CopyRows();
        event->accept();
        return;
    }
    // Taken here, so that the dialog does not take it for "Scan now".
    const bool bEnter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && event->modifiers() == Qt::NoModifier;
    if (bEnter && selectionModel() && selectionModel()->hasSelection()) {
        event->accept();
        emit largestFilesRequested(m_pModel->SelectedRows());
        return;
    }
    // The menu key and Shift+F10 open the list's menu at the current row (or the list's top).
    const bool bMenuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
    const bool bShiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if ((bMenuKey || bShiftF10) && contextMenuPolicy() == Qt::CustomContextMenu) {
        const QModelIndex current = currentIndex();
        const QPoint position = current.isValid() ? visualRect(current).center() : QPoint(0, 0);
        event->accept();
        emit customContextMenuRequested(position);
        return;
    }
    QTreeView::keyPressEvent(event);
}

bool CExtListCtrl::event(QEvent* event)
{
    // The X11 platform follows the menu key with a context-menu request of its own; the key press
    // has opened the menu already.
    if (event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        event->accept();
        return true;
    }
    return QTreeView::event(event);
}

void CExtListCtrl::OnColumnClick(int column)
{
    m_pModel->SortByColumn(column);
    ShowSortIndicator();
}

void CExtListCtrl::UpdateRowColors()
{
    CExtTableModel::RowLook look = m_pModel->Look();
    const QPalette& colors = palette();
    look.text = colors.color(QPalette::Text);
    look.row = colors.color(QPalette::Base);
    look.altRow = QColor(ShiftComponent(look.row.red()), ShiftComponent(look.row.green()),
                         ShiftComponent(look.row.blue()));
    m_pModel->SetRowLook(look);
}

void CExtListCtrl::CreateRowFonts()
{
    CExtTableModel::RowLook look = m_pModel->Look();
    look.normal = font();
    look.normal.setWeight(QFont::Normal);
    look.bold = font();
    look.bold.setWeight(QFont::Bold);
    m_pModel->SetRowLook(look);
}

void CExtListCtrl::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    // Also reached when only the viewport changes size (a scroll bar comes or goes).
    PostFitColumns();
}

void CExtListCtrl::changeEvent(QEvent* event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        OnSetFont();
}

void CExtListCtrl::OnSetFont()
{
    CreateRowFonts();
    viewport()->update();
}

// Runs FitColumns once the event loop is next served; posts that arrive before it runs share it,
// as it reads the width only when it runs.
void CExtListCtrl::PostFitColumns()
{
    if (m_bFitPosted)
        return;
    m_bFitPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bFitPosted = false;
            FitColumns();
        },
        Qt::QueuedConnection);
}

void CExtListCtrl::ShowSortIndicator()
{
    header()->setSortIndicator(m_pModel->SortColumn(),
                               m_pModel->IsSortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}
