// The "Largest files" window: its own ScanJob asked for the largest files, polled by a timer as
// the main window polls its scan, and stopped without waiting when the window closes.
#include "LargestFilesDlg.h"

#include "CountsText.h"
#include "Format.h"
#include "Resource.h"
#include "ResourceString.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <algorithm>
#include <new>

namespace {

constexpr int kRefreshMilliseconds = 250;
// In average characters: the least the name and folder get together, and the window's width.
constexpr int kNamesMinChars = 40;
constexpr int kWindowChars = 130;
constexpr int kWindowLines = 26;
constexpr int kCellPadding = 16;

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CLargestFilesDlg::CLargestFilesDlg(std::string root, std::vector<std::string> extensions,
                                   const QString& extensionsShown, QWidget* pParent, std::size_t nCount)
    : QDialog(pParent)
    , m_root(std::move(root))
{
    m_query.count = nCount;
    m_query.extensions = std::move(extensions);
    // A window of its own beside the main one, not a dialog over it.
    setWindowFlags(Qt::Window);
    setWindowTitle(ToQString(FormatString(IDS_LARGEST_TITLE, {extensionsShown.toStdString()})));

    m_pList = new QTreeView(this);
    m_pList->setModel(&m_model);
    m_pList->setRootIsDecorated(false);
    m_pList->setItemsExpandable(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setAlternatingRowColors(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setSortingEnabled(false); // the model keeps the order; header clicks go to it
    m_pList->setAccessibleName(LoadQString(IDS_ACC_LARGEST_LIST));
    m_pList->installEventFilter(this);
    m_model.SetGoneColor(m_pList->palette().color(QPalette::Disabled, QPalette::Text));

    QHeaderView* pHeader = m_pList->header();
    pHeader->setSectionsClickable(true);
    pHeader->setSectionsMovable(false);
    pHeader->setSortIndicatorShown(true);
    pHeader->setSortIndicator(m_model.SortColumn(), m_model.IsSortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    connect(pHeader, &QHeaderView::sectionClicked, this, [this, pHeader](int column) {
        m_model.OnColumnClick(column);
        pHeader->setSortIndicator(m_model.SortColumn(),
                                  m_model.IsSortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    connect(m_pList, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { OnOpenFolder(); });
    connect(m_pList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CLargestFilesDlg::OnSelectionChanged);

    m_pStatus = new QLabel(this);
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pNote = new QLabel(this);
    m_pNote->setTextFormat(Qt::PlainText);
    m_pOpenFolder = new QPushButton(LoadQString(IDS_LARGEST_OPEN_FOLDER), this);
    m_pStop = new QPushButton(LoadQString(IDS_LARGEST_STOP), this);
    auto* pClose = new QPushButton(LoadQString(IDS_LARGEST_CLOSE), this);
    // Enter belongs to the list (it opens the folder), never to a default button.
    for (QPushButton* pButton : {m_pOpenFolder, m_pStop, pClose})
        pButton->setAutoDefault(false);
    m_pOpenFolder->setEnabled(false);
    m_pStop->setEnabled(false);
    connect(m_pOpenFolder, &QPushButton::clicked, this, &CLargestFilesDlg::OnOpenFolder);
    connect(m_pStop, &QPushButton::clicked, this, &CLargestFilesDlg::OnStop);
    connect(pClose, &QPushButton::clicked, this, &CLargestFilesDlg::reject);

    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(m_pNote, 1);
    pButtons->addWidget(m_pOpenFolder);
    pButtons->addWidget(m_pStop);
    pButtons->addWidget(pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pList, 1);
    pLayout->addWidget(m_pStatus);
    pLayout->addLayout(pButtons);

    const QFontMetrics metrics(font());
    resize(metrics.averageCharWidth() * kWindowChars, metrics.height() * kWindowLines);

    m_timer.setInterval(kRefreshMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CLargestFilesDlg::OnTimer);
}

// A walk still running (the main window closing with this one open) is stopped and waited for
// by its job: the worker never outlives its state.
CLargestFilesDlg::~CLargestFilesDlg()
{
    // The view goes before the model it reads, a member freed before the children are.
    delete m_pList;
}

// Size and date get what their texts need, the name and the folder share the rest (the folder
// more), and the date column takes what is left over.
void CLargestFilesDlg::FitColumns()
{
    const QFontMetrics metrics(m_pList->font());
    QHeaderView* pHeader = m_pList->header();
    pHeader->setStretchLastSection(true);
    auto needed = [&metrics](const QString& text, unsigned nIDHeading) {
        return std::max(metrics.horizontalAdvance(text), metrics.horizontalAdvance(LoadQString(nIDHeading)))
            + kCellPadding;
    };
    // Room for a size of hundreds of gigabytes and for a late date and time of day.
    const int sizeWidth = needed(ToQString(FormatNumber(999999999999ULL)), IDS_LARGEST_COLUMN_SIZE);
    const QDateTime latest(QDate(2000, 12, 28), QTime(23, 59, 59));
    const int dateWidth = needed(QLocale().toString(latest, QLocale::ShortFormat), IDS_LARGEST_COLUMN_MODIFIED);
    // The rows arrive after the first show and bring a vertical scroll bar with them.
    const int scrollBar = m_pList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pList);
    const int rest = std::max(m_pList->viewport()->width() - scrollBar - sizeWidth - dateWidth,
                              metrics.averageCharWidth() * kNamesMinChars);
    pHeader->resizeSection(CLargestFilesModel::ColumnName, rest * 2 / 5);
    pHeader->resizeSection(CLargestFilesModel::ColumnFolder, rest - rest * 2 / 5);
    pHeader->resizeSection(CLargestFilesModel::ColumnSize, sizeWidth);
}

void CLargestFilesDlg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    // Once, when the list first has its width; after that the widths are the user's.
    if (!m_bColumnsFitted) {
        m_bColumnsFitted = true;
        FitColumns();
    }
}

bool CLargestFilesDlg::Start(FolderWalkOptions options)
{
    if (m_pWalk)
        return false;
    auto pWalk = std::make_unique<Walk>();
    options.largest = m_query;
    if (!pWalk->job.Prepare(m_root) || !pWalk->job.Start(std::move(options))) {
        m_pStatus->setText(LoadQString(IDS_LARGEST_NOT_STARTED));
        return false;
    }
    m_pWalk = std::move(pWalk);
    m_pStop->setEnabled(true);
    ShowRunning();
    m_timer.start();
    return true;
}

void CLargestFilesDlg::OnTimer()
{
    if (!m_pWalk)
        return;
    if (m_pWalk->job.IsDone()) {
        EndWalk();
        return;
    }
    if (m_bClosed)
        return;
    try {
        m_model.SetFiles(m_pWalk->job.LargestSoFar());
    } catch (const std::bad_alloc&) {
        // Short of memory for the copy: the rows shown stay until a later tick or the end.
    }
    ShowRunning();
}

void CLargestFilesDlg::ShowRunning()
{
    const bool bStopping = m_pWalk && m_pWalk->scan.hStopEvent && m_pWalk->scan.hStopEvent->IsSet();
    m_pStatus->setText(bStopping ? LoadQString(IDS_LARGEST_STOPPING)
                                 : ToQString(FormatString(IDS_FMT_LARGEST_RUNNING,
                                                          {FormatNumber(static_cast<std::uint64_t>(m_model.rowCount()))})));
}

// The walk has ended: its worker is joined at once, its answer shown, and the state freed.
void CLargestFilesDlg::EndWalk()
{
    m_timer.stop();
    m_pWalk->job.Release();
    const ScanResult result = m_pWalk->job.TakeResult();
    m_pWalk.reset();
    m_pStop->setEnabled(false);
    if (m_bClosed) {
        deleteLater();
        return;
    }
    m_model.SetFiles(result.Largest());

    const std::string count = FormatNumber(result.Largest().size());
    unsigned nIDText = IDS_FMT_LARGEST_DONE;
    if (result.Ending() == ScanEnding::Stopped)
        nIDText = IDS_FMT_LARGEST_STOPPED;
    else if (result.Largest().size() >= m_query.count)
        nIDText = IDS_FMT_LARGEST_DONE_LIMIT;
    std::string status = FormatString(nIDText, {count});
    // A walk that could not look everywhere says where it could not, as the main window does.
    const std::string incomplete = IncompleteText(result.Counters());
    if (!incomplete.empty())
        status += std::string(LoadString(IDS_INCOMPLETE_SEPARATOR)) + incomplete;
    m_pStatus->setText(ToQString(status));
}

void CLargestFilesDlg::OnStop()
{
    if (!m_pWalk || !m_pWalk->scan.hStopEvent)
        return;
    // Not ScanJob::Stop, which waits for the walk: the window stays responsive, the tick that
    // sees the walk done shows what it found.
    m_pWalk->scan.hStopEvent->Set();
    m_pStop->setEnabled(false);
    ShowRunning();
}

void CLargestFilesDlg::reject()
{
    m_bClosed = true;
    QDialog::reject(); // hides the window
    if (m_pWalk)
        OnStop(); // the tick that sees the walk end deletes the window
    else
        deleteLater();
}

QString CLargestFilesDlg::StatusText() const
{
    return m_pStatus->text();
}

QString CLargestFilesDlg::NoteText() const
{
    return m_pNote->text();
}

void CLargestFilesDlg::OnSelectionChanged()
{
    m_pOpenFolder->setEnabled(m_pList->selectionModel()->hasSelection());
}

// The current row when it is selected, else the first selected row; -1 when none is.
int CLargestFilesDlg::ChosenRow() const
{
    const QItemSelectionModel* pSelection = m_pList->selectionModel();
    const QModelIndex current = m_pList->currentIndex();
    if (current.isValid() && pSelection->isRowSelected(current.row()))
        return current.row();
    int first = -1;
    for (const QModelIndex& row : pSelection->selectedRows())
        if (first < 0 || row.row() < first)
            first = row.row();
    return first;
}

void CLargestFilesDlg::OnOpenFolder()
{
    const int row = ChosenRow();
    const LargestFile* pFile = m_model.FileAt(row);
    if (!pFile)
        return;
    const std::string path = pFile->path;
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        m_model.MarkGone(row);
        m_pNote->setText(ToQString(FormatString(IDS_FMT_LARGEST_GONE, {TerminalEscape(path)})));
        return;
    }
    const std::string folder = CLargestFilesModel::FolderOf(path);
    const QUrl url = QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(folder.empty() ? "." : folder)));
    const bool bOpened = m_openFolder ? m_openFolder(url) : QDesktopServices::openUrl(url);
    m_pNote->setText(bOpened ? QString()
                             : ToQString(FormatString(IDS_FMT_LARGEST_OPEN_FAILED, {TerminalEscape(folder)})));
}

void CLargestFilesDlg::CopyPaths() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_pList->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    // The paths' own bytes, not the escaped names the rows show: pasted, they name the files.
    // No newline after the last, so a path pasted into a shell is not run at once.
    QByteArray text;
    for (const int row : rows) {
        if (!text.isEmpty())
            text += '\n';
        if (const LargestFile* pFile = m_model.FileAt(row))
            text += QByteArray::fromStdString(pFile->path);
    }
    auto* pData = new QMimeData;
    pData->setData(QStringLiteral("text/plain"), text);
    QApplication::clipboard()->setMimeData(pData);
}

bool CLargestFilesDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pList && pEvent->type() == QEvent::KeyPress) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->matches(QKeySequence::Copy)) {
            CopyPaths();
            return true;
        }
        if ((pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter) && pKey->modifiers() == Qt::NoModifier) {
            OnOpenFolder();
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}
