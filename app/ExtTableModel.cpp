// The extension list's rows: an ExtTable over the scan's result, formatted only when asked for,
// so only the rows on screen are ever formatted.
#include "ExtTableModel.h"

#include "ExtInfo.h"
#include "ExtRowsWriter.h"
#include "FileTypeCategories.h"
#include "Format.h"
#include "Resource.h"
#include "ResourceString.h"
#include "ScanComparisonColumn.h"
#include "ShareBarDelegate.h"
#include "StringTable.h"

#include <QBrush>
#include <QItemSelectionModel>

#include <algorithm>
#include <climits>
#include <string_view>
#include <unordered_map>

namespace {

Qt::Alignment ColumnAlignment(int column, bool bGrouped)
{
    const bool bName = column == CExtTableModel::ColumnExt || (column == CExtTableModel::ColumnType && !bGrouped);
    return (bName ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
}

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int ClampedRows(std::size_t rows)
{
    return static_cast<int>(std::min<std::size_t>(rows, INT_MAX));
}

} // namespace

// The MIME database is read here, on the window's thread before any scan: no walk waits for it.
CExtTableModel::CExtTableModel(QObject* parent)
    : QAbstractTableModel(parent)
    , m_pCategories(&FileTypeCategories::System())
{
}

int CExtTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int CExtTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nColumns;
}

Qt::ItemFlags CExtTableModel::flags(const QModelIndex& index) const
{
    return QAbstractTableModel::flags(index) | (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

QStringList CExtTableModel::mimeTypes() const
{
    return CExtRowsWriter::MimeTypes();
}

QMimeData* CExtTableModel::mimeData(const QModelIndexList&) const
{
    return CreateRowsMimeData();
}

QString CExtTableModel::CellText(const EXTINFO& record, int column) const
{
    switch (column) {
    case ColumnExt:
        // A control character would break the row (a newline doubles its height); the record keeps
        // its bytes, only the cell shows escapes, as the command-line tool writes them.
        return ToQString(ExtTable::DisplayName(record));
    case ColumnCount:
        return ToQString(FormatNumber(record.nCount));
    case ColumnSize:
        return ToQString(FormatNumber(m_table.Bytes(record)));
    case ColumnPercent:
        return QString::number(m_table.ShareOf(m_table.Bytes(record)));
    case ColumnType: // the "(none)" row's files have no type
        return ExtTable::IsNoExtRow(record) ? QString() : ToQString(FileTypeCategories::DisplayName(m_pCategories->CategoryOf(record.szExt)));
    case ColumnChange:
        return m_pComparison ? m_pComparison->CellText(record, m_measure) : QString();
    default:
        return QString();
    }
}

// Asked of column 0 so that one answer holds for the whole row.
bool CExtTableModel::IsRowSelected(int row) const
{
    return m_pSelection && m_pSelection->isSelected(index(row, 0));
}

QVariant CExtTableModel::data(const QModelIndex& index, int role) const
{
    const EXTINFO* record = RecordAt(index.row());
    const CategoryRow* category = CategoryRowAt(index.row());
    if (!index.isValid() || (!record && !category))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        if (!record && index.column() == ColumnChange)
            return CategoryChangeText(*category);
        return record ? CellText(*record, index.column()) : m_categoryRows.CellText(*category, index.column());
    case CShareBarDelegate::ShareRole:
        return ShareAt(index.row());
    case Qt::TextAlignmentRole:
        return static_cast<int>(ColumnAlignment(index.column(), m_bGrouped));
    case Qt::FontRole:
        return QVariant::fromValue(IsRowSelected(index.row()) ? m_look.bold : m_look.normal);
    case Qt::ForegroundRole:
        return QVariant::fromValue(QBrush(m_look.text));
    case Qt::BackgroundRole:
        // Striping follows the display position, so it stays regular after every re-sort.
        return QVariant::fromValue(QBrush((index.row() % 2) ? m_look.altRow : m_look.row));
    case RecordRole:
        return QVariant::fromValue(static_cast<const void*>(record));
    default:
        return QVariant();
    }
}

QVariant CExtTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_nColumns)
        return QVariant();
    if (role == Qt::DisplayRole && m_bGrouped && (section == ColumnExt || section == ColumnType))
        return LoadQString(section == ColumnExt ? IDS_COLUMN_TYPE : IDS_COLUMN_EXTENSIONS);
    if (role == Qt::DisplayRole)
        return HeadingText(section);
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(ColumnAlignment(section, m_bGrouped));
    return QVariant();
}

QString CExtTableModel::HeadingText(int column)
{
    if (column == ColumnChange)
        return LoadQString(IDS_CLI_COLUMN_CHANGE);
    return column == ColumnType ? LoadQString(IDS_COLUMN_TYPE) : ToQString(ExtTable::ColumnHeading(static_cast<ExtColumn>(column)));
}

// A grouped number is never shorter than a smaller one, so the largest value is the longest text.
QString CExtTableModel::LongestCellText(int column) const
{
    if (column == (m_bGrouped ? ColumnExt : ColumnType))   // the types' names
        return CCategoryRows::LongestTypeName();
    if (column == ColumnChange && m_bGrouped) {
        QString longest;
        for (std::size_t position = 0; position < m_categoryRows.RowCount(); ++position) {
            const QString text = CategoryChangeText(m_categoryRows.Row(position));
            longest = text.size() > longest.size() ? text : longest;
        }
        return longest;
    }
    if (column == ColumnChange)
        return m_pComparison ? m_pComparison->LongestCellText(m_table) : QString();
    if (column != ColumnCount && column != ColumnSize)
        return QString();
    std::uint64_t largest = 0;
    for (int row = 0; row < m_nRows; ++row) {
        const auto [count, bytes] = CountAndBytesAt(row);
        largest = std::max(largest, column == ColumnCount ? count : bytes);
    }
    return ToQString(FormatNumber(largest));
}

void CExtTableModel::SetRowLook(const RowLook& look)
{
    m_look = look;
    RefreshFonts();
}

void CExtTableModel::RefreshFonts()
{
    if (m_nRows > 0 && m_nColumns > 0)
        emit dataChanged(index(0, 0), index(m_nRows - 1, m_nColumns - 1), {Qt::FontRole});
}

void CExtTableModel::InsertColumns()
{
    if (m_nColumns != 0)
        return;
    beginInsertColumns(QModelIndex(), 0, ColumnTotal - 1);
    m_nColumns = ColumnTotal;
    endInsertColumns();
}

void CExtTableModel::SetComparison(const CScanComparisonColumn* pComparison)
{
    if (!pComparison && m_pComparison && m_nColumns > ColumnChange) {
        beginRemoveColumns(QModelIndex(), ColumnChange, ColumnChange);
        m_nColumns = ColumnTotal;
        m_pComparison = nullptr;
        endRemoveColumns();
        if (m_nSortColumn == ColumnChange)
            SortByColumn(ColumnSize);
    } else if (pComparison && !m_pComparison && m_nColumns == ColumnTotal) {
        beginInsertColumns(QModelIndex(), ColumnChange, ColumnChange);
        m_nColumns = ColumnChange + 1;
        m_pComparison = pComparison;
        endInsertColumns();
    }
    m_pComparison = pComparison;
}

void CExtTableModel::Fill(ScanResult result)
{
    Clear();
    m_result = std::move(result);
    Rebuild();
}

void CExtTableModel::Clear()
{
    ZeroSelectionSums();
    // The view lets go of the rows before the records they show are freed.
    beginResetModel();
    m_table.Clear();
    m_categoryRows.Clear();
    m_order.clear();
    m_result = ScanResult();
    m_nRows = 0;
    endResetModel();
    // A model reset drops the selection without a selection signal; the summary must still follow.
    emit selectionSumsChanged();
}

// The rows of m_result, with or without the "(none)" row, in the current order.
void CExtTableModel::Rebuild()
{
    ZeroSelectionSums();
    beginResetModel();
    m_table.Assign(m_result, m_bNoExtRow, m_measure);
    m_order.clear();
    m_categoryRows.Clear();
    if (m_bGrouped && m_result.Records())
        m_categoryRows.Assign(m_result, *m_pCategories, m_bNoExtRow, m_measure);
    // While compared, a type's change is its extensions' (the gone ones' too), summed once here.
    m_categoryChanges.clear();
    if (m_bGrouped && m_pComparison)
        m_categoryChanges = m_pComparison->CategoryChanges(m_result, m_measure, *m_pCategories);
    m_nRows = ClampedRows(m_bGrouped ? m_categoryRows.RowCount() : m_table.RowCount());
    endResetModel();
    Sort();
}

void CExtTableModel::SetNoExtRow(bool bShow)
{
    if (bShow == m_bNoExtRow)
        return;
    m_bNoExtRow = bShow;
    Rebuild();
}

void CExtTableModel::SetSizeMeasure(SizeMeasure measure)
{
    if (measure == m_measure)
        return;
    m_measure = measure;
    Rebuild();
}

void CExtTableModel::SetGrouped(bool bGrouped)
{
    if (bGrouped == m_bGrouped)
        return;
    m_bGrouped = bGrouped;
    // Grouped, the order by type is the categories' own, and each column has one direction.
    if (m_bGrouped) {
        m_nSortColumn = m_nSortColumn == ColumnType ? ColumnExt : m_nSortColumn;
        m_bSortAscending = m_nSortColumn == ColumnExt;
    }
    Rebuild();
    emit headerDataChanged(Qt::Horizontal, ColumnExt, m_nColumns - 1);
}

void CExtTableModel::SortByColumn(int column)
{
    if (column < 0 || column >= m_nColumns || (m_bGrouped && column == ColumnType))
        return;
    if (column == m_nSortColumn && !m_bGrouped)
        m_bSortAscending = !m_bSortAscending;
    else
        m_bSortAscending = column == ColumnType || ExtTable::StartsAscending(static_cast<ExtColumn>(column));
    m_nSortColumn = column;
    Sort();
}

// Reorders the rows and moves every persistent index (selection, current row) along with its
// record, so the selection stays on the same records.
void CExtTableModel::Sort()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    const QModelIndexList before = persistentIndexList();
    std::vector<const void*> recordOf;
    recordOf.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& old : before)
        recordOf.push_back(RowIdentity(old.row()));

    m_order.clear();
    if (m_bGrouped && m_nSortColumn == ColumnChange)
        m_categoryRows.OrderByChange(m_categoryChanges);
    else if (m_bGrouped)
        m_categoryRows.Order(static_cast<ExtColumn>(m_nSortColumn));
    else if (m_nSortColumn == ColumnChange && m_pComparison)
        m_order = m_pComparison->Order(m_table, m_bSortAscending, m_measure);
    else if (m_nSortColumn == ColumnType)
        m_order = CCategoryRows::TypeOrder(m_table, *m_pCategories, m_bSortAscending);
    else
        m_table.Order(static_cast<ExtColumn>(m_nSortColumn), m_bSortAscending);
    m_nRows = ClampedRows(m_bGrouped ? m_categoryRows.RowCount() : m_table.RowCount());

    QModelIndexList after;
    if (!before.isEmpty()) {
        std::unordered_map<const void*, int> newRowOf;
        newRowOf.reserve(static_cast<std::size_t>(m_nRows));
        for (int row = 0; row < m_nRows; ++row)
            newRowOf.emplace(RowIdentity(row), row);
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const auto found = newRowOf.find(recordOf[static_cast<std::size_t>(i)]);
            after.append(found == newRowOf.end() ? QModelIndex() : index(found->second, before[i].column()));
        }
    }
    changePersistentIndexList(before, after);

    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::size_t CExtTableModel::PositionAt(int row) const
{
    const auto position = static_cast<std::size_t>(row);
    return position < m_order.size() ? m_order[position] : position;
}

const EXTINFO* CExtTableModel::RecordAt(int row) const
{
    return (row >= 0 && row < m_nRows && !m_bGrouped) ? &m_table.Row(PositionAt(row)) : nullptr;
}

const CategoryRow* CExtTableModel::CategoryRowAt(int row) const
{
    return (row >= 0 && row < m_nRows && m_bGrouped) ? &m_categoryRows.Row(static_cast<std::size_t>(row)) : nullptr;
}

// A category row's identity is its place in the categories' order, one past them for "(none)";
// no record's address is that small.
const void* CExtTableModel::RowIdentity(int row) const
{
    if (const CategoryRow* category = CategoryRowAt(row))
        return reinterpret_cast<const void*>(std::uintptr_t{1} + CCategoryRows::PlaceOf(*category));
    return RecordAt(row);
}

std::string CExtTableModel::RowKey(int row) const
{
    if (const CategoryRow* category = CategoryRowAt(row))
        return "type:" + std::string(CategoryTable::Key(*category));
    const EXTINFO* record = RecordAt(row);
    return record ? "ext:" + std::string(record->szExt) : std::string();
}

std::pair<std::uint64_t, std::uint64_t> CExtTableModel::CountAndBytesAt(int row) const
{
    if (const CategoryRow* category = CategoryRowAt(row))
        return {category->nCount, m_categoryRows.Bytes(*category)};
    const EXTINFO* record = RecordAt(row);
    return record ? std::pair(record->nCount, m_table.Bytes(*record)) : std::pair<std::uint64_t, std::uint64_t>();
}

double CExtTableModel::ShareAt(int row) const
{
    const std::uint64_t bytes = CountAndBytesAt(row).second;
    return TotalBytes() == 0 ? 0.0 : static_cast<double>(bytes) / static_cast<double>(TotalBytes());
}

std::vector<std::size_t> CExtTableModel::SelectedPositions() const
{
    std::vector<std::size_t> positions;
    if (!m_pSelection)
        return positions;
    for (const QModelIndex& row : m_pSelection->selectedRows(ColumnExt))
        positions.push_back(static_cast<std::size_t>(row.row()));
    std::sort(positions.begin(), positions.end());
    return positions;
}

std::vector<const EXTINFO*> CExtTableModel::SelectedRecords() const
{
    return SelectedRows().records;
}

std::vector<std::size_t> CExtTableModel::SelectedCategoryPlaces() const
{
    std::vector<std::size_t> places;
    for (const std::optional<FileTypeCategory>& category : SelectedRows().categories)
        places.push_back(category ? static_cast<std::size_t>(*category) : FileTypeCategories::kCategories);
    return places;
}

QString CExtTableModel::CategoryChangeText(const CategoryRow& row) const
{
    const std::size_t place = CCategoryRows::PlaceOf(row);
    return place < m_categoryChanges.size()
               ? QString::fromStdString(CScanComparisonColumn::ChangeText(m_categoryChanges[place]))
               : QString();
}

ChosenRows CExtTableModel::SelectedRows() const
{
    ChosenRows rows;
    for (const std::size_t position : SelectedPositions())
        rows = RowsAt(static_cast<int>(position), std::move(rows));
    return rows;
}

ChosenRows CExtTableModel::RowsAt(int row, ChosenRows rows) const
{
    if (const EXTINFO* record = RecordAt(row))
        rows.records.push_back(record);
    else if (const CategoryRow* category = CategoryRowAt(row))
        rows.categories.push_back(category->category);
    return rows;
}

void CExtTableModel::ZeroSelectionSums()
{
    m_nSelectedFiles = 0;
    m_nSelectedBytes = 0;
}

void CExtTableModel::UpdateSelectionSums()
{
    ZeroSelectionSums();
    if (m_pSelection && m_pSelection->hasSelection()) {
        // Ranges of a selection may overlap, so rows are marked first and each is counted once.
        std::vector<unsigned char> selected(static_cast<std::size_t>(m_nRows), 0);
        for (const QItemSelectionRange& range : m_pSelection->selection()) {
            if (range.parent().isValid() || range.model() != this)
                continue;
            const int last = std::min(range.bottom(), m_nRows - 1);
            for (int row = std::max(range.top(), 0); row <= last; ++row)
                selected[static_cast<std::size_t>(row)] = 1;
        }
        for (int row = 0; row < m_nRows; ++row) {
            if (!selected[static_cast<std::size_t>(row)])
                continue;
            const auto [count, bytes] = CountAndBytesAt(row);
            m_nSelectedFiles += count;
            m_nSelectedBytes += bytes;
        }
    }
    emit selectionSumsChanged();
}

void CExtTableModel::GetSelectionSummary(std::string& summary) const
{
    // While compared, a row of an extension that is gone holds no file but has its change.
    const std::string change = !m_pComparison ? std::string()
                               : m_bGrouped   ? m_pComparison->SelectionText(SelectedCategoryPlaces(), m_categoryChanges)
                                              : m_pComparison->SelectionText(SelectedRecords(), m_measure);
    summary.clear();
    if (m_nSelectedFiles == 0 && change.empty())
        return;
    summary = FormatCountString(IDS_FMT_SELECTED_FILE_ONE, m_nSelectedFiles, {FormatNumber(m_nSelectedFiles)});
    summary += FormatCountString(IDS_FMT_SELECTED_BYTES, m_nSelectedBytes, {FormatNumber(m_nSelectedBytes)});
    summary += FormatString(IDS_FMT_SELECTED_PERCENT, {std::to_string(m_table.ShareOf(m_nSelectedBytes))});
    summary += change;
}

void CExtTableModel::GetSelectionSummary(QString& summary) const
{
    std::string text;
    GetSelectionSummary(text);
    summary = QString::fromStdString(text);
}

// The writer of the rows as they stand: by type when grouped, in the display order.
CExtRowsWriter CExtTableModel::RowsWriter() const
{
    return CExtRowsWriter(m_table, m_bGrouped ? &m_categoryRows : nullptr, m_order, *m_pCategories);
}

std::string CExtTableModel::RowsAsTabSeparated() const
{
    return m_nRows == 0 ? std::string() : RowsWriter().TabSeparated(SelectedPositions());
}

std::string CExtTableModel::RowsAsCsv() const
{
    return m_nRows == 0 ? std::string() : RowsWriter().Csv(SelectedPositions());
}

QMimeData* CExtTableModel::CreateRowsMimeData() const
{
    return CExtRowsWriter::MimeData(RowsAsTabSeparated(), RowsAsCsv());
}

bool CExtTableModel::SaveRows(const std::string& path, bool bJson, const std::string& root, std::string& error) const
{
    // A saved list is the scan shown, without the rows a comparison adds for what is gone.
    return RowsWriter().Save(path, bJson, root, m_result, error, m_pComparison != nullptr);
}
