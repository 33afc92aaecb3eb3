// The largest files' rows: display texts made once per file, order kept here, not by the view.
#include "LargestFilesModel.h"

#include "Format.h"
#include "Resource.h"
#include "ResourceString.h"
#include "ShareBarDelegate.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <QBrush>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Names are bytes: a control character or an invalid byte is written out, as the list writes
// extensions, so a newline in a name cannot break its row.
QString ShownName(std::string_view name)
{
    std::string scratch;
    return ToQString(EscapedUnlessPlain(name, scratch, TerminalEscape));
}

Qt::Alignment ColumnAlignment(int column)
{
    return (column == CLargestFilesModel::ColumnSize ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

bool StartsAscending(int column)
{
    return column == CLargestFilesModel::ColumnName || column == CLargestFilesModel::ColumnFolder;
}

constexpr unsigned kColumnHeadings[] = {IDS_LARGEST_COLUMN_NAME, IDS_LARGEST_COLUMN_FOLDER, IDS_LARGEST_COLUMN_SIZE,
                                        IDS_LARGEST_COLUMN_MODIFIED};

template <typename T>
int CompareValues(const T& left, const T& right)
{
    return left < right ? -1 : (right < left ? 1 : 0);
}

} // namespace

CLargestFilesModel::CLargestFilesModel(QObject* pParent)
    : QAbstractTableModel(pParent)
{
}

std::string CLargestFilesModel::NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CLargestFilesModel::FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    // A file straight below "/" (a walk of "/" gives "/name") lives in "/", not in "".
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

CLargestFilesModel::Row CLargestFilesModel::MakeRow(const LargestFile& file) const
{
    return Row{file,
               ShownName(NameOf(file.path)),
               ShownName(FolderOf(file.path)),
               ToQString(FormatNumber(file.bytes)),
               QLocale().toString(QDateTime::fromSecsSinceEpoch(file.mtime), QLocale::ShortFormat),
               m_gone.count(file.path) != 0};
}

bool CLargestFilesModel::IsShown(const std::vector<LargestFile>& files) const
{
    return std::equal(files.begin(), files.end(), m_shown.begin(), m_shown.end(),
                      [](const LargestFile& left, const LargestFile& right) {
                          return left.bytes == right.bytes && left.mtime == right.mtime && left.path == right.path;
                      });
}

void CLargestFilesModel::SetFiles(const std::vector<LargestFile>& files)
{
    if (IsShown(files))
        return;
    m_shown = files;
    std::vector<Row> rows;
    rows.reserve(files.size());
    m_nLargestBytes = 0;
    for (const LargestFile& file : files) {
        rows.push_back(MakeRow(file));
        m_nLargestBytes = std::max(m_nLargestBytes, file.bytes);
    }

    const std::size_t nOld = m_rows.size();
    if (rows.size() < nOld) {
        // A walk's answer only grows; anything else starts the rows afresh.
        beginResetModel();
        m_rows = std::move(rows);
        SortRows();
        endResetModel();
        return;
    }
    if (rows.size() > nOld) {
        // The new rows come in at the end, then everything takes its place in the order.
        beginInsertRows(QModelIndex(), static_cast<int>(nOld), static_cast<int>(rows.size() - 1));
        m_rows.insert(m_rows.end(), rows.begin() + static_cast<std::ptrdiff_t>(nOld), rows.end());
        endInsertRows();
    }
    Reorder(&rows);
}

bool CLargestFilesModel::Precedes(const Row& left, const Row& right) const
{
    int order = 0;
    switch (m_nSortColumn) {
    case ColumnName: order = left.name.localeAwareCompare(right.name); break;
    case ColumnFolder:
        order = left.folder.localeAwareCompare(right.folder);
        if (order == 0)
            order = left.name.localeAwareCompare(right.name);
        break;
    case ColumnSize: order = CompareValues(left.file.bytes, right.file.bytes); break;
    case ColumnModified: order = CompareValues(left.file.mtime, right.file.mtime); break;
    default: break;
    }
    if (order != 0)
        return m_bAscending ? order < 0 : order > 0;
    // Equal in the column: by path, in either direction, as the walk orders equal sizes.
    return left.file.path < right.file.path;
}

void CLargestFilesModel::SortRows()
{
    std::sort(m_rows.begin(), m_rows.end(), [this](const Row& left, const Row& right) { return Precedes(left, right); });
}

void CLargestFilesModel::Reorder(std::vector<Row>* pNewRows)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    const QModelIndexList before = persistentIndexList();
    std::vector<std::string> pathOf;
    pathOf.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& old : before) {
        const LargestFile* pFile = FileAt(old.row());
        pathOf.push_back(pFile ? pFile->path : std::string());
    }

    if (pNewRows)
        m_rows = std::move(*pNewRows);
    SortRows();

    QModelIndexList after;
    if (!before.isEmpty()) {
        std::unordered_map<std::string_view, int> newRowOf;
        for (std::size_t row = 0; row < m_rows.size() && row < static_cast<std::size_t>(INT_MAX); ++row)
            newRowOf.emplace(m_rows[row].file.path, static_cast<int>(row));
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const auto found = newRowOf.find(pathOf[static_cast<std::size_t>(i)]);
            after.append(found == newRowOf.end() ? QModelIndex() : index(found->second, before[i].column()));
        }
    }
    changePersistentIndexList(before, after);

    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CLargestFilesModel::OnColumnClick(int column)
{
    if (column < 0 || column >= ColumnTotal)
        return;
    m_bAscending = column == m_nSortColumn ? !m_bAscending : StartsAscending(column);
    m_nSortColumn = column;
    Reorder(nullptr);
}

const LargestFile* CLargestFilesModel::FileAt(int row) const
{
    return (row >= 0 && static_cast<std::size_t>(row) < m_rows.size()) ? &m_rows[static_cast<std::size_t>(row)].file
                                                                      : nullptr;
}

void CLargestFilesModel::MarkGone(int row)
{
    const LargestFile* pFile = FileAt(row);
    if (!pFile)
        return;
    m_gone.insert(pFile->path);   // for the rows the walk's next answer brings
    m_rows[static_cast<std::size_t>(row)].bGone = true;
    emit dataChanged(index(row, 0), index(row, ColumnTotal - 1));
}

bool CLargestFilesModel::IsGone(int row) const
{
    return FileAt(row) && m_rows[static_cast<std::size_t>(row)].bGone;
}

int CLargestFilesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(m_rows.size(), INT_MAX));
}

int CLargestFilesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnTotal;
}

QVariant CLargestFilesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !FileAt(index.row()))
        return QVariant();
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    const bool bGone = row.bGone;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColumnName:
            return bGone ? ToQString(FormatString(IDS_FMT_LARGEST_GONE_ROW, {row.name.toStdString()})) : row.name;
        case ColumnFolder: return row.folder;
        case ColumnSize: return row.size;
        case ColumnModified: return row.modified;
        default: return QVariant();
        }
    case CShareBarDelegate::ShareRole: // the size's bar: its share of the largest file shown
        if (index.column() != ColumnSize || m_nLargestBytes == 0)
            return QVariant();
        return static_cast<double>(row.file.bytes) / static_cast<double>(m_nLargestBytes);
    case Qt::ToolTipRole:
        return row.folder == QLatin1String("/") ? row.folder + row.name : row.folder + QLatin1Char('/') + row.name;
    case Qt::TextAlignmentRole:
        return static_cast<int>(ColumnAlignment(index.column()));
    case Qt::ForegroundRole:
        if (bGone && m_crGone.isValid())
            return QVariant::fromValue(QBrush(m_crGone));
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant CLargestFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnTotal)
        return QVariant();
    if (role == Qt::DisplayRole)
        return LoadQString(kColumnHeadings[section]);
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(ColumnAlignment(section));
    return QVariant();
}
