// The extension list's rows: an ExtTable over the scan's result, formatted only when asked for,
// so only the rows on screen are ever formatted.
#include "ExtTableModel.h"

#include "ExtInfo.h"
#include "ExtTableWriter.h"
#include "FileReplacement.h"
#include "Format.h"
#include "OutputBuffer.h"
#include "Resource.h"
#include "ScanFileHead.h"
#include "StringTable.h"

#include <QBrush>
#include <QItemSelectionModel>
#include <QMimeData>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

const QString kCsvMimeType = QStringLiteral("text/csv");

Qt::Alignment ColumnAlignment(int column)
{
    return (column == CExtTableModel::ColumnExt ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
}

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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

int ClampedRows(std::size_t rows)
{
    return static_cast<int>(std::min<std::size_t>(rows, INT_MAX));
}

} // namespace

CExtTableModel::CExtTableModel(QObject* parent)
    : QAbstractTableModel(parent)
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
    return {QStringLiteral("text/plain"), kCsvMimeType};
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
    if (!index.isValid() || !record)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return CellText(*record, index.column());
    case Qt::TextAlignmentRole:
        return static_cast<int>(ColumnAlignment(index.column()));
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
    if (role == Qt::DisplayRole)
        return HeadingText(section);
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(ColumnAlignment(section));
    return QVariant();
}

QString CExtTableModel::HeadingText(int column)
{
    return ToQString(ExtTable::ColumnHeading(static_cast<ExtColumn>(column)));
}

// A grouped number is never shorter than a smaller one, so the largest value is the longest text.
QString CExtTableModel::LongestCellText(int column) const
{
    if (column != ColumnCount && column != ColumnSize)
        return QString();
    std::uint64_t largest = 0;
    for (std::size_t row = 0; row < m_table.RowCount(); ++row) {
        const EXTINFO& record = m_table.Row(row);
        largest = std::max(largest, column == ColumnCount ? record.nCount : m_table.Bytes(record));
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
    m_nRows = ClampedRows(m_table.RowCount());
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

void CExtTableModel::SortByColumn(int column)
{
    if (column < 0 || column >= m_nColumns)
        return;
    if (column == m_nSortColumn)
        m_bSortAscending = !m_bSortAscending;
    else
        m_bSortAscending = ExtTable::StartsAscending(static_cast<ExtColumn>(column));
    m_nSortColumn = column;
    Sort();
}

// Reorders the rows and moves every persistent index (selection, current row) along with its
// record, so the selection stays on the same records.
void CExtTableModel::Sort()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    const QModelIndexList before = persistentIndexList();
    std::vector<const EXTINFO*> recordOf;
    recordOf.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& old : before)
        recordOf.push_back(RecordAt(old.row()));

    m_table.Order(static_cast<ExtColumn>(m_nSortColumn), m_bSortAscending);
    m_nRows = ClampedRows(m_table.RowCount());

    QModelIndexList after;
    if (!before.isEmpty()) {
        std::unordered_map<const EXTINFO*, int> newRowOf;
        newRowOf.reserve(static_cast<std::size_t>(m_nRows));
        for (int row = 0; row < m_nRows; ++row)
            newRowOf.emplace(RecordAt(row), row);
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const auto found = newRowOf.find(recordOf[static_cast<std::size_t>(i)]);
            after.append(found == newRowOf.end() ? QModelIndex() : index(found->second, before[i].column()));
        }
    }
    changePersistentIndexList(before, after);

    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const EXTINFO* CExtTableModel::RecordAt(int row) const
{
    return (row >= 0 && row < m_nRows) ? &m_table.Row(static_cast<std::size_t>(row)) : nullptr;
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
    std::vector<const EXTINFO*> records;
    for (const std::size_t position : SelectedPositions())
        if (const EXTINFO* record = RecordAt(static_cast<int>(position)))
            records.push_back(record);
    return records;
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
            const EXTINFO* record = RecordAt(row);
            m_nSelectedFiles += record->nCount;
            m_nSelectedBytes += m_table.Bytes(*record);
        }
    }
    emit selectionSumsChanged();
}

void CExtTableModel::GetSelectionSummary(std::string& summary) const
{
    summary.clear();
    if (m_nSelectedFiles == 0)
        return;
    summary = FormatCountString(IDS_FMT_SELECTED_FILE_ONE, m_nSelectedFiles, {FormatNumber(m_nSelectedFiles)});
    summary += FormatCountString(IDS_FMT_SELECTED_BYTES, m_nSelectedBytes, {FormatNumber(m_nSelectedBytes)});
    summary += FormatString(IDS_FMT_SELECTED_PERCENT, {std::to_string(m_table.ShareOf(m_nSelectedBytes))});
}

void CExtTableModel::GetSelectionSummary(QString& summary) const
{
    std::string text;
    GetSelectionSummary(text);
    summary = QString::fromStdString(text);
}

std::string CExtTableModel::RowsAsTabSeparated() const
{
    return WrittenRows(&ExtTableWriter::WriteTabSeparated);
}

std::string CExtTableModel::RowsAsCsv() const
{
    return WrittenRows(&ExtTableWriter::WriteCsv);
}

std::string CExtTableModel::WrittenRows(bool (ExtTableWriter::*write)(COutputBuffer&) const) const
{
    if (m_nRows == 0)
        return std::string();
    const std::vector<std::size_t> selected = SelectedPositions();
    const ExtTableWriter writer(m_table, selected.empty() ? nullptr : &selected);
    return WrittenText([&](COutputBuffer& out) { return (writer.*write)(out); });
}

QMimeData* CExtTableModel::CreateRowsMimeData() const
{
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(RowsAsTabSeparated()));
    data->setData(kCsvMimeType, QByteArray::fromStdString(RowsAsCsv()));
    return data;
}

bool CExtTableModel::SaveRows(const std::string& path, bool bJson, const std::string& root, std::string& error) const
{
    const ExtTableWriter writer(m_table);
    const bool bEveryRow = m_table.HasEveryRow();
    // The window's Stop is the only way its scans end early, never a signal.
    const ScanFileHead head = ScanFileHead::Of(m_result, "kestrum " KESTRUM_VERSION, !m_bNoExtRow, false);
    return ReplaceFileContents(
        path,
        [&](std::FILE* file) {
            COutputBuffer out(file);
            const bool bWritten = bJson ? writer.WriteJson(out, root, m_result.Counters(), nullptr, &m_result.Problems(), &head)
                                        : writer.WriteCsv(out);
            return bWritten && bEveryRow;
        },
        std::strerror(ENOMEM), error);
}
