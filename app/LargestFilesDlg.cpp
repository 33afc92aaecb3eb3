// The "Largest files" window: its own ScanSession asked for the largest files, polled by a timer as
// the main window polls its scan, and stopped without waiting when the window closes.
#include "LargestFilesDlg.h"

#include "CountsText.h"
#include "Format.h"
#include "MonitorGeometry.h"
#include "Resource.h"
#include "ResourceString.h"
#include "ShareBarDelegate.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>

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
    std::error_code error;
    m_workingFolder = std::filesystem::current_path(error).native();
    m_query.extensions = std::move(extensions);
    // A window of its own beside the main one, not a dialog over it.
    setWindowFlags(Qt::Window);
    setWindowTitle(ToQString(FormatString(IDS_LARGEST_TITLE, {extensionsShown.toStdString()})));

    m_pList = new QTreeView(this);
    m_pList->setModel(&m_model);
    m_pList->setItemDelegateForColumn(CLargestFilesModel::ColumnSize, new CShareBarDelegate(m_pList));
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
    // A folder that could not be opened is named here; its path can be selected and copied.
    m_pNote->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
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
    FitToScreen();

    m_timer.setInterval(kRefreshMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CLargestFilesDlg::OnTimer);
}

// A walk still running (the main window closing with this one open) is stopped and waited for
// by its session: the worker never outlives its state.
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

// The window fits the work area of the main window's screen (or its own), frame included: a
// large font or scale must not put "Close" off the screen. Before the window system has framed
// the window its frame is estimated from the style's title bar.
void CLargestFilesDlg::FitToScreen()
{
    const QWidget* pAnchor = isVisible() || !parentWidget() ? this : parentWidget()->window();
    const Rect work = GetMonitorRectFromWindow(pAnchor, false);
    if (work.Width() <= 0 || work.Height() <= 0)
        return;
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty() && !isVisible()) {
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        frame = QSize(2 * border, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + border);
    }
    const QSize room(static_cast<int>(std::max<long long>(work.Width() - frame.width(), 1)),
                     static_cast<int>(std::max<long long>(work.Height() - frame.height(), 1)));
    if (width() > room.width() || height() > room.height())
        resize(size().boundedTo(room));
    if (!isVisible())
        return; // Qt places a dialog over its parent, inside the screen, when it is shown
    QRect frameRect = frameGeometry();
    frameRect.moveRight(std::min(frameRect.right(), work.right - 1));
    frameRect.moveBottom(std::min(frameRect.bottom(), work.bottom - 1));
    frameRect.moveLeft(std::max(frameRect.left(), work.left));
    frameRect.moveTop(std::max(frameRect.top(), work.top));
    if (frameRect.topLeft() != frameGeometry().topLeft())
        move(frameRect.topLeft());
}

void CLargestFilesDlg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    FitToScreen();
    // Once, when the list first has its width; after that the widths are the user's.
    if (!m_bColumnsFitted) {
        m_bColumnsFitted = true;
        FitColumns();
    }
}

bool CLargestFilesDlg::Start(FolderWalkOptions options)
{
    if (m_pSession)
        return false;
    auto pSession = std::make_unique<ScanSession>();
    options.largest = m_query;
    if (!pSession->Start(ScanRequest{m_root, std::move(options)})) {
        m_pStatus->setText(LoadQString(IDS_LARGEST_NOT_STARTED));
        return false;
    }
    m_pSession = std::move(pSession);
    m_pStop->setEnabled(true);
    ShowRunning();
    m_timer.start();
    return true;
}

void CLargestFilesDlg::OnTimer()
{
    if (!m_pSession)
        return;
    if (m_pSession->IsDone()) {
        EndWalk();
        return;
    }
    if (m_bClosed)
        return;
    try {
        m_model.SetFiles(m_pSession->LargestSoFar());
    } catch (const std::bad_alloc&) {
        // Short of memory for the copy: the rows shown stay until a later tick or the end.
    }
    ShowRunning();
}

void CLargestFilesDlg::ShowRunning()
{
    const bool bStopping = m_pSession && m_pSession->StopRequested();
    const int nRows = m_model.rowCount();
    m_pStatus->setText(bStopping ? LoadQString(IDS_LARGEST_STOPPING)
                                 : ToQString(FormatCountString(IDS_FMT_LARGEST_RUNNING_ONE, static_cast<unsigned long long>(nRows),
                                                               {FormatNumber(static_cast<std::uint64_t>(nRows))})));
}

// The walk has ended: its worker is joined at once, its answer shown, and the state freed.
void CLargestFilesDlg::EndWalk()
{
    m_timer.stop();
    const ScanResult result = m_pSession->TakeResult();
    m_pSession.reset();
    m_pStop->setEnabled(false);
    if (m_bClosed) {
        deleteLater();
        return;
    }
    m_model.SetFiles(result.Largest());

    const std::size_t nFound = result.Largest().size();
    const std::string count = FormatNumber(nFound);
    // The catalogue picks each count's form, so a language with more than two forms gets its own.
    std::string status;
    if (result.Ending() == ScanEnding::Stopped)
        status = FormatCountString(IDS_FMT_LARGEST_STOPPED_ONE, nFound, {count});
    else if (nFound >= m_query.count)
        status = FormatString(IDS_FMT_LARGEST_DONE_LIMIT, {count});
    else
        status = FormatCountString(IDS_FMT_LARGEST_DONE_ONE, nFound, {count});
    // A walk that could not look everywhere says where it could not, as the main window does.
    const std::string incomplete = IncompleteText(result.Counters());
    if (!incomplete.empty())
        status += std::string(LoadString(IDS_INCOMPLETE_SEPARATOR)) + incomplete;
    m_pStatus->setText(ToQString(status));
}

void CLargestFilesDlg::OnStop()
{
    if (!m_pSession)
        return;
    // Not Stop, which waits for the walk: the window stays responsive, the tick that sees the
    // walk done shows what it found.
    m_pSession->RequestStop();
    m_pStop->setEnabled(false);
    ShowRunning();
}

void CLargestFilesDlg::reject()
{
    m_bClosed = true;
    QDialog::reject(); // hides the window
    if (m_pSession)
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
    std::string folder = CLargestFilesModel::FolderOf(AbsolutePath(path));
    if (folder.empty())
        folder = "/"; // a file in the root folder
    m_pNote->clear();
    RunOpener(FileUrl(folder), folder);
}

std::string CLargestFilesDlg::AbsolutePath(const std::string& path) const
{
    if (!path.empty() && path.front() == '/')
        return path;
    std::string_view rest = path;
    while (rest.substr(0, 2) == "./")
        rest.remove_prefix(2);
    if (rest == ".")
        rest = {};
    std::string absolute = m_workingFolder;
    if (!rest.empty()) {
        if (absolute.empty() || absolute.back() != '/')
            absolute += '/';
        absolute += rest;
    }
    return absolute;
}

// Every byte outside the unreserved characters and "/" percent-encoded, so a name that is not
// UTF-8 reaches the file manager as the same bytes instead of as replacement characters.
QUrl CLargestFilesDlg::FileUrl(const std::string& absolutePath)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(absolutePath).toPercentEncoding("/"),
                             QUrl::StrictMode);
}

// The opener runs on its own and says through QProcess's signals how it ended, so the window
// never waits for it. A program that cannot be started, crashes or exits with a non-zero status
// (xdg-open's 3: no program for folders) did not open the folder.
void CLargestFilesDlg::RunOpener(const QUrl& url, const std::string& folder)
{
    auto* pProcess = new QProcess(this);
    pProcess->setProgram(m_openerProgram);
    pProcess->setArguments(m_openerArguments + QStringList{QString::fromLatin1(url.toEncoded())});
    pProcess->setStandardInputFile(QProcess::nullDevice());
    pProcess->setStandardOutputFile(QProcess::nullDevice());
    const QString failure = ToQString(FormatString(IDS_FMT_LARGEST_OPEN_FAILED, {TerminalEscape(folder)}));
    const auto ended = [this, pProcess, failure](bool bOpened) {
        --m_nOpening;
        if (!bOpened)
            m_pNote->setText(failure);
        pProcess->deleteLater();
    };
    connect(pProcess, &QProcess::finished, this, [ended](int nExitCode, QProcess::ExitStatus status) {
        ended(status == QProcess::NormalExit && nExitCode == 0);
    });
    connect(pProcess, &QProcess::errorOccurred, this, [ended](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) // no finished signal follows
            ended(false);
    });
    ++m_nOpening;
    pProcess->start();
}

void CLargestFilesDlg::CopyPaths() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_pList->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    // The text is one path a line, escaped as the rows show names (a newline is written \x0a, a
    // byte that is not UTF-8 \xHH, a backslash \x5c); no newline after the last, so a path
    // pasted into a shell is not run at once. The URI list keeps the paths' own bytes, so a file
    // manager takes the paste as the files themselves.
    std::string text;
    QByteArray uris;
    for (const int row : rows) {
        const LargestFile* pFile = m_model.FileAt(row);
        if (!pFile)
            continue;
        const std::string path = AbsolutePath(pFile->path);
        if (!text.empty())
            text += '\n';
        text += TerminalEscape(path);
        uris += FileUrl(path).toEncoded() + "\r\n";
    }
    auto* pData = new QMimeData;
    pData->setText(ToQString(text));
    pData->setData(QStringLiteral("text/uri-list"), uris);
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
