// The window compared with a saved list: the "Change" column, the line under the list, what is
// refused, and the scans remembered with "Remember scans".
#include "ExtInfo.h"
#include "ExtListCtrl.h"
#include "QtTestMain.h"
#include "Resource.h"
#include "ScanDialog.h"
#include "ScanComparisonColumn.h"
#include "ScanFileReader.h"
#include "ScanHistory.h"
#include "ShownWindow.h"
#include "TempTree.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// Each row's name -> {count, change} as the list shows them.
using RowMap = std::map<std::string, std::pair<std::string, std::string>>;

class CompareTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(TestProfilePath());
        // The scans remembered go to a folder of the test's own.
        ASSERT_TRUE(m_state.MakeFolder("state"));
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(m_state.Path("state")));
        m_pDialog = std::make_unique<CScanDialog>();
        ASSERT_TRUE(m_pDialog->Create());
        m_pDialog->show();
        // The tree as the saved list sees it: .txt 150, .log 30, .bin 40 and one file without an
        // extension of 10 bytes.
        ASSERT_TRUE(m_tree.MakeFolder("sub"));
        for (const auto& [name, size] : std::map<std::string, int>{
                 {"a.txt", 100}, {"sub/b.txt", 50}, {"c.log", 30}, {"README", 10}, {"keep.bin", 40}})
            ASSERT_TRUE(m_tree.MakeFile(name, static_cast<std::uint64_t>(size)));
    }

    CExtTableModel& Table() { return m_pDialog->ListForTesting().Table(); }

    // Scans the tree with "Scan now" until the list is filled again.
    bool Scan(const std::string& folder = {})
    {
        auto* pFolder = qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_FOLDER));
        pFolder->setText(QString::fromStdString(folder.empty() ? m_tree.Root() : folder));
        Table().Clear();
        QTest::keyClick(m_pDialog->GetDlgItem(IDOK), Qt::Key_Space);
        return QTest::qWaitFor([this] { return !m_pDialog->IsScanning() && Table().RowCount() > 0; }, 20000);
    }

    // The tree changed: .txt grows by 200, .log is gone, .md is new (70), a second file without
    // an extension adds 20; .bin stays.
    bool ChangeTree()
    {
        return m_tree.MakeFile("sub/b.txt", 250) && unlink(m_tree.Path("c.log").c_str()) == 0 &&
               m_tree.MakeFile("d.md", 70) && m_tree.MakeFile("sub/NOTES", 20);
    }

    // The rows as the list shows them, and their names in display order.
    RowMap Rows(std::vector<std::string>* pOrder = nullptr)
    {
        RowMap rows;
        for (int row = 0; row < Table().RowCount(); ++row) {
            const auto cell = [&](int column) { return Table().index(row, column).data().toString().toStdString(); };
            rows[cell(CExtTableModel::ColumnExt)] = {cell(CExtTableModel::ColumnCount), cell(CExtTableModel::ColumnChange)};
            if (pOrder)
                pOrder->push_back(cell(CExtTableModel::ColumnExt));
        }
        return rows;
    }

    // The warning the call shows, closed; empty when none showed.
    static QString WarningOf(const std::function<void()>& call)
    {
        QString text;
        const auto find = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); };
        WithShownWindow(call, find, [&](QWidget& box) {
            text = static_cast<QMessageBox&>(box).text();
            static_cast<QMessageBox&>(box).accept();
        });
        return text;
    }

    TempTree m_state;
    TempTree m_tree;
    std::unique_ptr<CScanDialog> m_pDialog;
};

// A list saved from a scan, the tree changed and scanned again: every row has its change, a gone
// extension its row of count 0; the order by change puts the largest growth first; "Selected:"
// adds the change; a new scan keeps the comparison, "Stop comparing" takes it away.
TEST_F(CompareTest, ChangeColumnShowsEachRowsChangeSinceTheSavedList)
{
    ASSERT_TRUE(Scan());
    const QString saved = QString::fromStdString(m_state.Path("old.json"));
    ASSERT_TRUE(m_pDialog->SaveListTo(saved));
    ASSERT_TRUE(ChangeTree());
    ASSERT_TRUE(Scan());
    EXPECT_FALSE(m_pDialog->IsCommandEnabled(ID_OPTIONS_STOP_COMPARE));

    ASSERT_TRUE(m_pDialog->CompareForTesting().CompareWith(saved));
    const RowMap expected = {{".txt", {"2", "+200"}}, {".log", {"0", "-30"}},  {".md", {"1", "+70"}},
                           {"(none)", {"2", "+20"}}, {".bin", {"1", "0"}}};
    ASSERT_EQ(Table().columnCount(), CExtTableModel::ColumnChange + 1);
    EXPECT_EQ(Table().headerData(CExtTableModel::ColumnChange, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Change"));
    EXPECT_EQ(Rows(), expected);
    const QString line = m_pDialog->IncompleteTextForTesting();
    EXPECT_TRUE(line.startsWith(QStringLiteral("Compared with old.json: since %1 on ").arg(QString::fromStdString(m_tree.Root()))))
        << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral(" UTC: +1 files, +"))) << line.toStdString();

    // Largest growth first, then the other way round.
    Table().SortByColumn(CExtTableModel::ColumnChange);
    std::vector<std::string> order;
    Rows(&order);
    EXPECT_EQ(order, (std::vector<std::string>{".txt", ".md", "(none)", ".bin", ".log"}));
    Table().SortByColumn(CExtTableModel::ColumnChange);
    order.clear();
    Rows(&order);
    EXPECT_EQ(order, (std::vector<std::string>{".log", ".bin", "(none)", ".md", ".txt"}));

    // .log (-30) and .txt (+200) selected: +170 of change.
    CExtListCtrl& list = m_pDialog->ListForTesting();
    list.selectionModel()->select(Table().index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list.selectionModel()->select(Table().index(4, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString selected = qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_SELECTED))->text();
    EXPECT_TRUE(selected.endsWith(QStringLiteral("change +170 bytes"))) << selected.toStdString();

    // A new scan keeps the comparison.
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Rows(), expected);
    EXPECT_TRUE(m_pDialog->IncompleteTextForTesting().startsWith(QStringLiteral("Compared with old.json")));

    // A list saved while compared is the scan shown: the gone .log is no row of it.
    const QString now = QString::fromStdString(m_state.Path("now.json"));
    ASSERT_TRUE(m_pDialog->SaveListTo(now));
    SavedScan reread;
    ScanFileError error;
    ASSERT_TRUE(ScanFileReader::ReadFile(now.toStdString(), reread, error));
    std::vector<std::string> savedRows;
    for (const EXTINFO* pRecord = reread.result.Records(); pRecord; pRecord = pRecord->pNext)
        savedRows.push_back(pRecord->szExt);
    std::sort(savedRows.begin(), savedRows.end());
    EXPECT_EQ(savedRows, (std::vector<std::string>{".bin", ".md", ".txt"}));

    ASSERT_TRUE(m_pDialog->IsCommandEnabled(ID_OPTIONS_STOP_COMPARE));
    m_pDialog->ExecuteCommand(ID_OPTIONS_STOP_COMPARE);
    EXPECT_EQ(Table().columnCount(), CExtTableModel::ColumnTotal);
    EXPECT_EQ(Rows().count(".log"), 0u);
    EXPECT_EQ(Rows().size(), 4u);
    EXPECT_TRUE(m_pDialog->IncompleteTextForTesting().isEmpty()) << m_pDialog->IncompleteTextForTesting().toStdString();
    EXPECT_FALSE(m_pDialog->IsCommandEnabled(ID_OPTIONS_STOP_COMPARE));
}

// Grouped by type, each type's change is the sum of its extensions' (a gone one's too), the rows
// sort by it, and "Selected:" adds it.
TEST_F(CompareTest, GroupedByTypeEachTypeShowsItsExtensionsChange)
{
    ASSERT_TRUE(Scan());
    const QString saved = QString::fromStdString(m_state.Path("old.json"));
    ASSERT_TRUE(m_pDialog->SaveListTo(saved));
    ASSERT_TRUE(ChangeTree());
    ASSERT_TRUE(Scan());
    ASSERT_TRUE(m_pDialog->CompareForTesting().CompareWith(saved));

    const auto number = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), ','), text.end());
        return std::stoll(text);
    };
    std::map<std::string, long long> expected;   // type -> summed change of its extension rows
    for (int row = 0; row < Table().RowCount(); ++row) {
        const auto cell = [&](int column) { return Table().index(row, column).data().toString().toStdString(); };
        const std::string type = cell(CExtTableModel::ColumnType);
        expected[type.empty() ? "(none)" : type] += number(cell(CExtTableModel::ColumnChange));
    }
    ASSERT_GE(expected.size(), 2u);

    m_pDialog->ExecuteCommand(ID_OPTIONS_BY_TYPE);
    std::map<std::string, long long> shown;
    for (const auto& [type, cells] : Rows())
        shown[type] = number(cells.second);
    EXPECT_EQ(shown, expected);

    Table().SortByColumn(CExtTableModel::ColumnChange);
    std::vector<std::string> order;
    const RowMap rows = Rows(&order);
    for (std::size_t i = 1; i < order.size(); ++i)
        EXPECT_GE(number(rows.at(order[i - 1]).second), number(rows.at(order[i]).second)) << order[i];

    CExtListCtrl& list = m_pDialog->ListForTesting();
    list.selectionModel()->select(Table().index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QString selected = qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_SELECTED))->text();
    EXPECT_TRUE(selected.endsWith(QStringLiteral("change %1 bytes").arg(QString::fromStdString(rows.at(order[0]).second))))
        << selected.toStdString();
}

// What cannot be compared is refused with one line naming the file and what is wrong, and the
// list stays as it was.
TEST_F(CompareTest, RefusesWhatCannotBeCompared)
{
    // A list saved by a scan that counted hard links once; the window's scan then does not.
    m_pDialog->ExecuteCommand(ID_OPTIONS_LINKS_ONCE);
    ASSERT_TRUE(Scan());
    const std::string linksOnce = m_state.Path("links-once.json");
    ASSERT_TRUE(m_pDialog->SaveListTo(QString::fromStdString(linksOnce)));
    m_pDialog->ExecuteCommand(ID_OPTIONS_ONE_FILE_SYSTEM);
    ASSERT_TRUE(Scan());
    const std::string oneFileSystem = m_state.Path("one-fs.json");
    ASSERT_TRUE(m_pDialog->SaveListTo(QString::fromStdString(oneFileSystem)));
    m_pDialog->ExecuteCommand(ID_OPTIONS_ONE_FILE_SYSTEM);
    m_pDialog->ExecuteCommand(ID_OPTIONS_LINKS_ONCE);
    ASSERT_TRUE(Scan());

    const std::string notJson = m_state.Path("notes.json");
    {
        QFile file(QString::fromStdString(notJson));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("hello\n");
    }
    const struct {
        std::string path;
        QString says;
    } cases[] = {
        {notJson, QStringLiteral(": not valid JSON (it breaks off or goes wrong at byte 1)")},
        {m_state.Path("state"), QStringLiteral("Is a directory")},
        {m_state.Path("missing.json"), QStringLiteral("No such file or directory")},
        {linksOnce, QStringLiteral("was made with a different \"Count hard links once\"")},
        {oneFileSystem, QStringLiteral("was made with a different \"Stay on one file system\"")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const QString warning = WarningOf([&] { EXPECT_FALSE(m_pDialog->CompareForTesting().CompareWith(QString::fromStdString(c.path))); });
        EXPECT_TRUE(warning.contains(QString::fromStdString(c.path))) << warning.toStdString();
        EXPECT_TRUE(warning.contains(c.says)) << warning.toStdString();
        EXPECT_FALSE(warning.contains(QLatin1Char('\n'))) << warning.toStdString();
        EXPECT_FALSE(m_pDialog->CompareForTesting().IsComparing());
        EXPECT_EQ(Table().columnCount(), CExtTableModel::ColumnTotal);
    }

    // Compared with the list made counting links once, a scan made otherwise shows no change and
    // says why on the line.
    m_pDialog->ExecuteCommand(ID_OPTIONS_LINKS_ONCE);
    ASSERT_TRUE(Scan());
    ASSERT_TRUE(m_pDialog->CompareForTesting().CompareWith(QString::fromStdString(linksOnce)));
    EXPECT_EQ(Rows().at(".txt").second, "0");
    m_pDialog->ExecuteCommand(ID_OPTIONS_LINKS_ONCE);
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Rows().at(".txt").second, "");
    EXPECT_TRUE(m_pDialog->IncompleteTextForTesting().startsWith(
        QStringLiteral("No change shown: this scan was made with a different \"Count hard links once\"")))
        << m_pDialog->IncompleteTextForTesting().toStdString();
}

// A saved list of another folder, or of a scan that did not finish, is compared all the same, with
// a warning on the line.
TEST_F(CompareTest, WarnsOfAnotherFolderOrAnUnfinishedScan)
{
    TempTree other;
    ASSERT_TRUE(other.MakeFile("a.txt", 100));
    ASSERT_TRUE(Scan(other.Root()));
    const std::string otherList = m_state.Path("other.json");
    ASSERT_TRUE(m_pDialog->SaveListTo(QString::fromStdString(otherList)));
    ASSERT_TRUE(Scan());
    const std::string ownList = m_state.Path("own.json");
    ASSERT_TRUE(m_pDialog->SaveListTo(QString::fromStdString(ownList)));
    const std::string stoppedList = m_state.Path("stopped.json");
    {
        QFile own(QString::fromStdString(ownList));
        QFile stopped(QString::fromStdString(stoppedList));
        ASSERT_TRUE(own.open(QIODevice::ReadOnly) && stopped.open(QIODevice::WriteOnly));
        const QByteArray json = own.readAll();
        ASSERT_TRUE(json.contains("\"ending\": \"finished\""));
        stopped.write(QByteArray(json).replace("\"ending\": \"finished\"", "\"ending\": \"stopped\""));
    }
    const struct {
        std::string path;
        QString warning;
    } cases[] = {
        {ownList, QString()},
        {otherList, QStringLiteral("; warning: the saved list is a scan of %1, not of %2")
                        .arg(QString::fromStdString(other.Root()), QString::fromStdString(m_tree.Root()))},
        {stoppedList, QStringLiteral("; warning: the saved scan did not finish (stopped); it covers only what was walked")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(m_pDialog->CompareForTesting().CompareWith(QString::fromStdString(c.path)));
        const QString line = m_pDialog->IncompleteTextForTesting();
        EXPECT_TRUE(line.startsWith(QStringLiteral("Compared with "))) << line.toStdString();
        EXPECT_EQ(line.contains(QStringLiteral("warning")), !c.warning.isEmpty()) << line.toStdString();
        EXPECT_TRUE(line.endsWith(c.warning)) << line.toStdString();
    }
}

// Each finished scan is remembered, at most 20 per folder, the oldest dropped; the chooser starts
// at the newest. Folders never share their scans, whatever bytes their names hold.
TEST_F(CompareTest, RemembersTheLastTwentyScansOfEachFolder)
{
    ASSERT_FALSE(m_pDialog->IsCommandChecked(ID_OPTIONS_HISTORY));
    ASSERT_TRUE(Scan());
    EXPECT_TRUE(CScanHistory::Scans(m_tree.Root()).isEmpty());
    m_pDialog->ExecuteCommand(ID_OPTIONS_HISTORY);
    ASSERT_TRUE(Scan());
    const QStringList first = CScanHistory::Scans(m_tree.Root());
    ASSERT_EQ(first.size(), 1);
    EXPECT_TRUE(first[0].startsWith(QString::fromStdString(m_state.Path("state/kestrum/scans/"))));
    // Written within one millisecond, each is still the newest once written.
    const QDateTime at = QDateTime::currentDateTimeUtc().addSecs(60);
    QStringList written;
    for (std::size_t i = 0; i < CScanHistory::kKept; ++i) {
        std::string error;
        ASSERT_TRUE(CScanHistory::Remember(CScanComparisonColumn::Narrow(Table().Result()), m_tree.Root(), error, at))
            << error;
        written.append(CScanHistory::Newest(m_tree.Root()));
    }
    const QStringList kept = CScanHistory::Scans(m_tree.Root());
    EXPECT_EQ(kept.join(QLatin1Char('\n')).toStdString(), written.join(QLatin1Char('\n')).toStdString());
    EXPECT_FALSE(kept.contains(first[0]));

    QString start;
    QString preselected;
    m_pDialog->CompareForTesting().SetPathChooserForTesting([&](const QString& folder, const QString& file) {
        start = folder;
        preselected = file;
        return file;
    });
    m_pDialog->ExecuteCommand(ID_OPTIONS_COMPARE);
    EXPECT_EQ(preselected, kept.last());
    EXPECT_EQ(start, CScanHistory::FolderFor(m_tree.Root()));
    EXPECT_TRUE(m_pDialog->CompareForTesting().IsComparing());
    EXPECT_EQ(Rows().at(".txt").second, "0");

    const struct {
        std::string a;
        std::string b;
        bool bSame;
    } folders[] = {
        {"/srv/data", "/srv/data/", true},
        {"/srv/data", "/srv/dat", false},
        {"/srv/a b", "/srv/a_b", false},
        {"/srv/\xff", "/srv/\xfe", false},
    };
    for (const auto& f : folders) {
        SCOPED_TRACE(f.a + " | " + f.b);
        const QString a = CScanHistory::FolderFor(f.a);
        EXPECT_EQ(a == CScanHistory::FolderFor(f.b), f.bSame);
        EXPECT_TRUE(a.startsWith(CScanHistory::Root() + QLatin1Char('/')));
        EXPECT_EQ(QFile::decodeName(QFile::encodeName(a)), a);
    }

    // A folder of scans that cannot be made: said on the line, the scan still shown.
    ASSERT_TRUE(m_state.MakeFile("blocked", 0));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(m_state.Path("blocked")));
    m_pDialog->ExecuteCommand(ID_OPTIONS_STOP_COMPARE);
    ASSERT_TRUE(Scan());
    EXPECT_TRUE(m_pDialog->IncompleteTextForTesting().startsWith(QStringLiteral("The scan could not be remembered in ")))
        << m_pDialog->IncompleteTextForTesting().toStdString();
    EXPECT_TRUE(m_pDialog->IncompleteTextForTesting().endsWith(QStringLiteral("Not a directory")));
    EXPECT_EQ(Rows().size(), 4u);
}

} // namespace
