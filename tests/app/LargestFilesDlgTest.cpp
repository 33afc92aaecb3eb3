// The "Largest files" window, opened from the main window's rows over real trees and walked by
// the real worker.
#include "ExtInfo.h"
#include "ExtListCtrl.h"
#include "Format.h"
#include "LargestFilesDlg.h"
#include "MonitorGeometry.h"
#include "QtTestMain.h"
#include "Resource.h"
#include "ScanDialog.h"
#include "ShareBarDelegate.h"

#include "TempTree.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>

namespace {

constexpr int kWaitMs = 20000;

struct TreeFile {
    std::string relative;
    std::uint64_t size;
    std::int64_t mtime; // seconds; every file gets its own
};

// Two files of one size (ordered by path), a name with a newline, upper-case extensions and
// files of other extensions that must stay out.
const TreeFile kFiles[] = {
    {"a.iso", 3000, 1000000000},       {"sub/b.iso", 5000, 1100000000}, {"sub/deep/c.ISO", 1000, 1200000000},
    {"d.img", 4000, 1300000000},       {"e.txt", 9000, 1400000000},     {"same.iso", 2000, 1500000000},
    {"sub/same.iso", 2000, 1600000000}, {"new\nline.iso", 1500, 1700000000}, {"README", 700, 1800000000},
    {"sub/LICENSE", 800, 1900000000},
};

bool BuildTree(const TempTree& tree)
{
    if (!tree.MakeFolder("sub") || !tree.MakeFolder("sub/deep"))
        return false;
    for (const TreeFile& file : kFiles) {
        if (!tree.MakeFile(file.relative, file.size))
            return false;
        const struct timespec times[2] = {{file.mtime, 0}, {file.mtime, 0}};
        if (::utimensat(AT_FDCWD, tree.Path(file.relative).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
    }
    return true;
}

std::string LowerExtension(const std::string& relative)
{
    const std::size_t slash = relative.rfind('/');
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// The tree's files of these extensions, largest first, equal sizes by path.
std::vector<TreeFile> Expected(const std::vector<std::string>& extensions)
{
    std::vector<TreeFile> files;
    for (const TreeFile& file : kFiles)
        if (std::find(extensions.begin(), extensions.end(), LowerExtension(file.relative)) != extensions.end())
            files.push_back(file);
    std::sort(files.begin(), files.end(), [](const TreeFile& left, const TreeFile& right) {
        return left.size != right.size ? left.size > right.size : left.relative < right.relative;
    });
    return files;
}

QString Cell(CLargestFilesDlg& window, int row, int column)
{
    CLargestFilesModel& model = window.ModelForTesting();
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

// The paths shown, top to bottom.
std::vector<std::string> ShownPaths(CLargestFilesDlg& window)
{
    std::vector<std::string> paths;
    for (int row = 0; row < window.ModelForTesting().rowCount(); ++row)
        paths.push_back(window.ModelForTesting().FileAt(row)->path);
    return paths;
}

// What a file URL's path must be: each byte outside the unreserved characters and "/" as %HH.
std::string PercentEncoded(const std::string& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0x0F];
        }
    }
    return out;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs the test's body in `folder` as the working folder, and returns to the one before.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder)
    {
        char* pPrevious = ::getcwd(nullptr, 0);
        m_previous = pPrevious ? pPrevious : "/";
        std::free(pPrevious);
        m_bChanged = ::chdir(folder.c_str()) == 0;
    }
    ~WorkingFolder() { (void)!::chdir(m_previous.c_str()); }
    bool Changed() const { return m_bChanged; }

private:
    std::string m_previous;
    bool m_bChanged = false;
};

class LargestFilesDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(TestProfilePath());
        CHelpTipWnd::Platform platform;
        platform.cursorPos = [] { return QPoint(); };
        platform.widgetAt = [](const QPoint&) -> QWidget* { return nullptr; };
        platform.foregroundWindow = []() -> QWidget* { return nullptr; };
        m_pDialog = std::make_unique<CScanDialog>(nullptr, std::move(platform));
        ASSERT_TRUE(m_pDialog->Create());
        m_pDialog->show();
        ASSERT_TRUE(BuildTree(m_tree));
        ASSERT_TRUE(Scan(m_tree.Root()));
    }

    bool Scan(const std::string& folder)
    {
        auto* pFolder = qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_FOLDER));
        auto* pScanNow = qobject_cast<QPushButton*>(m_pDialog->GetDlgItem(IDOK));
        if (!pFolder || !pScanNow)
            return false;
        pFolder->setText(QString::fromStdString(folder));
        pScanNow->click();
        return QTest::qWaitFor([this] { return !m_pDialog->IsScanning(); }, kWaitMs);
    }

    CExtListCtrl& List() { return m_pDialog->ListForTesting(); }

    int RowOf(const std::string& ext)
    {
        for (int row = 0; row < List().Table().RowCount(); ++row)
            if (List().Table().RecordAt(row)->szExt == ext)
                return row;
        return -1;
    }

    void SelectRows(const std::vector<std::string>& extensions)
    {
        List().clearSelection();
        for (const std::string& ext : extensions) {
            const int row = RowOf(ext);
            ASSERT_GE(row, 0) << ext;
            List().selectionModel()->select(List().model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
            List().selectionModel()->setCurrentIndex(List().model()->index(row, 0), QItemSelectionModel::NoUpdate);
        }
    }

    // The one window open, once its walk has ended.
    CLargestFilesDlg* FinishedWindow()
    {
        const QList<CLargestFilesDlg*> windows = m_pDialog->findChildren<CLargestFilesDlg*>();
        if (windows.size() != 1)
            return nullptr;
        CLargestFilesDlg* pWindow = windows.front();
        return QTest::qWaitFor([pWindow] { return !pWindow->IsWalking(); }, kWaitMs) ? pWindow : nullptr;
    }

    CLargestFilesDlg* OpenFinished(const std::vector<std::string>& extensions)
    {
        SelectRows(extensions);
        m_pDialog->ExecuteCommand(ID_OPTIONS_LARGEST);
        return FinishedWindow();
    }

    // A window over `root` as typed, walked to its end.
    std::unique_ptr<CLargestFilesDlg> OpenOver(const std::string& root, const std::vector<std::string>& extensions)
    {
        auto pWindow = std::make_unique<CLargestFilesDlg>(root, extensions, QStringLiteral("test"), nullptr);
        if (!pWindow->Start() || !QTest::qWaitFor([&] { return !pWindow->IsWalking(); }, kWaitMs))
            return nullptr;
        return pWindow;
    }

    static void SelectShownRows(CLargestFilesDlg& window, const std::vector<std::string>& paths)
    {
        QTreeView& list = window.ListForTesting();
        list.clearSelection();
        const std::vector<std::string> shown = ShownPaths(window);
        for (const std::string& path : paths) {
            const auto found = std::find(shown.begin(), shown.end(), path);
            ASSERT_NE(found, shown.end()) << path;
            const QModelIndex index = list.model()->index(static_cast<int>(found - shown.begin()), 0);
            list.selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            list.selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        }
    }

    // An opener that writes the URL it was given to `record` and exits with nExitCode.
    static void RecordingOpener(CLargestFilesDlg& window, const std::string& record, int nExitCode)
    {
        window.SetFolderOpenerForTesting(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QStringLiteral("printf '%s' \"$1\" > \"$0\"; exit ") + QString::number(nExitCode),
             QString::fromStdString(record)});
    }

    TempTree m_tree;
    std::unique_ptr<CScanDialog> m_pDialog;
};

enum class Opening { DoubleClick, Enter, MenuCommand };

// Each way of asking opens one window for the rows asked about, which lists their files with
// name, folder, size and date, largest first, and leaves the main window idle.
TEST_F(LargestFilesDlgTest, RowsOpenAWindowOfTheirLargestFiles)
{
    const struct {
        Opening opening;
        std::vector<std::string> extensions;
        const char* title;
    } cases[] = {
        {Opening::DoubleClick, {".iso"}, "Largest files: .iso"},
        {Opening::Enter, {".img", ".iso"}, "Largest files: .img, .iso"},
        {Opening::MenuCommand, {""}, "Largest files: (none)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        SelectRows(c.extensions);
        List().setFocus();
        const QModelIndex first = List().model()->index(RowOf(c.extensions.front()), 0);
        switch (c.opening) {
        case Opening::DoubleClick:
            // As the platform delivers one: a click, then the second press as a double-click.
            QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, List().visualRect(first).center());
            QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, List().visualRect(first).center());
            break;
        case Opening::Enter: QTest::keyClick(&List(), Qt::Key_Return); break;
        case Opening::MenuCommand:
            ASSERT_TRUE(m_pDialog->IsCommandEnabled(ID_OPTIONS_LARGEST));
            m_pDialog->ExecuteCommand(ID_OPTIONS_LARGEST);
            break;
        }
        EXPECT_FALSE(m_pDialog->IsScanning()); // Enter did not reach "Scan now"
        CLargestFilesDlg* pWindow = FinishedWindow();
        ASSERT_NE(pWindow, nullptr);
        EXPECT_EQ(pWindow->windowTitle(), QString::fromUtf8(c.title));
        EXPECT_TRUE(pWindow->isVisible());

        const std::vector<TreeFile> expected = Expected(c.extensions);
        ASSERT_EQ(pWindow->ModelForTesting().rowCount(), static_cast<int>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const int row = static_cast<int>(i);
            const std::string& relative = expected[i].relative;
            const std::size_t slash = relative.rfind('/');
            const std::string folder = slash == std::string::npos ? m_tree.Root() : m_tree.Path(relative.substr(0, slash));
            std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
            // A newline is written out, so the row keeps one line.
            if (const std::size_t newline = name.find('\n'); newline != std::string::npos)
                name.replace(newline, 1, "\\x0a");
            EXPECT_EQ(pWindow->ModelForTesting().FileAt(row)->path, m_tree.Path(relative));
            EXPECT_EQ(Cell(*pWindow, row, CLargestFilesModel::ColumnName).toStdString(), name);
            EXPECT_EQ(Cell(*pWindow, row, CLargestFilesModel::ColumnFolder).toStdString(), folder);
            EXPECT_EQ(Cell(*pWindow, row, CLargestFilesModel::ColumnSize).toStdString(), FormatNumber(expected[i].size));
            EXPECT_EQ(Cell(*pWindow, row, CLargestFilesModel::ColumnModified),
                      QLocale().toString(QDateTime::fromSecsSinceEpoch(expected[i].mtime), QLocale::ShortFormat));
        }
        EXPECT_EQ(pWindow->StatusText().toStdString(), "Done: " + std::to_string(expected.size()) + " files");
        delete pWindow;
    }
}

// Grouped by file type, a category's row (Enter, a double-click or "Largest files...") lists the
// files of every extension it gathers, and the "(none)" row the files without one. The test's own
// MIME database calls .iso and .img archives and .txt a document.
TEST_F(LargestFilesDlgTest, CategoryRowsOpenTheLargestFilesOfTheirExtensions)
{
    m_pDialog->ExecuteCommand(ID_OPTIONS_BY_TYPE);
    ASSERT_TRUE(List().Table().IsGrouped());
    const struct {
        Opening opening;
        const char* type;
        std::vector<std::string> extensions;
    } cases[] = {
        {Opening::Enter, "Archives", {".iso", ".img"}},
        {Opening::DoubleClick, "Documents", {".txt"}},
        {Opening::MenuCommand, "(none)", {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        int row = 0;
        while (row < List().Table().RowCount() && List().model()->index(row, 0).data().toString() != QString::fromUtf8(c.type))
            ++row;
        ASSERT_LT(row, List().Table().RowCount());
        const QModelIndex cell = List().model()->index(row, 0);
        List().clearSelection();
        List().selectionModel()->select(cell, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        List().setFocus();
        switch (c.opening) {
        case Opening::DoubleClick:
            QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, List().visualRect(cell).center());
            QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, List().visualRect(cell).center());
            break;
        case Opening::Enter: QTest::keyClick(&List(), Qt::Key_Return); break;
        case Opening::MenuCommand:
            ASSERT_TRUE(m_pDialog->IsCommandEnabled(ID_OPTIONS_LARGEST));
            m_pDialog->ExecuteCommand(ID_OPTIONS_LARGEST);
            break;
        }
        CLargestFilesDlg* pWindow = FinishedWindow();
        ASSERT_NE(pWindow, nullptr);
        EXPECT_EQ(pWindow->windowTitle(), QStringLiteral("Largest files: ") + QString::fromUtf8(c.type));
        std::vector<std::string> expected;
        for (const TreeFile& file : Expected(c.extensions))
            expected.push_back(m_tree.Path(file.relative));
        EXPECT_EQ(ShownPaths(*pWindow), expected);
        // The size's bar is the file's share of the largest shown; the cell still reads the number.
        CLargestFilesModel& model = pWindow->ModelForTesting();
        const QModelIndex size = model.index(static_cast<int>(expected.size()) - 1, CLargestFilesModel::ColumnSize);
        EXPECT_DOUBLE_EQ(size.data(CShareBarDelegate::ShareRole).toDouble(),
                         static_cast<double>(Expected(c.extensions).back().size) / static_cast<double>(Expected(c.extensions).front().size));
        EXPECT_EQ(size.data().toString().toStdString(), FormatNumber(Expected(c.extensions).back().size));
        delete pWindow;
    }
}

// Ctrl+C copies absolute paths, also after a relative folder was scanned: one a line as text,
// a newline in a name written \x0a as the rows show it, and as a URI list with every byte kept.
TEST_F(LargestFilesDlgTest, CtrlCCopiesAbsolutePathsAsTextAndUris)
{
    const WorkingFolder working(m_tree.Path("sub"));
    ASSERT_TRUE(working.Changed());
    const struct {
        std::string root; // as typed
        std::vector<std::string> selected;
        std::vector<std::string> copied; // relative to the tree, in the order shown
    } cases[] = {
        {m_tree.Root(), {m_tree.Path("new\nline.iso"), m_tree.Path("sub/b.iso")}, {"sub/b.iso", "new\nline.iso"}},
        {".", {"./b.iso", "./deep/c.ISO"}, {"sub/b.iso", "sub/deep/c.ISO"}},
        {"./", {"./same.iso"}, {"sub/same.iso"}},
        {"..", {"../new\nline.iso"}, {"sub/../new\nline.iso"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        const std::unique_ptr<CLargestFilesDlg> pWindow = OpenOver(c.root, {".iso"});
        ASSERT_NE(pWindow, nullptr);
        SelectShownRows(*pWindow, c.selected);
        QTreeView& list = pWindow->ListForTesting();
        list.setFocus();
        QTest::keySequence(&list, QKeySequence::Copy);
        const QMimeData* pData = QApplication::clipboard()->mimeData();
        ASSERT_NE(pData, nullptr);
        std::string text, uris;
        for (const std::string& relative : c.copied) {
            std::string line = m_tree.Path(relative);
            if (const std::size_t newline = line.find('\n'); newline != std::string::npos)
                line.replace(newline, 1, "\\x0a");
            text += (text.empty() ? "" : "\n") + line;
            uris += "file://" + PercentEncoded(m_tree.Path(relative)) + "\r\n";
        }
        EXPECT_EQ(pData->text().toStdString(), text);
        EXPECT_EQ(pData->data(QStringLiteral("text/uri-list")).toStdString(), uris);
    }
}

// Heading clicks: a name starts ascending, a number largest first, a second click flips; equal
// keys stay in path order.
TEST_F(LargestFilesDlgTest, HeadingClicksSortTheRows)
{
    CLargestFilesDlg* pWindow = OpenFinished({".iso", ".img"});
    ASSERT_NE(pWindow, nullptr);
    QHeaderView* pHeader = pWindow->ListForTesting().header();
    auto paths = [this](std::initializer_list<const char*> relatives) {
        std::vector<std::string> result;
        for (const char* relative : relatives)
            result.push_back(m_tree.Path(relative));
        return result;
    };
    const struct {
        int column;
        std::vector<std::string> order;
    } clicks[] = {
        {CLargestFilesModel::ColumnName,
         paths({"a.iso", "sub/b.iso", "sub/deep/c.ISO", "d.img", "new\nline.iso", "same.iso", "sub/same.iso"})},
        {CLargestFilesModel::ColumnName,
         paths({"same.iso", "sub/same.iso", "new\nline.iso", "d.img", "sub/deep/c.ISO", "sub/b.iso", "a.iso"})},
        {CLargestFilesModel::ColumnModified,
         paths({"new\nline.iso", "sub/same.iso", "same.iso", "d.img", "sub/deep/c.ISO", "sub/b.iso", "a.iso"})},
        {CLargestFilesModel::ColumnSize,
         paths({"sub/b.iso", "d.img", "a.iso", "same.iso", "sub/same.iso", "new\nline.iso", "sub/deep/c.ISO"})},
        {CLargestFilesModel::ColumnSize,
         paths({"sub/deep/c.ISO", "new\nline.iso", "same.iso", "sub/same.iso", "a.iso", "d.img", "sub/b.iso"})},
        {CLargestFilesModel::ColumnFolder,
         paths({"a.iso", "d.img", "new\nline.iso", "same.iso", "sub/b.iso", "sub/same.iso", "sub/deep/c.ISO"})},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.column);
        QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {},
                          QPoint(pHeader->sectionViewportPosition(click.column) + 4, pHeader->height() / 2));
        EXPECT_EQ(ShownPaths(*pWindow), click.order);
    }
}

// "Open folder" waits for the opener's exit status without blocking the window: a failure, or
// an opener that is not there, is said with the folder's path, which can be selected; a file gone
// since is marked so and said so, and nothing is opened for it.
TEST_F(LargestFilesDlgTest, OpenFolderSaysWhenNoProgramCouldOpenTheFolder)
{
    CLargestFilesDlg* pWindow = OpenFinished({".iso"});
    ASSERT_NE(pWindow, nullptr);
    QPushButton* pOpen = nullptr;
    for (QPushButton* pButton : pWindow->findChildren<QPushButton*>())
        if (pButton->text() == QStringLiteral("&Open folder"))
            pOpen = pButton;
    QTreeView& list = pWindow->ListForTesting();
    const std::string record = m_tree.Path("opened-url");
    enum class Opener { Succeeds, ExitsWith3, Missing };
    const struct {
        const char* relative;
        Opener opener;
        bool bRemove;
    } cases[] = {
        {"sub/b.iso", Opener::Succeeds, false},
        {"sub/deep/c.ISO", Opener::ExitsWith3, false},
        {"a.iso", Opener::Missing, false},
        {"same.iso", Opener::Succeeds, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.relative);
        const std::vector<std::string> shown = ShownPaths(*pWindow);
        const auto found = std::find(shown.begin(), shown.end(), m_tree.Path(c.relative));
        ASSERT_NE(found, shown.end());
        const int row = static_cast<int>(found - shown.begin());
        if (c.bRemove) {
            ASSERT_EQ(std::remove(m_tree.Path(c.relative).c_str()), 0);
        }
        std::remove(record.c_str());
        if (c.opener == Opener::Missing)
            pWindow->SetFolderOpenerForTesting(QString::fromStdString(m_tree.Path("no-such-opener")), {});
        else
            RecordingOpener(*pWindow, record, c.opener == Opener::Succeeds ? 0 : 3);
        list.clearSelection();
        list.setCurrentIndex(list.model()->index(row, 0));
        ASSERT_TRUE(pOpen && pOpen->isEnabled());
        pWindow->OnOpenFolder();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !pWindow->IsOpening(); }, kWaitMs));

        const std::string folder = m_tree.Path(c.relative).substr(0, m_tree.Path(c.relative).rfind('/'));
        EXPECT_EQ(pWindow->ModelForTesting().IsGone(row), c.bRemove);
        if (c.bRemove) {
            EXPECT_NE(::access(record.c_str(), F_OK), 0) << "an opener ran for a file that is gone";
            EXPECT_EQ(pWindow->NoteText().toStdString(), m_tree.Path(c.relative) + " no longer exists");
            EXPECT_TRUE(Cell(*pWindow, row, CLargestFilesModel::ColumnName).endsWith(QStringLiteral("(gone)")));
        } else if (c.opener == Opener::Succeeds) {
            EXPECT_EQ(ReadWhole(record), "file://" + PercentEncoded(folder));
            EXPECT_TRUE(pWindow->NoteText().isEmpty());
        } else {
            EXPECT_EQ(pWindow->NoteText().toStdString(), "No program could open the folder " + folder);
        }
    }
    bool bSelectable = false;
    for (QLabel* pLabel : pWindow->findChildren<QLabel*>())
        if (pLabel->text() == pWindow->NoteText())
            bSelectable = pLabel->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
    EXPECT_TRUE(bSelectable) << "the path cannot be copied";
    list.clearSelection();
    EXPECT_FALSE(pOpen->isEnabled());
}

// The folder reaches the opener as an absolute file URL whose path decodes to the folder's exact
// bytes: a name that is not UTF-8 is not replaced, a relative folder is not handed on as typed.
TEST_F(LargestFilesDlgTest, OpenFolderGivesAnAbsoluteUrlThatKeepsEveryByte)
{
    ASSERT_TRUE(m_tree.MakeFolder("bad\xff" "dir") && m_tree.MakeFile("bad\xff" "dir/x.iso", 100));
    const WorkingFolder working(m_tree.Root());
    ASSERT_TRUE(working.Changed());
    const std::string record = m_tree.Path("opened-url");
    const struct {
        std::string root;
        std::string row;    // as the window lists it
        std::string folder; // the folder to open, absolute
    } cases[] = {
        {m_tree.Root(), m_tree.Path("bad\xff" "dir/x.iso"), m_tree.Path("bad\xff" "dir")},
        {".", "./bad\xff" "dir/x.iso", m_tree.Path("bad\xff" "dir")},
        {".", "./a.iso", m_tree.Root()},
        {"sub", "sub/b.iso", m_tree.Path("sub")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        const std::unique_ptr<CLargestFilesDlg> pWindow = OpenOver(c.root, {".iso"});
        ASSERT_NE(pWindow, nullptr);
        SelectShownRows(*pWindow, {c.row});
        std::remove(record.c_str());
        RecordingOpener(*pWindow, record, 0);
        pWindow->OnOpenFolder();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !pWindow->IsOpening(); }, kWaitMs));
        const std::string url = ReadWhole(record);
        ASSERT_EQ(url.rfind("file:///", 0), 0u) << url;
        EXPECT_EQ(QByteArray::fromPercentEncoding(QByteArray::fromStdString(url.substr(7))).toStdString(), c.folder);
        EXPECT_EQ(url, "file://" + PercentEncoded(c.folder));
        EXPECT_TRUE(pWindow->NoteText().isEmpty());
    }
}

// The window fits the work area of its screen, "Close" included, at any scale: a work area
// narrower than the window's wish (1024 x 768 at scale 1.5 gives 683 x 512) shrinks it.
TEST_F(LargestFilesDlgTest, WindowFitsTheWorkAreaOfItsScreen)
{
    const Rect areas[] = {{0, 0, 683, 512}, {0, 0, 640, 427}, {1280, 0, 1280 + 853, 682}};
    for (const Rect& area : areas) {
        SCOPED_TRACE(area.Width());
        SetMonitorsForTesting({{area, Rect{area.left, area.top, area.right, area.bottom - 30}}});
        m_pDialog->move(area.left + 10, area.top + 10);
        const std::unique_ptr<CLargestFilesDlg> pWindow = OpenOver(m_tree.Root(), {".iso"});
        ResetMonitorsForTesting();
        ASSERT_NE(pWindow, nullptr);
        SetMonitorsForTesting({{area, Rect{area.left, area.top, area.right, area.bottom - 30}}});
        pWindow->show();
        const QRect frame = pWindow->frameGeometry();
        ResetMonitorsForTesting();
        EXPECT_LE(frame.width(), area.Width());
        EXPECT_LE(frame.height(), area.Height() - 30);
        for (QPushButton* pButton : pWindow->findChildren<QPushButton*>()) {
            const QRect button(pButton->mapTo(pWindow.get(), QPoint()), pButton->size());
            EXPECT_TRUE(pWindow->rect().contains(button)) << pButton->text().toStdString();
        }
    }
}
// Closing the window during its walk neither waits for the walk nor leaves it running: the window
// hides at once and deletes itself when the walk has ended. A new scan in the main window does not
// disturb another window's rows.
TEST_F(LargestFilesDlgTest, ClosingDuringTheWalkReturnsAtOnceAndDeletesTheWindowLater)
{
    CLargestFilesDlg* pDone = OpenFinished({".img"});
    ASSERT_NE(pDone, nullptr);
    const std::vector<std::string> doneRows = ShownPaths(*pDone);

    std::mutex mutex;
    std::condition_variable condition;
    bool bHeld = false, bOpen = false;
    FolderWalkOptions options;
    options.threads = 1;
    options.onFolderOpened = [&](std::string_view, std::size_t depth) {
        if (depth != 1)
            return;
        std::unique_lock lock(mutex);
        bHeld = true;
        condition.notify_all();
        condition.wait_for(lock, std::chrono::seconds(20), [&] { return bOpen; });
    };
    auto* pWindow = new CLargestFilesDlg(m_tree.Root(), {".iso"}, QStringLiteral(".iso"), m_pDialog.get());
    pWindow->show();
    ASSERT_TRUE(pWindow->Start(options));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(condition.wait_for(lock, std::chrono::seconds(20), [&] { return bHeld; }));
    }
    QSignalSpy destroyed(pWindow, &QObject::destroyed);
    QElapsedTimer clock;
    clock.start();
    pWindow->close();
    const qint64 closeMs = clock.elapsed();
    EXPECT_LT(closeMs, 5000);
    EXPECT_FALSE(pWindow->isVisible());
    EXPECT_TRUE(destroyed.isEmpty());
    {
        std::lock_guard lock(mutex);
        bOpen = true;
        condition.notify_all();
    }
    EXPECT_TRUE(destroyed.wait(kWaitMs));

    ASSERT_TRUE(Scan(m_tree.Path("sub")));
    EXPECT_EQ(ShownPaths(*pDone), doneRows);
    EXPECT_TRUE(pDone->isVisible());
}

// The window walks as the scan of its rows walked: a file the scan left out is not listed, though
// the window opens after the menu's choices have changed.
TEST_F(LargestFilesDlgTest, TheWindowLeavesOutWhatTheRowsLeftOut)
{
    FolderWalkOptions options;
    options.excludePatterns = {"deep", "same.iso"};
    m_pDialog->SetWalkOptionsForTesting(options);
    ASSERT_TRUE(Scan(m_tree.Root()));
    m_pDialog->SetWalkOptionsForTesting({});
    CLargestFilesDlg* pWindow = OpenFinished({".iso"});
    ASSERT_NE(pWindow, nullptr);
    EXPECT_EQ(ShownPaths(*pWindow), (std::vector<std::string>{m_tree.Path("sub/b.iso"), m_tree.Path("a.iso"),
                                                              m_tree.Path("new\nline.iso")}));
}

// Without a result on screen, or without a row chosen, nothing is asked for.
TEST_F(LargestFilesDlgTest, NothingOpensWithoutAResultOrARow)
{
    List().clearSelection();
    EXPECT_FALSE(m_pDialog->IsCommandEnabled(ID_OPTIONS_LARGEST));
    SelectRows({".iso"});
    EXPECT_TRUE(m_pDialog->IsCommandEnabled(ID_OPTIONS_LARGEST));
    // Typing into the folder box empties the result.
    qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_FOLDER))->setText(QStringLiteral("/elsewhere"));
    EXPECT_FALSE(m_pDialog->IsCommandEnabled(ID_OPTIONS_LARGEST));
    m_pDialog->ExecuteCommand(ID_OPTIONS_LARGEST);
    EXPECT_TRUE(m_pDialog->findChildren<CLargestFilesDlg*>().isEmpty());
}

// Counts of one read "1 file", in the main window's "Selected:" and the window's status.
TEST_F(LargestFilesDlgTest, CountsOfOneAreSingular)
{
    SelectRows({".img"});
    EXPECT_EQ(qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_SELECTED))->text().left(8), QStringLiteral("1 file, "));
    SelectRows({".iso", ".img"});
    EXPECT_TRUE(qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_SELECTED))->text().startsWith(
        QString::number(Expected({".iso", ".img"}).size()) + QStringLiteral(" files, ")));
    CLargestFilesDlg* pWindow = OpenFinished({".img"});
    ASSERT_NE(pWindow, nullptr);
    EXPECT_EQ(pWindow->StatusText(), QStringLiteral("Done: 1 file"));
}

// Rows of thousands of extensions give a title that names the first few and how many more.
TEST_F(LargestFilesDlgTest, TitleOfManyExtensionsNamesTheFirstAndCountsTheRest)
{
    constexpr int kExtensions = 2000;
    ASSERT_TRUE(m_tree.MakeFolder("many"));
    for (int i = 0; i < kExtensions; ++i)
        ASSERT_TRUE(m_tree.MakeFile("many/f.e" + std::to_string(i), 1));
    ASSERT_TRUE(Scan(m_tree.Path("many")));
    List().selectAll();
    m_pDialog->ExecuteCommand(ID_OPTIONS_LARGEST);
    CLargestFilesDlg* pWindow = FinishedWindow();
    ASSERT_NE(pWindow, nullptr);
    const QString title = pWindow->windowTitle();
    EXPECT_LT(title.size(), 120) << title.toStdString();
    const qsizetype more = title.lastIndexOf(QStringLiteral(" and "));
    ASSERT_GT(more, 0) << title.toStdString();
    ASSERT_TRUE(title.endsWith(QStringLiteral(" more")));
    const qsizetype named = title.left(more).count(QStringLiteral(".e"));
    const QString rest = title.mid(more + 5, title.size() - more - 10);
    EXPECT_EQ(QLocale::c().toLongLong(QString(rest).remove(QLatin1Char(','))) + named, kExtensions) << title.toStdString();
}

} // namespace
