// The extension list: a flat tree view over a small model that reads the rows of an ExtTable.
#include "ExtListCtrl.h"

#include "ExtInfo.h"
#include "ExtTableWriter.h"
#include "FileReplacement.h"
#include "Format.h"
#include "OutputBuffer.h"
#include "Resource.h"
#include "StringTable.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QPalette>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int kInitialColumnWidth = 10;
// Room beside a cell's text: the view's margins on both sides, and a little air.
constexpr int kCellPadding = 16;
const QString kCsvMimeType = QStringLiteral("text/csv");
constexpr int kAltRowShift = 16;

Qt::Alignment ColumnAlignment(int column)
{
    return (column == CExtListCtrl::ColumnExt ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
}

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A component of 16 or more darkens by 16, a smaller one lightens by 16, so the stripe is visible
// on any background.
int ShiftComponent(int component)
{
    return component >= kAltRowShift ? component - kAltRowShift : component + kAltRowShift;
}

// Runs write(out) into memory and returns what it wrote (open_memstream grows as needed).
std::string WrittenText(const std::function<bool(COutputBuffer&)>& write)
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

} // namespace

// The table's rows in display order; texts are formatted when asked for, so only the rows on
// screen are ever formatted.
class CExtListCtrl::CRowModel : public QAbstractTableModel {
public:
    explicit CRowModel(CExtListCtrl* list) : QAbstractTableModel(list), m_pList(list) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_nRows;
    }

    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_nColumns;
    }

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rows can be dragged out: the drag carries the selected rows as the clipboard does.
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return QAbstractTableModel::flags(index) | (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
    }
    QStringList mimeTypes() const override { return {QStringLiteral("text/plain"), kCsvMimeType}; }
    QMimeData* mimeData(const QModelIndexList&) const override { return m_pList->CreateRowsMimeData(); }
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    void InsertColumns()
    {
        beginInsertColumns(QModelIndex(), 0, ColumnTotal - 1);
        m_nColumns = ColumnTotal;
        endInsertColumns();
    }

    // Around every change of the table's contents: the view forgets its rows, then reads the new ones.
    void BeginReset() { beginResetModel(); }
    void EndReset()
    {
        m_nRows = static_cast<int>(std::min<std::size_t>(m_pList->m_table.RowCount(), INT_MAX));
        endResetModel();
    }

    void Sort();
    void RefreshFonts();

    const EXTINFO* At(int row) const
    {
        return (row >= 0 && row < m_nRows) ? &m_pList->m_table.Row(static_cast<std::size_t>(row)) : nullptr;
    }

private:
    QString CellText(const EXTINFO& record, int column) const;
    bool IsRowSelected(int row) const;

    CExtListCtrl* m_pList;
    int m_nRows = 0;
    int m_nColumns = 0;
};

QString CExtListCtrl::CRowModel::CellText(const EXTINFO& record, int column) const
{
    switch (column) {
    case ColumnExt:
        // A control character would break the row (a newline doubles its height); the record keeps
        // its bytes, only the cell shows escapes, as the command-line tool writes them.
        return ToQString(ExtTable::DisplayName(record));
    case ColumnCount:
        return ToQString(FormatNumber(record.nCount));
    case ColumnSize:
        return ToQString(FormatNumber(m_pList->m_table.Bytes(record)));
    case ColumnPercent:
        return QString::number(m_pList->m_table.ShareOf(m_pList->m_table.Bytes(record)));
    default:
        return QString();
    }
}

// Asked of column 0 so that one answer holds for the whole row.
bool CExtListCtrl::CRowModel::IsRowSelected(int row) const
{
    const QItemSelectionModel* selection = m_pList->selectionModel();
    return selection && selection->isSelected(index(row, 0));
}

QVariant CExtListCtrl::CRowModel::data(const QModelIndex& index, int role) const
{
    const EXTINFO* record = At(index.row());
    if (!index.isValid() || !record)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return CellText(*record, index.column());
    case Qt::TextAlignmentRole:
        return static_cast<int>(ColumnAlignment(index.column()));
    case Qt::FontRole:
        return QVariant::fromValue(IsRowSelected(index.row()) ? m_pList->m_fontBold : m_pList->m_fontNormal);
    case Qt::ForegroundRole:
        return QVariant::fromValue(QBrush(m_pList->m_crText));
    case Qt::BackgroundRole:
        // Striping follows the display position, so it stays regular after every re-sort.
        return QVariant::fromValue(QBrush((index.row() % 2) ? m_pList->m_crAltRow : m_pList->m_crRow));
    case RecordRole:
        return QVariant::fromValue(static_cast<const void*>(record));
    default:
        return QVariant();
    }
}

QVariant CExtListCtrl::CRowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_nColumns)
        return QVariant();
    if (role == Qt::DisplayRole)
        return ToQString(ExtTable::ColumnHeading(static_cast<ExtColumn>(section)));
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(ColumnAlignment(section));
    return QVariant();
}

// Reorders the rows and moves every persistent index (selection, current row) along with its
// record, so the selection stays on the same records.
void CExtListCtrl::CRowModel::Sort()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    const QModelIndexList before = persistentIndexList();
    std::vector<const EXTINFO*> recordOf;
    recordOf.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& old : before)
        recordOf.push_back(At(old.row()));

    m_pList->m_table.Order(static_cast<ExtColumn>(m_pList->m_nSortColumn), m_pList->m_nSortAscending != 0);
    m_nRows = static_cast<int>(std::min<std::size_t>(m_pList->m_table.RowCount(), INT_MAX));

    QModelIndexList after;
    if (!before.isEmpty()) {
        std::unordered_map<const EXTINFO*, int> newRowOf;
        newRowOf.reserve(static_cast<std::size_t>(m_nRows));
        for (int row = 0; row < m_nRows; ++row)
            newRowOf.emplace(At(row), row);
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const auto found = newRowOf.find(recordOf[static_cast<std::size_t>(i)]);
            after.append(found == newRowOf.end() ? QModelIndex() : index(found->second, before[i].column()));
        }
    }
    changePersistentIndexList(before, after);

    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CExtListCtrl::CRowModel::RefreshFonts()
{
    if (m_nRows > 0 && m_nColumns > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, m_nColumns - 1), {Qt::FontRole});
}

CExtListCtrl::CExtListCtrl(QWidget* parent)
    : QTreeView(parent)
{
    m_pModel = new CRowModel(this);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // The view's own sorting would fight the order kept here; header clicks come to OnColumnClick.
    setSortingEnabled(false);
    setModel(m_pModel);
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
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection&, const QItemSelection&) { OnItemChanged(); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex&, const QModelIndex&) { OnItemChanged(); });
}

CExtListCtrl::~CExtListCtrl() = default;

bool CExtListCtrl::InitColumns()
{
    if (m_pModel->columnCount() == 0)
        m_pModel->InsertColumns();
    m_bFitting = true;
    for (int column = 0; column < ColumnTotal; ++column)
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
    ClearList();

    m_result = std::move(result);
    ShowResult();

    setUpdatesEnabled(true);
    scrollToTop();
    viewport()->update();
    PostFitColumns();
}

// The rows of m_result, with or without the "(none)" row, in the current order.
void CExtListCtrl::ShowResult()
{
    m_pModel->BeginReset();
    m_table.Assign(m_result, m_bNoExtRow, m_measure);
    m_pModel->EndReset();
    SortRows();
}

void CExtListCtrl::SetNoExtRow(bool bShow)
{
    if (bShow == m_bNoExtRow)
        return;
    m_bNoExtRow = bShow;
    ShowResultAgain();
}

// The rows built again from the result held, after a choice of what they show changed. The rows
// of the same extensions stay selected (and current), so the selection's totals follow the
// change; a row no longer shown leaves the selection.
void CExtListCtrl::ShowResultAgain()
{
    std::unordered_set<std::string> selected;
    for (const EXTINFO* record : SelectedRecords())
        selected.insert(record->szExt);
    const EXTINFO* current = RecordAt(currentIndex().row());
    const std::string currentExt = current ? std::string(current->szExt) : std::string();
    const bool bCurrent = current != nullptr;

    m_nSelectedBytes = 0;
    m_nSelectedFiles = 0;
    ShowResult();

    QItemSelection again;
    int currentRow = -1;
    const int lastColumn = m_pModel->columnCount() - 1;
    for (int row = 0; row < RowCount(); ++row) {
        const std::string ext = RecordAt(row)->szExt;
        if (selected.count(ext) != 0)
            again.select(m_pModel->index(row, 0), m_pModel->index(row, lastColumn));
        if (bCurrent && ext == currentExt)
            currentRow = row;
    }
    if (currentRow >= 0)
        selectionModel()->setCurrentIndex(m_pModel->index(currentRow, 0), QItemSelectionModel::NoUpdate);
    if (!again.isEmpty())
        selectionModel()->select(again, QItemSelectionModel::Select);
    emit selectionSummaryChanged();
    PostFitColumns();
}

void CExtListCtrl::SetSizeMeasure(SizeMeasure measure)
{
    if (measure == m_measure)
        return;
    m_measure = measure;
    ShowResultAgain();
}

std::vector<std::size_t> CExtListCtrl::SelectedPositions() const
{
    std::vector<std::size_t> positions;
    const QItemSelectionModel* selection = selectionModel();
    if (!selection)
        return positions;
    for (const QModelIndex& row : selection->selectedRows(ColumnExt))
        positions.push_back(static_cast<std::size_t>(row.row()));
    std::sort(positions.begin(), positions.end());
    return positions;
}

const std::vector<std::size_t>* CExtListCtrl::RowsToWrite(std::vector<std::size_t>& selected) const
{
    selected = SelectedPositions();
    return selected.empty() ? nullptr : &selected;
}

std::string CExtListCtrl::RowsAsTabSeparated() const
{
    return WrittenRows(&ExtTableWriter::WriteTabSeparated);
}

std::string CExtListCtrl::RowsAsCsv() const
{
    return WrittenRows(&ExtTableWriter::WriteCsv);
}

std::string CExtListCtrl::WrittenRows(bool (ExtTableWriter::*write)(COutputBuffer&) const) const
{
    if (RowCount() == 0)
        return std::string();
    std::vector<std::size_t> selected;
    const ExtTableWriter writer(m_table, RowsToWrite(selected));
    return WrittenText([&](COutputBuffer& out) { return (writer.*write)(out); });
}

QMimeData* CExtListCtrl::CreateRowsMimeData() const
{
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(RowsAsTabSeparated()));
    data->setData(kCsvMimeType, QByteArray::fromStdString(RowsAsCsv()));
    return data;
}

void CExtListCtrl::CopyRows() const
{
    if (RowCount() == 0)
        return;
    QApplication::clipboard()->setMimeData(CreateRowsMimeData());
}

bool CExtListCtrl::SaveRows(const std::string& path, bool bJson, const std::string& root, std::string& error) const
{
    const ExtTableWriter writer(m_table);
    const bool bEveryRow = m_table.HasEveryRow();
    return ReplaceFileContents(
        path,
        [&](std::FILE* file) {
            COutputBuffer out(file);
            const bool bWritten = bJson ? writer.WriteJson(out, root, m_result.Counters()) : writer.WriteCsv(out);
            return bWritten && bEveryRow;
        },
        std::strerror(ENOMEM), error);
}

void CExtListCtrl::ClearList()
{
    m_nSelectedBytes = 0;
    m_nSelectedFiles = 0;
    // The view lets go of the rows before the records they show are freed.
    m_pModel->BeginReset();
    m_table.Clear();
    m_result = ScanResult();
    m_pModel->EndReset();
    // A model reset drops the selection without a selection signal; the summary must still follow.
    emit selectionSummaryChanged();
}

void CExtListCtrl::GetSelectionSummary(std::string& summary) const
{
    summary.clear();
    if (m_nSelectedFiles == 0)
        return;
    summary = FormatString(m_nSelectedFiles == 1 ? IDS_FMT_SELECTED_FILE_ONE : IDS_FMT_SELECTED_FILES,
                           {FormatNumber(m_nSelectedFiles)});
    summary += FormatString(IDS_FMT_SELECTED_BYTES, {FormatNumber(m_nSelectedBytes)});
    summary += FormatString(IDS_FMT_SELECTED_PERCENT, {std::to_string(m_table.ShareOf(m_nSelectedBytes))});
}

void CExtListCtrl::GetSelectionSummary(QString& summary) const
{
    std::string text;
    GetSelectionSummary(text);
    summary = QString::fromStdString(text);
}

void CExtListCtrl::FitColumns()
{
    if (header()->count() < ColumnTotal)
        return;
    // The viewport excludes a vertical scroll bar, so the columns never need horizontal scrolling.
    const int width = viewport()->width();
    const int quarter = width / 4;
    std::array<int, ColumnTotal> widths = {quarter, quarter, quarter, width - 3 * quarter};
    if (RowCount() > 0) {
        // Count and Size first get what their longest text needs; the room comes from Ext as far
        // as its heading allows, then from %, and beyond that the list scrolls sideways.
        const std::array<int, ColumnTotal> floor = {NeededColumnWidth(ColumnExt), 0, 0,
                                                    NeededColumnWidth(ColumnPercent)};
        for (const int column : {ColumnCount, ColumnSize}) {
            int missing = NeededColumnWidth(column) - widths[column];
            if (missing <= 0 || m_bUserWidth[column])
                continue;
            widths[column] += missing;
            for (const int giver : {ColumnExt, ColumnPercent}) {
                if (m_bUserWidth[giver])
                    continue;
                const int taken = std::clamp(widths[giver] - floor[giver], 0, missing);
                widths[giver] -= taken;
                missing -= taken;
            }
        }
    }
    m_bFitting = true;
    for (int column = 0; column < ColumnTotal; ++column)
        if (!m_bUserWidth[column])
            header()->resizeSection(column, widths[column]);
    m_bFitting = false;
}

int CExtListCtrl::NeededColumnWidth(int column) const
{
    // Selected rows are bold, so the bold font measures; the heading must fit too.
    const QFontMetrics rows(m_fontBold);
    const QFontMetrics heading(header()->font());
    int needed = heading.horizontalAdvance(ToQString(ExtTable::ColumnHeading(static_cast<ExtColumn>(column))));
    if (column == ColumnCount || column == ColumnSize) {
        // A grouped number is never shorter than a smaller one, so the largest value is the
        // longest text.
        std::uint64_t largest = 0;
        for (std::size_t row = 0; row < m_table.RowCount(); ++row) {
            const EXTINFO& record = m_table.Row(row);
            largest = std::max(largest, column == ColumnCount ? record.nCount : m_table.Bytes(record));
        }
        needed = std::max(needed, rows.horizontalAdvance(ToQString(FormatNumber(largest))));
    }
    return needed + kCellPadding;
}

void CExtListCtrl::OnSectionResized(int column)
{
    // The program sizes columns only inside FitColumns and InitColumns; any other change is the
    // user's (a drag of the header's divider).
    if (!m_bFitting && column >= 0 && column < ColumnTotal)
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
        emit largestFilesRequested();
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
    if (column < 0 || column >= m_pModel->columnCount())
        return;
    if (column == m_nSortColumn)
        m_nSortAscending = m_nSortAscending ? 0 : 1;
    else
        m_nSortAscending = ExtTable::StartsAscending(static_cast<ExtColumn>(column)) ? 1 : 0;
    m_nSortColumn = static_cast<std::uint16_t>(column);
    SortRows();
    ShowSortIndicator();
}

void CExtListCtrl::OnItemChanged()
{
    m_nSelectedBytes = 0;
    m_nSelectedFiles = 0;
    const QItemSelectionModel* selection = selectionModel();
    if (selection && selection->hasSelection()) {
        // Ranges of a selection may overlap, so rows are marked first and each is counted once.
        const int rows = RowCount();
        std::vector<unsigned char> selected(static_cast<std::size_t>(rows), 0);
        for (const QItemSelectionRange& range : selection->selection()) {
            if (range.parent().isValid())
                continue;
            const int last = std::min(range.bottom(), rows - 1);
            for (int row = std::max(range.top(), 0); row <= last; ++row)
                selected[static_cast<std::size_t>(row)] = 1;
        }
        for (int row = 0; row < rows; ++row) {
            if (!selected[static_cast<std::size_t>(row)])
                continue;
            const EXTINFO* record = m_pModel->At(row);
            m_nSelectedFiles += record->nCount;
            m_nSelectedBytes += m_table.Bytes(*record);
        }
    }
    emit selectionSummaryChanged();
}

void CExtListCtrl::UpdateRowColors()
{
    const QPalette& colors = palette();
    m_crText = colors.color(QPalette::Text);
    m_crRow = colors.color(QPalette::Base);
    m_crAltRow = QColor(ShiftComponent(m_crRow.red()), ShiftComponent(m_crRow.green()),
                        ShiftComponent(m_crRow.blue()));
}

void CExtListCtrl::CreateRowFonts()
{
    m_fontNormal = font();
    m_fontNormal.setWeight(QFont::Normal);
    m_fontBold = font();
    m_fontBold.setWeight(QFont::Bold);
    m_pModel->RefreshFonts();
}

int CExtListCtrl::RowCount() const
{
    return m_pModel->rowCount();
}

const EXTINFO* CExtListCtrl::RecordAt(int row) const
{
    return m_pModel->At(row);
}

std::vector<const EXTINFO*> CExtListCtrl::SelectedRecords() const
{
    std::vector<const EXTINFO*> records;
    for (const std::size_t position : SelectedPositions())
        if (const EXTINFO* record = m_pModel->At(static_cast<int>(position)))
            records.push_back(record);
    return records;
}

void CExtListCtrl::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    OnSize();
}

void CExtListCtrl::changeEvent(QEvent* event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        OnSetFont();
}

// Also reached when only the viewport changes size (a scroll bar comes or goes).
void CExtListCtrl::OnSize()
{
    PostFitColumns();
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

void CExtListCtrl::SortRows()
{
    m_pModel->Sort();
}

void CExtListCtrl::ShowSortIndicator()
{
    header()->setSortIndicator(m_nSortColumn, m_nSortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}
