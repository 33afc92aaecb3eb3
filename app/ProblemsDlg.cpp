// The list of what a scan could not count.
#include "ProblemsDlg.h"

#include "Format.h"
#include "Resource.h"
#include "ResourceString.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {

// In average characters: the window's size.
constexpr int kWindowChars = 100;
constexpr int kWindowLines = 20;

constexpr ProblemKind kKinds[] = {ProblemKind::NotListed, ProblemKind::NotEntered, ProblemKind::Vanished,
                                  ProblemKind::NotExamined};

unsigned KindText(ProblemKind kind)
{
    switch (kind) {
    case ProblemKind::NotListed: return IDS_PROBLEM_NOT_LISTED;
    case ProblemKind::NotEntered: return IDS_PROBLEM_NOT_ENTERED;
    case ProblemKind::Vanished: return IDS_PROBLEM_VANISHED;
    case ProblemKind::NotExamined: return IDS_PROBLEM_NOT_EXAMINED;
    case ProblemKind::NotFound:
    case ProblemKind::Repeated:
    case ProblemKind::EmptyName:
        break;   // only a walk of a list of names (kestrum-scan --files0-from) has these
    }
    return IDS_PROBLEM_NOT_LISTED;
}

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CProblemsDlg::CProblemsDlg(const ScanCounters& counters, const std::vector<ScanProblem>& problems, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(LoadQString(IDS_PROBLEMS_TITLE));
    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(kColumns);
    m_pList->setHeaderLabels({LoadQString(IDS_PROBLEMS_COLUMN_PATH), LoadQString(IDS_PROBLEMS_COLUMN_KIND),
                              LoadQString(IDS_PROBLEMS_COLUMN_REASON)});
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setAccessibleName(LoadQString(IDS_ACC_PROBLEMS_LIST));
    AddRows(counters, problems);

    auto* pCopy = new QPushButton(LoadQString(IDS_PROBLEMS_COPY), this);
    auto* pClose = new QPushButton(LoadQString(IDS_PROBLEMS_CLOSE), this);
    pCopy->setAutoDefault(false);
    connect(pCopy, &QPushButton::clicked, this, &CProblemsDlg::CopyRows);
    connect(pClose, &QPushButton::clicked, this, &QDialog::accept);
    // The list's own Ctrl+C would copy the current cell alone.
    m_pList->installEventFilter(this);

    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(pCopy);
    pButtons->addWidget(pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pList, 1);
    pLayout->addLayout(pButtons);

    const QFontMetrics metrics(font());
    resize(metrics.averageCharWidth() * kWindowChars, metrics.height() * kWindowLines);
    FitColumns();
    m_pList->setFocus(Qt::OtherFocusReason);
}

// Each kind's paths in the order given, then "... and N more" when the scan met more of that kind
// than it kept.
void CProblemsDlg::AddRows(const ScanCounters& counters, const std::vector<ScanProblem>& problems)
{
    for (const ProblemKind kind : kKinds) {
        const QString kindText = LoadQString(KindText(kind));
        std::uint64_t nKept = 0;
        for (const ScanProblem& problem : problems) {
            if (problem.kind != kind)
                continue;
            ++nKept;
            const QString reason = problem.error ? QString::fromLocal8Bit(std::strerror(problem.error)) : QString();
            new QTreeWidgetItem(m_pList, {FromUtf8(TerminalEscape(problem.path)), kindText, reason});
        }
        const std::uint64_t nCounted = ProblemCount(counters, kind);
        if (nCounted <= nKept)
            continue;
        const std::string more = FormatString(IDS_FMT_PROBLEMS_MORE, {FormatNumber(nCounted - nKept)});
        new QTreeWidgetItem(m_pList, {FromUtf8(more), kindText, QString()});
    }
}

// What and reason get what their texts need, the path the rest.
void CProblemsDlg::FitColumns()
{
    QHeaderView* pHeader = m_pList->header();
    pHeader->setStretchLastSection(true);
    m_pList->resizeColumnToContents(ColumnKind);
    m_pList->resizeColumnToContents(ColumnReason);
    const int rest = width() - m_pList->columnWidth(ColumnKind) - m_pList->columnWidth(ColumnReason);
    m_pList->setColumnWidth(ColumnPath, std::max(rest, width() / 3));
}

QString CProblemsDlg::RowsAsText() const
{
    QList<QTreeWidgetItem*> rows = m_pList->selectedItems();
    if (rows.isEmpty())
        for (int row = 0; row < m_pList->topLevelItemCount(); ++row)
            rows.push_back(m_pList->topLevelItem(row));
    // In the order shown, whatever order they were selected in.
    std::sort(rows.begin(), rows.end(), [this](QTreeWidgetItem* pA, QTreeWidgetItem* pB) {
        return m_pList->indexOfTopLevelItem(pA) < m_pList->indexOfTopLevelItem(pB);
    });
    QString text;
    for (const QTreeWidgetItem* pRow : rows)
        text += pRow->text(ColumnPath) + u'\t' + pRow->text(ColumnKind) + u'\t' + pRow->text(ColumnReason) + u'\n';
    return text;
}

void CProblemsDlg::CopyRows() const
{
    QApplication::clipboard()->setText(RowsAsText());
}

bool CProblemsDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    const bool bKey = pEvent->type() == QEvent::KeyPress || pEvent->type() == QEvent::ShortcutOverride;
    if (pWatched == m_pList && bKey && static_cast<QKeyEvent*>(pEvent)->matches(QKeySequence::Copy)) {
        if (pEvent->type() == QEvent::KeyPress)
            CopyRows();
        pEvent->accept();
        return true;
    }
    return QDialog::eventFilter(pWatched, pEvent);
}
