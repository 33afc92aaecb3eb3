// The extension list: a flat tree view over a small model that reads the rows of an ExtTable.
#include "ExtListCtrl.h"

#include "ExtInfo.h"
#include "Format.h"
#include "Resource.h"
#include "StringTable.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMetaObject>
#include <QPalette>

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <string_view>
#include <utility>
#include <vector>

namespace {

const unsigned kColumnHeadings[CExtListCtrl::ColumnTotal] = {
    IDS_COLUMN_EXT, IDS_COLUMN_COUNT, IDS_COLUMN_SIZE, IDS_COLUMN_PERCENT};

constexpr int kInitialColumnWidth = 10;
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
        return ToQString(FormatNumber(record.nBytes));
    case ColumnPercent:
        return QString::number(m_pList->m_table.ShareOf(record.nBytes));
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
        return ToQString(LoadString(kColumnHeadings[section]));
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

    QHeaderView* columns = header();
    columns->setStretchLastSection(false);
    // FitColumns' quarters must hold however narrow the list is, or a horizontal scroll bar appears.
    columns->setMinimumSectionSize(0);
    columns->setSectionsMovable(false);
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(true);
    connect(columns, &QHeaderView::sectionClicked, this, &CExtListCtrl::OnColumnClick);

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
    for (int column = 0; column < ColumnTotal; ++column)
        header()->resizeSection(column, kInitialColumnWidth);
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

    m_pModel->BeginReset();
    m_result = std::move(result);
    m_table.Assign(m_result);
    m_pModel->EndReset();
    SortRows();

    setUpdatesEnabled(true);
    scrollToTop();
    viewport()->update();
    PostFitColumns();
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
    summary = FormatString(IDS_FMT_SELECTED_FILES, {FormatNumber(m_nSelectedFiles)});
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
    for (int column = 0; column < ColumnPercent; ++column)
        header()->resizeSection(column, quarter);
    header()->resizeSection(ColumnPercent, width - 3 * quarter);
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
            m_nSelectedBytes += record->nBytes;
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
