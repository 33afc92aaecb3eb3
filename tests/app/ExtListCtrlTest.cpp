// Tests of the extension list: order, selection totals and summary, column widths, colours, fonts.
#include "ExtListCtrl.h"

#include "ExtInfo.h"
#include "ScanResult.h"
#include "ShareBarDelegate.h"
#include "TempTree.h"

#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QMimeData>
#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

struct Record {
    const char* ext;
    std::uint64_t count;
    std::uint64_t bytes;
};

// A scan's records as the engine hands them over, in the order given.
class RecordList {
public:
    RecordList(std::initializer_list<Record> records) : m_records(records) {}
    explicit RecordList(std::vector<Record> records) : m_records(std::move(records)) {}

    ScanResult Result(const ScanCounters& counters = {}) const
    {
        EXTINFO* pHead = nullptr;
        for (auto record = m_records.rbegin(); record != m_records.rend(); ++record)
            pHead = new EXTINFO{record->count, record->bytes, pHead, record->ext};
        return ScanResult(counters, pHead, ScanEnding::Finished);
    }

private:
    std::vector<Record> m_records;
};

class ExtListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_list.InitColumns()); }

    std::vector<std::string> Order() const
    {
        std::vector<std::string> order;
        for (int row = 0; row < m_list.Table().RowCount(); ++row)
            order.push_back(m_list.Table().RecordAt(row)->szExt);
        return order;
    }

    int RowOf(const std::string& ext) const
    {
        for (int row = 0; row < m_list.Table().RowCount(); ++row) {
            if (m_list.Table().RecordAt(row)->szExt == ext)
                return row;
        }
        ADD_FAILURE() << "no row holds " << ext;
        return -1;
    }

    QModelIndex Cell(int row, int column) const { return m_list.model()->index(row, column); }
    QString Text(int row, int column) const { return Cell(row, column).data().toString(); }
    QFont RowFont(int row) const { return Cell(row, 0).data(Qt::FontRole).value<QFont>(); }

    void SelectRow(int row)
    {
        m_list.selectionModel()->select(Cell(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::string Summary() const
    {
        std::string summary;
        m_list.Table().GetSelectionSummary(summary);
        return summary;
    }

    // Runs what the list has posted to itself, such as FitColumns. A fit can change the scroll
    // bars and so post the next one, which a single pass leaves for later; a few passes settle it.
    void ServePostedEvents()
    {
        for (int pass = 0; pass < 4; ++pass)
            QCoreApplication::sendPostedEvents(&m_list, QEvent::MetaCall);
    }

    // What FitColumns gives an empty list `viewport` wide: Type what its longest name needs, at
    // most a third, and the rest in quarters, the last taking what is left.
    std::vector<int> QuartersBesideType(int viewport) const
    {
        const int type = m_list.header()->sectionSize(CExtTableModel::ColumnType);
        EXPECT_GT(type, 0);
        EXPECT_LE(type, viewport / 3);
        const int rest = viewport - type;
        return {rest / 4, rest / 4, rest / 4, rest - 3 * (rest / 4), type};
    }

    std::vector<int> ColumnWidths() const
    {
        std::vector<int> widths;
        for (int column = 0; column < m_list.header()->count(); ++column)
            widths.push_back(m_list.header()->sectionSize(column));
        return widths;
    }

    CExtListCtrl m_list;
};

using Rows = std::vector<std::string>;

// --- Order ---------------------------------------------------------------------------------

TEST_F(ExtListTest, ClickSequenceCountCountExt)
{
    RecordList records{{".c", 1, 10}, {".a", 7, 30}, {".b", 3, 20}};
    m_list.FillList(records.Result());
    EXPECT_EQ(Rows({".a", ".b", ".c"}), Order());
    EXPECT_EQ(CExtTableModel::ColumnExt, m_list.Table().SortColumn());
    EXPECT_TRUE(m_list.Table().IsSortAscending());

    m_list.OnColumnClick(CExtTableModel::ColumnCount);
    EXPECT_EQ(Rows({".a", ".b", ".c"}), Order());
    EXPECT_EQ(CExtTableModel::ColumnCount, m_list.Table().SortColumn());
    EXPECT_FALSE(m_list.Table().IsSortAscending());

    m_list.OnColumnClick(CExtTableModel::ColumnCount);
    EXPECT_EQ(Rows({".c", ".b", ".a"}), Order());
    EXPECT_TRUE(m_list.Table().IsSortAscending());

    m_list.OnColumnClick(CExtTableModel::ColumnExt);
    EXPECT_EQ(Rows({".a", ".b", ".c"}), Order());
    EXPECT_EQ(CExtTableModel::ColumnExt, m_list.Table().SortColumn());
    EXPECT_TRUE(m_list.Table().IsSortAscending());

    m_list.OnColumnClick(CExtTableModel::ColumnExt);
    EXPECT_EQ(Rows({".c", ".b", ".a"}), Order());
    EXPECT_FALSE(m_list.Table().IsSortAscending());
}

TEST_F(ExtListTest, EveryNewNumericColumnStartsDescending)
{
    RecordList records{{".a", 1, 300}, {".b", 2, 100}, {".c", 3, 200}};
    m_list.FillList(records.Result());
    m_list.OnColumnClick(CExtTableModel::ColumnCount);
    m_list.OnColumnClick(CExtTableModel::ColumnCount);   // now ascending
    m_list.OnColumnClick(CExtTableModel::ColumnSize);
    EXPECT_FALSE(m_list.Table().IsSortAscending());
    EXPECT_EQ(Rows({".a", ".c", ".b"}), Order());
    m_list.OnColumnClick(CExtTableModel::ColumnPercent);
    EXPECT_FALSE(m_list.Table().IsSortAscending());
    EXPECT_EQ(Rows({".a", ".c", ".b"}), Order());
    m_list.OnColumnClick(-1);   // not a column: nothing changes
    m_list.OnColumnClick(CExtTableModel::ColumnTotal);
    EXPECT_EQ(CExtTableModel::ColumnPercent, m_list.Table().SortColumn());
    EXPECT_FALSE(m_list.Table().IsSortAscending());
}

TEST_F(ExtListTest, TiesAreOrderedByExtensionInTheColumnsDirection)
{
    RecordList records{{".b", 5, 50}, {".d", 1, 50}, {".a", 5, 50}, {".c", 9, 50}};
    m_list.FillList(records.Result());
    m_list.OnColumnClick(CExtTableModel::ColumnCount);
    EXPECT_EQ(Rows({".c", ".b", ".a", ".d"}), Order());
    m_list.OnColumnClick(CExtTableModel::ColumnCount);
    EXPECT_EQ(Rows({".d", ".a", ".b", ".c"}), Order());
    // Every size is equal: the order is the extensions', descending for a fresh numeric column.
    m_list.OnColumnClick(CExtTableModel::ColumnSize);
    EXPECT_EQ(Rows({".d", ".c", ".b", ".a"}), Order());
}

TEST_F(ExtListTest, ByteTotalsAbove4GiBCompareWhole)
{
    // The low 32 bits of 4 GiB + 1 are 1, smaller than 1000: only a full 64-bit compare is right.
    RecordList records{{".big", 1, 4 * kGiB + 1}, {".small", 1, 1000}, {".huge", 1, 5000 * kGiB}};
    m_list.FillList(records.Result());
    m_list.OnColumnClick(CExtTableModel::ColumnSize);
    EXPECT_EQ(Rows({".huge", ".big", ".small"}), Order());
    m_list.OnColumnClick(CExtTableModel::ColumnSize);
    EXPECT_EQ(Rows({".small", ".big", ".huge"}), Order());
    m_list.OnColumnClick(CExtTableModel::ColumnPercent);
    EXPECT_EQ(Rows({".huge", ".big", ".small"}), Order());
    EXPECT_EQ(5004 * kGiB + 1 + 1000, m_list.Table().TotalBytes());
}

TEST_F(ExtListTest, CountsAbove2To32CompareAndSumWhole)
{
    // Subtracted as 32-bit values, 2^32 + 1 minus 2 reads as -1: the bigger count would sort lower.
    const std::uint64_t many = (1ull << 32) + 1;
    RecordList records{{".many", many, 10}, {".few", 2, 10}, {".mid", 1u << 31, 10}};
    m_list.FillList(records.Result());
    m_list.OnColumnClick(CExtTableModel::ColumnCount);
    EXPECT_EQ(Rows({".many", ".mid", ".few"}), Order());
    m_list.OnColumnClick(CExtTableModel::ColumnCount);
    EXPECT_EQ(Rows({".few", ".mid", ".many"}), Order());

    EXPECT_EQ(many + 2 + (1u << 31), m_list.Table().TotalFiles());
    SelectRow(RowOf(".many"));
    EXPECT_EQ(many, m_list.Table().SelectedFiles());
    EXPECT_EQ("4,294,967,297 files,   10 bytes (33%)", Summary());
    EXPECT_EQ(QString("4,294,967,297"), Text(RowOf(".many"), CExtTableModel::ColumnCount));
}

TEST_F(ExtListTest, HeaderClickSortsAndShowsTheOrder)
{
    RecordList records{{".a", 1, 1}, {".b", 2, 2}};
    m_list.resize(400, 200);
    m_list.show();
    ServePostedEvents();
    QHeaderView* header = m_list.header();
    m_list.FillList(records.Result());
    const QPoint countHeading(header->sectionViewportPosition(CExtTableModel::ColumnCount)
                                  + header->sectionSize(CExtTableModel::ColumnCount) / 2,
                              header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, countHeading);
    EXPECT_EQ(Rows({".b", ".a"}), Order());
    EXPECT_EQ(CExtTableModel::ColumnCount, header->sortIndicatorSection());
    EXPECT_EQ(Qt::DescendingOrder, header->sortIndicatorOrder());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, countHeading);
    EXPECT_EQ(Rows({".a", ".b"}), Order());
    EXPECT_EQ(Qt::AscendingOrder, header->sortIndicatorOrder());
}

TEST_F(ExtListTest, ResortKeepsTheSelectionOnItsRecords)
{
    RecordList records{{".a", 4, 10}, {".b", 3, 20}, {".c", 2, 30}, {".d", 1, 40}};
    m_list.FillList(records.Result());
    SelectRow(RowOf(".a"));
    SelectRow(RowOf(".c"));
    m_list.OnColumnClick(CExtTableModel::ColumnSize);
    ASSERT_EQ(Rows({".d", ".c", ".b", ".a"}), Order());
    for (int row = 0; row < m_list.Table().RowCount(); ++row) {
        const bool chosen = row == 1 || row == 3;
        EXPECT_EQ(chosen, m_list.selectionModel()->isRowSelected(row, QModelIndex())) << row;
        EXPECT_EQ(chosen, RowFont(row).bold()) << row;
    }
    EXPECT_EQ(6u, m_list.Table().SelectedFiles());
    EXPECT_EQ(40u, m_list.Table().SelectedBytes());
}

// --- Totals, cells and summary -------------------------------------------------------------

TEST_F(ExtListTest, SummaryFollowsSelectionAndIsReadyWhenAnnounced)
{
    RecordList records{{".x", 3, 1000}, {".y", 4, 500}, {".z", 10, 1500}};
    m_list.resize(400, 200);
    m_list.show();
    m_list.FillList(records.Result());
    ServePostedEvents();
    std::vector<std::string> announced;
    QObject::connect(&m_list, &CExtListCtrl::selectionSummaryChanged, &m_list,
                     [&] { announced.push_back(Summary()); });

    const QRect first = m_list.visualRect(Cell(RowOf(".x"), 0));
    const QRect second = m_list.visualRect(Cell(RowOf(".y"), 1));
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, Qt::ControlModifier, second.center());
    EXPECT_EQ(7u, m_list.Table().SelectedFiles());
    EXPECT_EQ(1500u, m_list.Table().SelectedBytes());
    EXPECT_EQ(3000u, m_list.Table().TotalBytes());
    EXPECT_EQ(17u, m_list.Table().TotalFiles());
    EXPECT_EQ("7 files,   1,500 bytes (50%)", Summary());
    ASSERT_FALSE(announced.empty());
    EXPECT_EQ("7 files,   1,500 bytes (50%)", announced.back());
    QString summary;
    m_list.Table().GetSelectionSummary(summary);
    EXPECT_EQ(QString("7 files,   1,500 bytes (50%)"), summary);

    m_list.clearSelection();
    EXPECT_EQ(0u, m_list.Table().SelectedFiles());
    EXPECT_EQ(0u, m_list.Table().SelectedBytes());
    EXPECT_EQ("", Summary());
    EXPECT_EQ("", announced.back());
}

TEST_F(ExtListTest, FocusChangeAloneKeepsTheTotals)
{
    RecordList records{{".x", 3, 1000}, {".y", 4, 500}, {".z", 10, 1500}};
    m_list.FillList(records.Result());
    SelectRow(0);
    SelectRow(1);
    int announcements = 0;
    QObject::connect(&m_list, &CExtListCtrl::selectionSummaryChanged, &m_list, [&] { ++announcements; });
    m_list.selectionModel()->setCurrentIndex(Cell(2, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(1, announcements);
    EXPECT_EQ(7u, m_list.Table().SelectedFiles());
    EXPECT_EQ(1500u, m_list.Table().SelectedBytes());
    EXPECT_EQ("7 files,   1,500 bytes (50%)", Summary());
}

TEST_F(ExtListTest, SelectionTotalsCountEachRowOnce)
{
    RecordList records{{".a", 1, 1}, {".b", 2, 2}, {".c", 4, 4}, {".d", 8, 8}, {".e", 16, 16}};
    m_list.FillList(records.Result());
    QItemSelectionModel* selection = m_list.selectionModel();
    const auto rows = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    selection->select(QItemSelection(Cell(0, 0), Cell(2, 0)), rows);
    selection->select(QItemSelection(Cell(1, 0), Cell(3, 0)), rows);
    EXPECT_EQ(15u, m_list.Table().SelectedFiles());
    selection->select(QItemSelection(Cell(1, 0), Cell(1, 0)), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_EQ(13u, m_list.Table().SelectedFiles());
    m_list.selectAll();
    EXPECT_EQ(31u, m_list.Table().SelectedFiles());
    EXPECT_EQ(31u, m_list.Table().SelectedBytes());
}

TEST_F(ExtListTest, CellsShowGroupedNumbersAndShares)
{
    RecordList records{{".x", 1234, 1000}, {".y", 4, 500}, {".z", 10, 1500000}};
    m_list.FillList(records.Result());
    EXPECT_EQ(QString(".x"), Text(0, CExtTableModel::ColumnExt));
    EXPECT_EQ(QString("1,234"), Text(0, CExtTableModel::ColumnCount));
    EXPECT_EQ(QString("1,000"), Text(0, CExtTableModel::ColumnSize));
    EXPECT_EQ(QString("0"), Text(0, CExtTableModel::ColumnPercent));
    EXPECT_EQ(QString("1,500,000"), Text(2, CExtTableModel::ColumnSize));
    EXPECT_EQ(QString("99"), Text(2, CExtTableModel::ColumnPercent));
    EXPECT_EQ(QString("Count"), m_list.model()->headerData(CExtTableModel::ColumnCount, Qt::Horizontal).toString());
    EXPECT_EQ(QString("%"), m_list.model()->headerData(CExtTableModel::ColumnPercent, Qt::Horizontal).toString());
    const int right = m_list.model()->headerData(CExtTableModel::ColumnSize, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
    EXPECT_TRUE(right & Qt::AlignRight);
    EXPECT_TRUE(Cell(0, CExtTableModel::ColumnCount).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    EXPECT_TRUE(Cell(0, CExtTableModel::ColumnExt).data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
    const auto* pRecord = static_cast<const EXTINFO*>(Cell(0, 3).data(CExtTableModel::RecordRole).value<const void*>());
    ASSERT_NE(pRecord, nullptr);
    EXPECT_EQ(pRecord->szExt, ".x");
}

TEST_F(ExtListTest, EmptyFilesShowAFullShare)
{
    RecordList records{{".lock", 2, 0}, {".keep", 5, 0}};
    m_list.FillList(records.Result());
    for (int row = 0; row < m_list.Table().RowCount(); ++row)
        EXPECT_EQ(QString("100"), Text(row, CExtTableModel::ColumnPercent)) << row;
    SelectRow(RowOf(".keep"));
    EXPECT_EQ("5 files,   0 bytes (100%)", Summary());
}

TEST_F(ExtListTest, ClearingAndEmptyListsLeaveNothing)
{
    RecordList records{{".a", 2, 20}, {".b", 3, 30}};
    m_list.FillList(records.Result());
    m_list.OnColumnClick(CExtTableModel::ColumnSize);
    SelectRow(0);
    ASSERT_EQ(3u, m_list.Table().SelectedFiles());
    m_list.ClearList();
    EXPECT_EQ(0, m_list.Table().RowCount());
    EXPECT_EQ(0u, m_list.Table().TotalFiles());
    EXPECT_EQ(0u, m_list.Table().SelectedFiles());
    EXPECT_EQ(0u, m_list.Table().TotalBytes());
    EXPECT_EQ(0u, m_list.Table().SelectedBytes());
    EXPECT_EQ("", Summary());
    EXPECT_EQ(CExtTableModel::ColumnSize, m_list.Table().SortColumn());
    EXPECT_FALSE(m_list.Table().IsSortAscending());

    m_list.FillList(records.Result());
    EXPECT_EQ(0u, m_list.Table().SelectedFiles());   // a refill starts with nothing selected
    EXPECT_EQ(5u, m_list.Table().TotalFiles());      // and counts each record once
    m_list.FillList(ScanResult());
    EXPECT_EQ(0, m_list.Table().RowCount());
    EXPECT_EQ(0u, m_list.Table().TotalFiles());
    EXPECT_EQ(0u, m_list.Table().TotalBytes());
    m_list.selectAll();
    EXPECT_EQ("", Summary());
}

// --- Column widths -------------------------------------------------------------------------

TEST_F(ExtListTest, ColumnsShareTheViewportWidth)
{
    EXPECT_EQ(std::vector<int>({10, 10, 10, 10, 10}), ColumnWidths());   // until the posted fit runs
    m_list.show();
    const int frame = m_list.width() - m_list.viewport()->width();
    m_list.resize(403 + frame, 200);
    ASSERT_EQ(403, m_list.viewport()->width());
    ServePostedEvents();
    EXPECT_EQ(QuartersBesideType(403), ColumnWidths());

    m_list.resize(443 + frame, 200);
    ServePostedEvents();
    EXPECT_EQ(QuartersBesideType(443), ColumnWidths());
}

TEST_F(ExtListTest, ColumnsLeaveRoomForTheVerticalScrollBar)
{
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back(".e" + std::to_string(1000 + i));
    std::vector<Record> items;
    for (std::size_t i = 0; i < names.size(); ++i)
        items.push_back(Record{names[i].c_str(), i + 1, 0});
    m_list.resize(320, 160);
    m_list.show();
    m_list.FillList(RecordList(items).Result());
    // Rows, scroll bars and widths settle through the event loop, as in the running program.
    const auto fitted = [&] {
        int sum = 0;
        for (int width : ColumnWidths())
            sum += width;
        return m_list.verticalScrollBar()->isVisible() && sum == m_list.viewport()->width()
            && !m_list.horizontalScrollBar()->isVisible();
    };
    EXPECT_TRUE(QTest::qWaitFor(fitted, 5000));
    EXPECT_TRUE(m_list.verticalScrollBar()->isVisible());
    EXPECT_FALSE(m_list.horizontalScrollBar()->isVisible());
    EXPECT_LT(m_list.viewport()->width(), 320 - m_list.verticalScrollBar()->width() + 1);
    m_list.ClearList();
}

// --- Files without an extension, copy and export --------------------------------------------

// A scan with a "(none)" row of 2 files, 600 bytes, and a name with a comma, a quote and a newline.
ScanCounters NoExtCounters()
{
    ScanCounters counters;
    counters.nFolders = 3;
    counters.nFiles = 6;
    counters.nBytes = 1000;
    counters.nNotListed = 1;
    counters.nNoExtFiles = 2;
    counters.nNoExtBytes = 600;
    return counters;
}

const RecordList kNamedRecords{{".txt", 3, 300}, {".a,\"b\n", 1, 100}};

std::string ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(unreadable)");
}

TEST_F(ExtListTest, NoExtRowComesAndGoesWithItsSharesAndLeavesTodaysRowsWhenOff)
{
    m_list.FillList(kNamedRecords.Result(NoExtCounters()));
    ASSERT_TRUE(m_list.Table().HasNoExtRow());
    // Sorted by name like any other row: its name is empty, so it comes first.
    EXPECT_EQ(Order(), (Rows{"", ".a,\"b\n", ".txt"}));
    EXPECT_EQ(Text(0, CExtTableModel::ColumnExt), QStringLiteral("(none)"));
    EXPECT_EQ(Text(1, CExtTableModel::ColumnExt), QStringLiteral(".a,\"b\\x0a"));
    // Shares of every file's bytes: 600, 100, 300 of 1000.
    EXPECT_EQ(Text(0, CExtTableModel::ColumnPercent), QStringLiteral("60"));
    EXPECT_EQ(Text(2, CExtTableModel::ColumnPercent), QStringLiteral("30"));
    EXPECT_EQ(m_list.Table().TotalBytes(), 1000u);

    m_list.SetNoExtRow(false);
    EXPECT_EQ(Order(), (Rows{".a,\"b\n", ".txt"}));
    EXPECT_EQ(Text(0, CExtTableModel::ColumnPercent), QStringLiteral("25"));
    EXPECT_EQ(Text(1, CExtTableModel::ColumnPercent), QStringLiteral("75"));
    EXPECT_EQ(m_list.Table().TotalBytes(), 400u);

    m_list.SetNoExtRow(true);
    EXPECT_EQ(m_list.Table().RowCount(), 3);
    m_list.ClearList();
}

TEST_F(ExtListTest, CopiedAndSavedRowsAreTheSelectedOrEveryRowInOneEscaping)
{
    m_list.FillList(kNamedRecords.Result(NoExtCounters()));
    m_list.OnColumnClick(CExtTableModel::ColumnSize);   // by bytes, largest first: (none), .txt, .a...

    // Nothing selected: every row. The tab-separated text names the row as shown; CSV gives it an
    // empty ext and quotes the odd name.
    EXPECT_EQ(m_list.Table().RowsAsTabSeparated(), "Ext\tCount\tSize\t%\tType\n(none)\t2\t600\t60\t(none)\n"
                                                   ".txt\t3\t300\t30\tDocuments\n.a,\"b\\x0a\t1\t100\t10\tOther\n");
    EXPECT_EQ(m_list.Table().RowsAsCsv(), "ext,count,bytes,percent,category\n,2,600,60,none\n.txt,3,300,30,documents\n"
                                          "\".a,\"\"b\n\",1,100,10,other\n");

    // A selection, rows taken in the order shown whatever order they were selected in.
    SelectRow(2);
    SelectRow(0);
    const std::string selectedText = "Ext\tCount\tSize\t%\tType\n(none)\t2\t600\t60\t(none)\n.a,\"b\\x0a\t1\t100\t10\tOther\n";
    EXPECT_EQ(m_list.Table().RowsAsTabSeparated(), selectedText);
    EXPECT_EQ(m_list.Table().RowsAsCsv(), "ext,count,bytes,percent,category\n,2,600,60,none\n\".a,\"\"b\n\",1,100,10,other\n");

    // Ctrl+C and a drag carry the same text, and CSV beside it.
    m_list.setFocus();
    QTest::keyClick(&m_list, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* pCopied = QApplication::clipboard()->mimeData();
    ASSERT_NE(pCopied, nullptr);
    EXPECT_EQ(pCopied->text().toStdString(), selectedText);
    EXPECT_EQ(pCopied->data("text/csv").toStdString(), m_list.Table().RowsAsCsv());
    const std::unique_ptr<QMimeData> pDragged(m_list.model()->mimeData({Cell(0, 0)}));
    EXPECT_EQ(pDragged->text().toStdString(), selectedText);

    // Saving writes every row, selected or not, as kestrum-scan writes them.
    TempTree tree;
    std::string error;
    ASSERT_TRUE(m_list.Table().SaveRows(tree.Path("list.csv"), false, "/the \"root\"", error)) << error;
    EXPECT_EQ(ReadFile(tree.Path("list.csv")),
              "ext,count,bytes,percent,category\n,2,600,60,none\n.txt,3,300,30,documents\n\".a,\"\"b\n\",1,100,10,other\n");
    ASSERT_TRUE(m_list.Table().SaveRows(tree.Path("list.json"), true, "/the \"root\"", error)) << error;
    // The same scan file as kestrum-scan writes: a head that names the window's program first.
    const std::string json = ReadFile(tree.Path("list.json"));
    const std::size_t root = json.find("\"root\": ");
    ASSERT_NE(root, std::string::npos) << json;
    EXPECT_EQ(json.rfind("{\"format\": 2, \"program\": \"kestrum ", 0), 0u) << json;
    EXPECT_NE(json.find("\"extensions_only\": false}, \"ending\": \"finished\", \"root\""), std::string::npos) << json;
    EXPECT_EQ("{" + json.substr(root),
              R"({"root": "/the \"root\"", "folders": 3, "files": 6, "bytes": 1000, "disk_bytes": 0, "extensions": [)"
              R"({"ext": "", "count": 2, "bytes": 600, "disk_bytes": 0, "percent": 60, "category": "none"}, )"
              R"({"ext": ".txt", "count": 3, "bytes": 300, "disk_bytes": 0, "percent": 30, "category": "documents"}, )"
              R"({"ext": ".a,\"b\n", "count": 1, "bytes": 100, "disk_bytes": 0, "percent": 10, "category": "other"}], )"
              R"("not_listed": 1, "not_entered": 0, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0, )"
              R"("no_extension": {"count": 2, "bytes": 600, "disk_bytes": 0}, "problems": []})"
              "\n");
    m_list.ClearList();
}

// --- File types (the test's own MIME database: .jpg and .png images, .mp4 video, .txt a document) ---

const RecordList kTypedRecords{{".png", 1, 40}, {".txt", 3, 200}, {".jpg", 2, 100}, {".mp4", 1, 50}, {".zzz", 1, 10}};

// The Type column names each extension's category; sorting by it groups the rows in the
// categories' order, largest first within each, "(none)" last, and the selection follows.
TEST_F(ExtListTest, TypeColumnNamesTheCategoryAndSortingByItGroupsTheRows)
{
    m_list.FillList(kTypedRecords.Result(NoExtCounters()));
    EXPECT_EQ(m_list.model()->headerData(CExtTableModel::ColumnType, Qt::Horizontal).toString(), QStringLiteral("Type"));
    const std::vector<std::pair<std::string, const char*>> types = {
        {".png", "Images"}, {".jpg", "Images"}, {".mp4", "Video"}, {".txt", "Documents"}, {".zzz", "Other"}, {"", ""}};
    for (const auto& [ext, type] : types)
        EXPECT_EQ(Text(RowOf(ext), CExtTableModel::ColumnType), QString::fromUtf8(type)) << ext;
    SelectRow(RowOf(".png"));

    m_list.OnColumnClick(CExtTableModel::ColumnType);
    EXPECT_EQ(Order(), (Rows{".jpg", ".png", ".mp4", ".txt", ".zzz", ""}));
    EXPECT_TRUE(m_list.Table().IsSortAscending());
    EXPECT_EQ(m_list.Table().SelectedRecords().front()->szExt, std::string(".png"));
    // The copy names each row's type and keeps the order shown.
    m_list.clearSelection();
    EXPECT_EQ(m_list.Table().RowsAsCsv(), "ext,count,bytes,percent,category\n.jpg,2,100,10,images\n.png,1,40,4,images\n"
                                          ".mp4,1,50,5,video\n.txt,3,200,20,documents\n.zzz,1,10,1,other\n,2,600,60,none\n");
    m_list.OnColumnClick(CExtTableModel::ColumnType);
    EXPECT_EQ(Order(), (Rows{"", ".zzz", ".txt", ".mp4", ".jpg", ".png"}));
    m_list.ClearList();
}

// "Group by file type": one row per category with its count, size, share and how many extensions
// it holds; "Selected:" sums category rows; copies carry them; the share bar reads the bytes.
TEST_F(ExtListTest, GroupedByTypeShowsOneRowPerCategoryAndSumsTheSelectedOnes)
{
    m_list.FillList(kTypedRecords.Result(NoExtCounters()));
    SelectRow(RowOf(".txt"));
    m_list.SetGrouped(true);
    ASSERT_TRUE(m_list.Table().IsGrouped());
    EXPECT_EQ(m_list.model()->headerData(CExtTableModel::ColumnExt, Qt::Horizontal).toString(), QStringLiteral("Type"));
    EXPECT_EQ(m_list.model()->headerData(CExtTableModel::ColumnType, Qt::Horizontal).toString(), QStringLiteral("Extensions"));
    const std::vector<std::vector<const char*>> expected = {
        {"Images", "3", "140", "14", "2"}, {"Video", "1", "50", "5", "1"}, {"Documents", "3", "200", "20", "1"},
        {"Other", "1", "10", "1", "1"},    {"(none)", "2", "600", "60", ""}};
    ASSERT_EQ(m_list.Table().RowCount(), static_cast<int>(expected.size()));
    for (int row = 0; row < m_list.Table().RowCount(); ++row)
        for (int column = 0; column < CExtTableModel::ColumnTotal; ++column)
            EXPECT_EQ(Text(row, column), QString::fromUtf8(expected[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]))
                << row << "," << column;
    EXPECT_EQ(m_list.Table().RecordAt(0), nullptr);
    EXPECT_DOUBLE_EQ(Cell(4, CExtTableModel::ColumnPercent).data(CShareBarDelegate::ShareRole).toDouble(), 0.6);

    // Rows by extension and rows by type keep selections of their own: .txt's was dropped.
    EXPECT_EQ(m_list.Table().SelectedFiles(), 0u);
    SelectRow(0);
    SelectRow(4);
    EXPECT_EQ(m_list.Table().SelectedFiles(), 5u);
    EXPECT_EQ(m_list.Table().SelectedBytes(), 740u);
    const ChosenRows chosen = m_list.Table().SelectedRows();
    EXPECT_TRUE(chosen.records.empty());
    EXPECT_EQ(chosen.categories, (std::vector<std::optional<FileTypeCategory>>{FileTypeCategory::Images, std::nullopt}));
    EXPECT_EQ(m_list.Table().RowsAsTabSeparated(), "Type\tCount\tSize\t%\tExtensions\nImages\t3\t140\t14\t2\n(none)\t2\t600\t60\t0\n");
    EXPECT_EQ(m_list.Table().RowsAsCsv(), "category,count,bytes,disk_bytes,percent,extensions\nimages,3,140,0,14,2\nnone,2,600,0,60,0\n");

    // Sorted by size, the selection stays on the same categories.
    m_list.OnColumnClick(CExtTableModel::ColumnSize);
    EXPECT_EQ(Text(0, 0), QStringLiteral("(none)"));
    EXPECT_EQ(Text(2, 0), QStringLiteral("Images"));
    EXPECT_EQ(m_list.Table().SelectedBytes(), 740u);
    EXPECT_TRUE(m_list.selectionModel()->isSelected(Cell(2, 0)));

    m_list.SetGrouped(false);
    EXPECT_EQ(m_list.Table().RowCount(), 6);
    EXPECT_EQ(m_list.model()->headerData(CExtTableModel::ColumnExt, Qt::Horizontal).toString(), QStringLiteral("Ext"));
    m_list.ClearList();
}

// A save that cannot be written says why and leaves neither a half-written file nor a temporary one.
TEST_F(ExtListTest, FailedSaveSaysWhyAndLeavesNothingBehind)
{
    m_list.FillList(kNamedRecords.Result(NoExtCounters()));
    TempTree tree;
    ASSERT_TRUE(tree.MakeFolder("taken.csv"));
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {tree.Path("missing/list.csv"), "No such file or directory"},
        {tree.Path("taken.csv"), "Is a directory"},
        {"/dev/full/list.csv", "Not a directory"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(m_list.Table().SaveRows(c.path, false, "/", error)) << c.path;
        EXPECT_EQ(error, c.reason) << c.path;
    }
    const QStringList left = QDir(QString::fromStdString(tree.Root())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, QStringList{QStringLiteral("taken.csv")});
    m_list.ClearList();
}

// Count and Size widen to their longest text after a scan, taking room from Ext first; a width
// the user set stays.
TEST_F(ExtListTest, CountAndSizeFitTheirLongestTextTakingRoomFromExtAndUserWidthsStay)
{
    m_list.show();
    const int frame = m_list.width() - m_list.viewport()->width();
    m_list.resize(303 + frame, 200);
    ServePostedEvents();
    const std::vector<int> before = QuartersBesideType(303);
    ASSERT_EQ(before, ColumnWidths());

    m_list.FillList(RecordList{{".big", 110746123456ull, 987654321098765ull}}.Result());
    ServePostedEvents();
    const QFontMetrics bold(m_list.BoldFont());
    std::vector<int> widths = ColumnWidths();
    EXPECT_GE(widths[1], bold.horizontalAdvance(QStringLiteral("110,746,123,456")));
    EXPECT_GE(widths[2], bold.horizontalAdvance(QStringLiteral("987,654,321,098,765")));
    EXPECT_LT(widths[0], before[0]);   // Ext gave first
    EXPECT_FALSE(m_list.IsColumnWidthSetByUser(CExtTableModel::ColumnExt));

    m_list.header()->resizeSection(CExtTableModel::ColumnSize, 77);   // as a drag of the divider does
    EXPECT_TRUE(m_list.IsColumnWidthSetByUser(CExtTableModel::ColumnSize));
    m_list.resize(403 + frame, 200);
    m_list.FillList(RecordList{{".x", 1, 1}}.Result());
    ServePostedEvents();
    EXPECT_EQ(m_list.header()->sectionSize(CExtTableModel::ColumnSize), 77);
    m_list.ClearList();
}

// --- Colours and fonts ---------------------------------------------------------------------

TEST_F(ExtListTest, AlternateRowsShiftEachComponentBy16)
{
    struct Case {
        QColor base;
        QColor alternate;
    };
    const Case cases[] = {
        {QColor(0, 0, 0), QColor(16, 16, 16)},
        {QColor(255, 255, 255), QColor(239, 239, 239)},
        {QColor(10, 200, 15), QColor(26, 184, 31)},
        {QColor(16, 15, 17), QColor(0, 31, 1)},
    };
    RecordList records{{".a", 1, 1}, {".b", 1, 1}, {".c", 1, 1}};
    m_list.FillList(records.Result());
    for (const Case& c : cases) {
        QPalette palette = m_list.palette();
        palette.setColor(QPalette::Base, c.base);
        palette.setColor(QPalette::Text, QColor(1, 2, 3));
        m_list.setPalette(palette);
        m_list.UpdateRowColors();
        EXPECT_EQ(c.base, m_list.RowColor());
        EXPECT_EQ(c.alternate, m_list.AltRowColor()) << c.base.name().toStdString();
        EXPECT_EQ(QColor(1, 2, 3), m_list.TextColor());
        EXPECT_EQ(c.base, Cell(0, 0).data(Qt::BackgroundRole).value<QBrush>().color());
        EXPECT_EQ(c.alternate, Cell(1, 3).data(Qt::BackgroundRole).value<QBrush>().color());
        EXPECT_EQ(c.base, Cell(2, 2).data(Qt::BackgroundRole).value<QBrush>().color());
        EXPECT_EQ(QColor(1, 2, 3), Cell(1, 0).data(Qt::ForegroundRole).value<QBrush>().color());
    }
}

TEST_F(ExtListTest, SelectedRowsAreBoldAndOthersNormal)
{
    RecordList records{{".a", 1, 1}, {".b", 1, 1}, {".c", 1, 1}};
    m_list.FillList(records.Result());
    SelectRow(1);
    for (int column = 0; column < CExtTableModel::ColumnTotal; ++column) {
        EXPECT_EQ(QFont::Normal, Cell(0, column).data(Qt::FontRole).value<QFont>().weight());
        EXPECT_EQ(QFont::Bold, Cell(1, column).data(Qt::FontRole).value<QFont>().weight());
        EXPECT_EQ(QFont::Normal, Cell(2, column).data(Qt::FontRole).value<QFont>().weight());
    }
    m_list.selectionModel()->select(Cell(1, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    SelectRow(2);
    EXPECT_FALSE(RowFont(1).bold());
    EXPECT_TRUE(RowFont(2).bold());
}

TEST_F(ExtListTest, FontChangeRebuildsTheRowFonts)
{
    RecordList records{{".a", 1, 1}, {".b", 1, 1}};
    m_list.FillList(records.Result());
    SelectRow(0);
    QFont chosen("DejaVu Serif", 19);
    chosen.setWeight(QFont::Bold);   // the normal rows must still come out at weight 400
    chosen.setItalic(true);
    m_list.setFont(chosen);
    EXPECT_EQ(19, m_list.NormalFont().pointSize());
    EXPECT_EQ(QString("DejaVu Serif"), m_list.NormalFont().family());
    EXPECT_EQ(QFont::Normal, m_list.NormalFont().weight());
    EXPECT_TRUE(m_list.NormalFont().italic());
    EXPECT_EQ(19, m_list.BoldFont().pointSize());
    EXPECT_EQ(QFont::Bold, m_list.BoldFont().weight());
    EXPECT_EQ(19, RowFont(0).pointSize());
    EXPECT_EQ(QFont::Normal, RowFont(1).weight());

    // A font chosen for the whole window reaches the list through its parent.
    QWidget window;
    m_list.setParent(&window);
    m_list.setFont(QFont());   // inherit again
    window.setFont(QFont("DejaVu Sans Mono", 23));
    EXPECT_EQ(23, m_list.NormalFont().pointSize());
    EXPECT_EQ(QString("DejaVu Sans Mono"), m_list.BoldFont().family());
    EXPECT_EQ(23, RowFont(1).pointSize());
    m_list.setParent(nullptr);
}

// Control characters and bytes outside UTF-8 show as \xHH in the list; the record keeps its bytes.
TEST_F(ExtListTest, ExtensionsShowControlCharactersAsEscapes)
{
    const struct {
        const char* ext;
        const char* shown;
    } kCases[] = {
        {".a\nb", ".a\\x0ab"},
        {".\x1b[31m", ".\\x1b[31m"},
        {".\x7f", ".\\x7f"},
        {".\xff", ".\\xff"},
        {".\xc3\xa9", ".\xc3\xa9"}, // valid UTF-8 stays as it is
    };
    for (const auto& c : kCases) {
        RecordList records{{c.ext, 1, 10}};
        m_list.FillList(records.Result());
        ASSERT_EQ(m_list.Table().RowCount(), 1);
        EXPECT_EQ(Text(0, CExtTableModel::ColumnExt), QString::fromUtf8(c.shown)) << c.shown;
        EXPECT_EQ(m_list.Table().RecordAt(0)->szExt, c.ext);
        m_list.ClearList();
    }
}

} // namespace
