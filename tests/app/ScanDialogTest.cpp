// The main dialog driven as a user would: real folder trees, the real worker, the refresh timer.
#include "ExtListCtrl.h"
#include "Format.h"
#include "ProfileStore.h"
#include "QtTestMain.h"
#include "Resource.h"
#include "ScanDialog.h"
#include "ScanSession.h"

#include "TempTree.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace {

constexpr int kScanTimeoutMs = 20000;

struct Counts {
    std::uint64_t folders = 0, files = 0, bytes = 0, records = 0;
};

// What the engine itself counts for the folder, in a session of its own.
Counts EngineCounts(const std::string& root)
{
    ScanSession session;
    EXPECT_TRUE(session.Start(ScanRequest{root, {}}));
    const ScanResult result = session.TakeResult();
    const ScanCounters& counters = result.Counters();
    // The list's rows: one per extension, and the "(none)" row when files without one were met.
    return Counts{counters.nFolders, counters.nFiles, counters.nBytes,
                  result.RecordCount() + (counters.nNoExtFiles > 0 ? 1u : 0u)};
}

// A tree of `folders` folders of `filesEach` files with a handful of extensions.
bool BuildTree(const TempTree& tree, int folders, int filesEach)
{
    static const char* const kNames[] = {"a.txt", "b.TXT", "c.jpg", "d.tar.gz", "README", ".profile", "e.cpp"};
    for (int f = 0; f < folders; ++f) {
        const std::string folder = "dir" + std::to_string(f);
        if (!tree.MakeFolder(folder))
            return false;
        for (int i = 0; i < filesEach; ++i)
            if (!tree.MakeFile(folder + "/" + std::to_string(i) + kNames[i % 7], 100 + i))
                return false;
    }
    return true;
}

// Lets a test hold the worker at the first subfolder it opens, so a scan is certainly running.
class WorkerGate {
public:
    FolderWalkOptions Options()
    {
        FolderWalkOptions options;
        // Held at one folder, a walk of several threads would go on with the rest of the tree.
        options.threads = 1;
        options.onFolderOpened = [this](std::string_view, std::size_t depth) {
            if (depth != 1)
                return;
            std::unique_lock lock(m_mutex);
            if (m_bHeldOnce)
                return;
            m_bHeldOnce = true;
            m_bHeld = true;
            m_condition.notify_all();
            // Bounded: a test that forgets to open the gate fails instead of hanging.
            m_condition.wait_for(lock, std::chrono::seconds(20), [this] { return m_bOpen; });
        };
        return options;
    }
    bool WaitUntilHeld()
    {
        std::unique_lock lock(m_mutex);
        return m_condition.wait_for(lock, std::chrono::seconds(20), [this] { return m_bHeld; });
    }
    // Opens the gate once the window has asked the scan to stop, just before it waits for the
    // worker: the held worker then sees the stop at the next folder.
    void OpenOnStop(CScanDialog& dialog)
    {
        dialog.SetOnStopRequestedForTesting([this, &dialog] {
            m_bStopSeen = dialog.StopRequested();
            std::lock_guard lock(m_mutex);
            m_bOpen = true;
            m_condition.notify_all();
        });
    }
    // True once the gate was opened by a stop the window had asked for.
    bool OpenedByStop() const { return m_bStopSeen; }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_bHeld = false, m_bHeldOnce = false, m_bOpen = false;
    bool m_bStopSeen = false;   // the window's thread only
};

class ScanDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(TestProfilePath());
        // A mouse, so that tips can be on whatever pointing devices the platform reports; the
        // pointer is over nothing.
        CHelpTipWnd::Platform platform;
        platform.cursorPos = [] { return QPoint(); };
        platform.widgetAt = [](const QPoint&) -> QWidget* { return nullptr; };
        platform.foregroundWindow = []() -> QWidget* { return nullptr; };
        platform.bMousePresent = true;
        m_pDialog = std::make_unique<CScanDialog>(nullptr, std::move(platform));
        ASSERT_TRUE(m_pDialog->Create());
        m_pDialog->show();
        m_pFolder = qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_FOLDER));
        m_pContains = qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_CONTAINS));
        m_pSize = qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_SIZE));
        m_pSelected = qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(IDC_SELECTED));
        m_pList = qobject_cast<CExtListCtrl*>(m_pDialog->GetDlgItem(IDC_EXTLIST));
        m_pScanNow = qobject_cast<QPushButton*>(m_pDialog->GetDlgItem(IDOK));
        m_pStop = qobject_cast<QPushButton*>(m_pDialog->GetDlgItem(IDC_STOP));
        ASSERT_TRUE(m_pFolder && m_pContains && m_pSize && m_pSelected && m_pList && m_pScanNow && m_pStop);
    }

    void TearDown() override { m_pDialog.reset(); }

    // Types the folder, presses "Scan now" and waits for the tick that ends the scan.
    bool Scan(const std::string& folder)
    {
        m_pFolder->setText(QString::fromStdString(folder));
        m_pScanNow->click();
        return QTest::qWaitFor([this] { return !m_pDialog->IsScanning(); }, kScanTimeoutMs);
    }

    static QString ContainsText(const Counts& c)
    {
        return QStringLiteral("%1 Folders,   %2 Files")
            .arg(QString::fromStdString(FormatNumber(c.folders)), QString::fromStdString(FormatNumber(c.files)));
    }
    static QString SizeText(const Counts& c)
    {
        return QStringLiteral("%1 bytes").arg(QString::fromStdString(FormatNumber(c.bytes)));
    }

    std::unique_ptr<CScanDialog> m_pDialog;
    QLineEdit *m_pFolder = nullptr, *m_pContains = nullptr, *m_pSize = nullptr, *m_pSelected = nullptr;
    CExtListCtrl* m_pList = nullptr;
    QPushButton *m_pScanNow = nullptr, *m_pStop = nullptr;
};

TEST_F(ScanDialogTest, EmptyFolderBoxAsksForAFolderAndStartsNothing)
{
    QString caption, text;
    // The message box is modal: read it and close it from the event loop it runs.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = pBox->windowTitle();
            text = pBox->text();
            pBox->accept();
        }
    });
    closer.start(20);
    QTimer::singleShot(10000, [] { // never leave the test hanging on a box nobody closes
        if (QWidget* pModal = QApplication::activeModalWidget())
            pModal->close();
    });
    m_pScanNow->click();
    closer.stop();

    EXPECT_EQ(text, QStringLiteral("Specify folder, please"));
    EXPECT_EQ(caption, QStringLiteral("Kestrum"));
    EXPECT_FALSE(m_pDialog->IsScanning());
    EXPECT_TRUE(m_pScanNow->isEnabled());
    EXPECT_FALSE(m_pStop->isEnabled());
    EXPECT_TRUE(m_pContains->text().isEmpty());
}

TEST_F(ScanDialogTest, FinishedScanShowsTheEngineCountsAndFillsTheList)
{
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 3, 14));
    const Counts expected = EngineCounts(tree.Root());
    ASSERT_EQ(expected.folders, 3u);
    ASSERT_EQ(expected.files, 42u);

    ASSERT_TRUE(Scan(tree.Root()));
    EXPECT_EQ(m_pContains->text(), ContainsText(expected));
    EXPECT_EQ(m_pSize->text(), SizeText(expected));
    EXPECT_EQ(static_cast<std::uint64_t>(m_pList->Table().RowCount()), expected.records);
    EXPECT_TRUE(m_pScanNow->isEnabled());
    EXPECT_FALSE(m_pStop->isEnabled());

    // One trailing "/" is dropped: the same folder, the same results.
    const QString contains = m_pContains->text(), size = m_pSize->text();
    ASSERT_TRUE(Scan(tree.Root() + "/"));
    EXPECT_EQ(m_pContains->text(), contains);
    EXPECT_EQ(m_pSize->text(), size);
    EXPECT_EQ(static_cast<std::uint64_t>(m_pList->Table().RowCount()), expected.records);
}

// A folder that cannot be scanned is said so and shows no results, not the zeros of an empty one;
// the results of the scan before go too.
TEST_F(ScanDialogTest, MissingFolderShowsTheInvalidFolderWarningAndNoResults)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFile("file.txt", 3));
    ASSERT_TRUE(Scan(tree.Root()));
    ASSERT_GT(m_pList->Table().RowCount(), 0);

    for (const std::string& folder : {tree.Path("not-there"), tree.Path("file.txt/below")}) {
        QString text;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = pBox->text();
                pBox->accept();
            }
        });
        closer.start(20);
        QTimer::singleShot(10000, [] {
            if (QWidget* pModal = QApplication::activeModalWidget())
                pModal->close();
        });
        EXPECT_TRUE(Scan(folder));
        closer.stop();
        EXPECT_EQ(text, QStringLiteral("Invalid file folder")) << folder;
        EXPECT_TRUE(m_pContains->text().isEmpty()) << folder;
        EXPECT_TRUE(m_pSize->text().isEmpty()) << folder;
        EXPECT_EQ(m_pList->Table().RowCount(), 0) << folder;
        EXPECT_TRUE(m_pScanNow->isEnabled());
    }
}

// A screen reader names every field, the list and the menu button; each label is its field's buddy.
TEST_F(ScanDialogTest, FieldsListAndMenuButtonHaveAccessibleNamesAndLabelsTheirBuddies)
{
    const struct {
        int nId;
        const char* name;
        const char* label;
    } cases[] = {
        {IDC_FOLDER, "Folder", "Folder:"}, {IDC_CONTAINS, "Contains", "Contains:"}, {IDC_SIZE, "Size", "Size:"},
        {IDC_SELECTED, "Selected", "Selected:"}, {IDC_EXTLIST, "Extensions", nullptr},
        {IDC_OPTIONS, "Options", nullptr}, {IDC_INCOMPLETE, "", nullptr}, // the line's text, empty before a scan
    };
    const QList<QLabel*> labels = m_pDialog->findChildren<QLabel*>();
    for (const auto& c : cases) {
        QWidget* pControl = m_pDialog->GetDlgItem(c.nId);
        ASSERT_NE(pControl, nullptr) << c.name;
        EXPECT_EQ(pControl->accessibleName(), QString::fromUtf8(c.name));
        if (!c.label)
            continue;
        const auto label = std::find_if(labels.begin(), labels.end(),
                                        [&](const QLabel* pLabel) { return pLabel->text() == c.label; });
        ASSERT_NE(label, labels.end()) << c.label;
        EXPECT_EQ((*label)->buddy(), pControl) << c.label;
    }
}

// F5 is "Scan now" wherever the focus is.
TEST_F(ScanDialogTest, F5StartsTheScan)
{
    TempTree tree;
    ASSERT_TRUE(tree.MakeFile("a.txt", 4));
    m_pFolder->setText(QString::fromStdString(tree.Root()));
    m_pDialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDialog.get()));
    m_pList->setFocus();
    QTest::keyClick(m_pList, Qt::Key_F5);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_pList->Table().RowCount() == 1 && !m_pDialog->IsScanning(); }, kScanTimeoutMs));
    EXPECT_EQ(m_pContains->text(), QStringLiteral("0 Folders,   1 Files"));
}

TEST_F(ScanDialogTest, SelectingRowsFillsSelectedAndClearingEmptiesIt)
{
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 1, 7));
    ASSERT_TRUE(Scan(tree.Root()));
    ASSERT_GE(m_pList->Table().RowCount(), 2);

    m_pList->selectAll();
    QString summary;
    m_pList->Table().GetSelectionSummary(summary);
    ASSERT_FALSE(summary.isEmpty());
    EXPECT_EQ(m_pSelected->text(), summary);
    EXPECT_TRUE(m_pSelected->text().endsWith(QStringLiteral("(100%)")));

    m_pList->clearSelection();
    EXPECT_TRUE(m_pSelected->text().isEmpty());
}

// The totals of a row of terabytes, the longest line of the fields, show whole at the window's
// default size: the share at their end is what the user selected them for.
TEST_F(ScanDialogTest, SelectedShowsTheWholeTotalsOfTerabytesAtTheDefaultSize)
{
    TempTree tree;
    constexpr std::uint64_t kTebibyte = std::uint64_t{1} << 40;
    ASSERT_TRUE(tree.MakeFile("disk.img", 9 * kTebibyte));   // sparse
    ASSERT_TRUE(tree.MakeFile("other.iso", kTebibyte));
    ASSERT_TRUE(Scan(tree.Root()));
    m_pList->selectAll();
    ASSERT_FALSE(m_pSelected->text().isEmpty());

    const int nShown = m_pSelected->contentsRect().width() - 2 * m_pSelected->fontMetrics().averageCharWidth();
    EXPECT_LE(m_pSelected->fontMetrics().horizontalAdvance(m_pSelected->text()), nShown)
        << m_pSelected->text().toStdString();
}

TEST_F(ScanDialogTest, NewScanEmptiesSelectedWithTheList)
{
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 1, 7));
    ASSERT_TRUE(Scan(tree.Root()));
    m_pList->selectAll();
    ASSERT_FALSE(m_pSelected->text().isEmpty());

    m_pScanNow->click();
    EXPECT_EQ(m_pList->Table().RowCount(), 0);
    EXPECT_TRUE(m_pSelected->text().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_pDialog->IsScanning(); }, kScanTimeoutMs));
    EXPECT_GT(m_pList->Table().RowCount(), 0);
    EXPECT_TRUE(m_pSelected->text().isEmpty()); // refilled with nothing selected
}

TEST_F(ScanDialogTest, FirstFocusIsTheFirstTabStop)
{
    EXPECT_EQ(m_pDialog->focusWidget(), m_pDialog->GetDlgItem(IDC_FIND));
}

// Buttons switched under the user's hands never leave the focus where Enter would press another
// button than "Scan now": Enter after a scan scans again, Escape still exits.
TEST_F(ScanDialogTest, EnterAfterScanAndStopByMouseStartsTheNextScan)
{
    m_pDialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDialog.get()));
    auto enterPressesAnotherButton = [this] {
        auto* pButton = qobject_cast<QPushButton*>(m_pDialog->focusWidget());
        return pButton && pButton != m_pScanNow;
    };
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 3, 7));
    WorkerGate gate;
    m_pDialog->SetWalkOptionsForTesting(gate.Options());
    m_pFolder->setText(QString::fromStdString(tree.Root()));

    QTest::mouseClick(m_pScanNow, Qt::LeftButton);
    ASSERT_TRUE(gate.WaitUntilHeld());
    EXPECT_FALSE(enterPressesAnotherButton());

    gate.OpenOnStop(*m_pDialog);
    QTest::mouseClick(m_pStop, Qt::LeftButton);
    EXPECT_TRUE(gate.OpenedByStop());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_pDialog->IsScanning(); }, kScanTimeoutMs));
    EXPECT_FALSE(enterPressesAnotherButton());

    QTest::keyClick(m_pDialog->focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(m_pDialog->IsScanning());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_pDialog->IsScanning(); }, kScanTimeoutMs));
    EXPECT_FALSE(enterPressesAnotherButton());
    QTest::keyClick(m_pDialog->focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(m_pDialog->IsScanning());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_pDialog->IsScanning(); }, kScanTimeoutMs));
    EXPECT_TRUE(m_pDialog->isVisible());

    QTest::keyClick(m_pDialog->focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(m_pDialog->isVisible());
}

TEST_F(ScanDialogTest, TypingIntoTheFolderBoxEmptiesTheResults)
{
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 1, 7));
    ASSERT_TRUE(Scan(tree.Root()));
    m_pList->selectAll();
    ASSERT_FALSE(m_pSelected->text().isEmpty());
    ASSERT_GT(m_pList->Table().RowCount(), 0);

    m_pFolder->setFocus();
    QTest::keyClick(m_pFolder, Qt::Key_X);
    EXPECT_TRUE(m_pContains->text().isEmpty());
    EXPECT_TRUE(m_pSize->text().isEmpty());
    EXPECT_TRUE(m_pSelected->text().isEmpty());
    EXPECT_EQ(m_pList->Table().RowCount(), 0);
    EXPECT_EQ(m_pList->Table().TotalFiles(), 0u);
}

TEST_F(ScanDialogTest, TypingIntoTheFolderBoxDuringAScanStopsItAndKeepsTheResultsEmpty)
{
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 5, 7));
    WorkerGate gate;
    m_pDialog->SetWalkOptionsForTesting(gate.Options());
    m_pFolder->setText(QString::fromStdString(tree.Root()));
    m_pScanNow->click();
    ASSERT_TRUE(gate.WaitUntilHeld());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_pContains->text().isEmpty(); }, 2000));

    gate.OpenOnStop(*m_pDialog);
    m_pFolder->setFocus();
    QTest::keyClick(m_pFolder, Qt::Key_X);
    EXPECT_TRUE(gate.OpenedByStop());
    EXPECT_FALSE(m_pDialog->IsScanning());
    EXPECT_TRUE(m_pScanNow->isEnabled());
    EXPECT_FALSE(m_pStop->isEnabled());

    // Ticks later, nothing of the stopped scan comes back under the new folder's name.
    QTest::qWait(1200);
    EXPECT_TRUE(m_pContains->text().isEmpty());
    EXPECT_TRUE(m_pSize->text().isEmpty());
    EXPECT_EQ(m_pList->Table().RowCount(), 0);
}

// A field narrower than its text would show the text's end, the caret's place after writing.
TEST_F(ScanDialogTest, ResultFieldsShowTheirTextFromTheStart)
{
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 2, 7));
    ASSERT_TRUE(Scan(tree.Root()));
    m_pList->selectAll();
    for (QLineEdit* pField : {m_pContains, m_pSize, m_pSelected}) {
        SCOPED_TRACE(pField->text().toStdString());
        EXPECT_FALSE(pField->text().isEmpty());
        EXPECT_EQ(pField->cursorPosition(), 0);
        EXPECT_FALSE(pField->hasSelectedText());
    }
}

TEST_F(ScanDialogTest, StopEndsTheScanWithinATickAndListsWhatWasCounted)
{
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 40, 7));
    const Counts whole = EngineCounts(tree.Root());

    WorkerGate gate;
    m_pDialog->SetWalkOptionsForTesting(gate.Options());
    m_pFolder->setText(QString::fromStdString(tree.Root()));
    m_pScanNow->click();
    ASSERT_TRUE(gate.WaitUntilHeld());
    EXPECT_TRUE(m_pDialog->IsScanning());
    EXPECT_FALSE(m_pScanNow->isEnabled());
    ASSERT_TRUE(m_pStop->isEnabled());

    gate.OpenOnStop(*m_pDialog);
    m_pStop->click(); // blocks until the worker has finished its open listings
    EXPECT_TRUE(gate.OpenedByStop());
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_pScanNow->isEnabled(); }, 2000));
    EXPECT_FALSE(m_pStop->isEnabled());
    EXPECT_FALSE(m_pDialog->IsScanning());

    // The root's listing was finished (every folder counted) but no second subfolder was listed.
    EXPECT_TRUE(m_pContains->text().startsWith(QString::fromStdString(FormatNumber(whole.folders)) + " Folders"));
    EXPECT_NE(m_pContains->text(), ContainsText(whole));
    std::uint64_t listed = 0;
    for (int row = 0; row < m_pList->Table().RowCount(); ++row)
        listed += m_pList->Table().RecordAt(row)->nCount;
    EXPECT_GT(listed, 0u);
    EXPECT_LT(listed, whole.files);
}

TEST_F(ScanDialogTest, ExitDuringAScanStopsWaitsSavesAndCloses)
{
    TempTree tree;
    ASSERT_TRUE(BuildTree(tree, 20, 7));
    WorkerGate gate;
    m_pDialog->SetWalkOptionsForTesting(gate.Options());
    m_pFolder->setText(QString::fromStdString(tree.Root()));
    m_pScanNow->click();
    ASSERT_TRUE(gate.WaitUntilHeld());

    gate.OpenOnStop(*m_pDialog);
    QTest::keyClick(m_pDialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(gate.OpenedByStop());
    EXPECT_FALSE(m_pDialog->IsScanning());
    EXPECT_FALSE(m_pDialog->isVisible());
    EXPECT_EQ(m_pList->Table().RowCount(), 0); // no row outlives the records released on exit

    QSettings settings(TestProfilePath(), QSettings::IniFormat);
    const QString entry = QStringLiteral("Main/Window%1").arg(m_pDialog->GetInstance());
    EXPECT_EQ(settings.value(entry).toString().split(' ').size(), 9) << entry.toStdString();
    // Left as read: a copy writes only the settings changed in it.
    EXPECT_FALSE(settings.contains(QStringLiteral("Main/Help")));
}

} // namespace
