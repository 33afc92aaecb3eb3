// The window's Options menu, help tips, display font, folder dialog, drops and About box, with an
// injected pointer and mouse for the help tip.
#include "CountsText.h"
#include "ExtInfo.h"
#include "Format.h"
#include "ExtListCtrl.h"
#include "ProblemsDlg.h"
#include "ProfileStore.h"
#include "QtTestMain.h"
#include "Resource.h"
#include "ScanDialog.h"
#include "SelectDirDialog.h"
#include "ShownWindow.h"
#include "TempTree.h"
#include "TipRequest.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimerEvent>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class ScanDialogOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(TestProfilePath());
        QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);
    }

    CScanDialog& Open(bool bMousePresent = true)
    {
        m_pDialog.reset();
        CHelpTipWnd::Platform platform;
        platform.cursorPos = [this] { return m_ptPointer; };
        platform.widgetAt = [this](const QPoint&) { return m_pUnder; };
        platform.foregroundWindow = [this]() -> QWidget* { return m_pDialog.get(); };
        platform.bMousePresent = bMousePresent;
        m_pDialog = std::make_unique<CScanDialog>(nullptr, std::move(platform));
        EXPECT_TRUE(m_pDialog->Create());
        m_pDialog->show();
        return *m_pDialog;
    }

    QLineEdit* Field(int nId) const { return qobject_cast<QLineEdit*>(m_pDialog->GetDlgItem(nId)); }
    CExtListCtrl* List() const { return qobject_cast<CExtListCtrl*>(m_pDialog->GetDlgItem(IDC_EXTLIST)); }

    // Two folders with a few files, scanned with "Scan now" until the list is filled.
    bool ScanSmallTree()
    {
        if (!m_tree.MakeFolder("dir0") || !m_tree.MakeFolder("dir1") || !m_tree.MakeFile("dir0/a.txt", 10) ||
            !m_tree.MakeFile("dir0/b.cpp", 20) || !m_tree.MakeFile("dir1/c.txt", 30))
            return false;
        Field(IDC_FOLDER)->setText(QString::fromStdString(m_tree.Root()));
        QWidget* pScanNow = m_pDialog->GetDlgItem(IDOK);
        pScanNow->setFocus();
        QTest::keyClick(pScanNow, Qt::Key_Space);
        return QTest::qWaitFor([this] { return !m_pDialog->IsScanning() && List()->Table().RowCount() > 0; }, 20000);
    }

    static QVariant Stored(const QString& key)
    {
        return QSettings(TestProfilePath(), QSettings::IniFormat).value(QStringLiteral("Main/") + key);
    }

    // Rests the pointer on pWidget for the arrival tick and five still ticks: the tip asks once.
    void RestOn(QWidget* pWidget)
    {
        m_pUnder = pWidget;
        m_ptPointer = pWidget->mapToGlobal(pWidget->rect().center());
        CHelpTipWnd& tip = m_pDialog->HelpTipForTesting();
        for (int i = 0; i < 6; ++i) {
            QTimerEvent tick(tip.GetTimerId());
            QCoreApplication::sendEvent(tip.GetTipWindow(), &tick);
        }
    }

    // Chooses a font in the font dialog that "Font..." opens, or cancels it.
    void ChooseFont(const QFont& font, bool bAccept)
    {
        const auto find = [] { return qobject_cast<QFontDialog*>(QApplication::activeModalWidget()); };
        ASSERT_TRUE(WithShownWindow([this] { m_pDialog->ExecuteCommand(ID_OPTIONS_FONT); }, find, [&](QWidget& dialog) {
            static_cast<QFontDialog&>(dialog).setCurrentFont(font);
            if (bAccept)
                static_cast<QFontDialog&>(dialog).accept();
        }));
    }

    TempTree m_tree;
    std::unique_ptr<CScanDialog> m_pDialog;
    QWidget* m_pUnder = nullptr;
    QPoint m_ptPointer;
};

constexpr int kDataControls[] = {IDC_FOLDER, IDC_CONTAINS, IDC_SIZE, IDC_SELECTED, IDC_EXTLIST};
// The last line of the tip of a line under the list that names paths.
constexpr const char* kOpenHint = "\nClick the line, or press Enter on it, for the paths.";

bool SameFace(const QFont& a, const QFont& b)
{
    return a.family() == b.family() && QFontInfo(a).pixelSize() == QFontInfo(b).pixelSize();
}

// The "Help" setting as stored, with and without a mouse; a first run also shows the default font
// and writes no "Font".
TEST_F(ScanDialogOptionsTest, HelpSettingFollowsWhatTheTipCouldDo)
{
    struct Case {
        const char* name;
        int nStored; // -1: none
        bool bMouse;
        bool bOn;
        const char* written; // null: left as it was
    } const cases[] = {
        {"first run", -1, true, true, nullptr},
        {"stored 0", 0, true, false, "0"},
        {"stored 1, no mouse", 1, false, false, "0"},
    };
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(TestProfilePath());
        if (c.nStored >= 0)
            WriteProfileInt(QStringLiteral("Main"), QStringLiteral("Help"), c.nStored);
        CScanDialog& dialog = Open(c.bMouse);
        EXPECT_EQ(dialog.HelpTipForTesting().IsOn(), c.bOn);
        EXPECT_EQ(dialog.IsCommandEnabled(ID_OPTIONS_HELPTIP), c.bMouse);
        for (const int nId : kDataControls)
            EXPECT_TRUE(SameFace(dialog.GetDlgItem(nId)->font(), general)) << nId;
        dialog.reject();
        if (c.written)
            EXPECT_EQ(Stored(QStringLiteral("Help")).toString(), QLatin1String(c.written));
        else
            EXPECT_FALSE(Stored(QStringLiteral("Help")).isValid());
        EXPECT_FALSE(Stored(QStringLiteral("Font")).isValid());
    }
}

TEST_F(ScanDialogOptionsTest, ConfirmedFontIsStoredAndKeptByDataControlsOnly)
{
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPixelSize(21);
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    ASSERT_NE(chosen.family(), general.family());

    Open();
    ChooseFont(chosen, false);
    EXPECT_FALSE(Stored(QStringLiteral("Font")).isValid()) << "a cancelled dialog wrote the font";
    EXPECT_TRUE(SameFace(Field(IDC_FOLDER)->font(), general));

    ChooseFont(chosen, true);
    EXPECT_TRUE(Stored(QStringLiteral("Font")).isValid());
    m_pDialog->reject();

    // Restarted, then the platform's general font changes: the data controls keep the choice.
    CScanDialog& dialog = Open();
    for (const bool bFontChanged : {false, true}) {
        SCOPED_TRACE(bFontChanged ? "after a font change" : "after a restart");
        if (bFontChanged) {
            QEvent change(QEvent::ApplicationFontChange);
            QCoreApplication::sendEvent(&dialog, &change);
        }
        for (const int nId : kDataControls) {
            EXPECT_EQ(dialog.GetDlgItem(nId)->font().family(), chosen.family()) << nId;
            EXPECT_EQ(dialog.GetDlgItem(nId)->font().pixelSize(), 21) << nId;
        }
        for (const int nId : {IDOK, IDC_FIND, IDC_OPTIONS})
            EXPECT_TRUE(SameFace(dialog.GetDlgItem(nId)->font(), general)) << nId;
    }
}

TEST_F(ScanDialogOptionsTest, ShowHelpTipFromTheRightClickMenuTogglesCheckAndSetting)
{
    CScanDialog& dialog = Open();
    const QPoint background(2, 2); // left of and above every control
    ASSERT_EQ(dialog.childAt(background), nullptr);
    QCursor::setPos(dialog.mapToGlobal(background));

    for (const bool bOnBefore : {true, false}) {
        SCOPED_TRACE(bOnBefore ? "switching off" : "switching on");
        QPoint shownAt;
        QAction* pItem = nullptr;
        bool bChecked = !bOnBefore, bEnabled = false;
        ASSERT_TRUE(WithShownWindow(
            [&] { QTest::mouseClick(&dialog, Qt::RightButton, {}, background); },
            [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
            [&](QWidget& popup) {
                auto& menu = static_cast<QMenu&>(popup);
                shownAt = menu.pos();
                pItem = menu.actions().value(1);
                ASSERT_NE(pItem, nullptr);
                bChecked = pItem->isChecked();
                bEnabled = pItem->isEnabled();
                menu.setActiveAction(pItem);
                QTest::keyClick(&menu, Qt::Key_Return);
            }));
        EXPECT_EQ(shownAt, dialog.mapToGlobal(background));
        EXPECT_EQ(bChecked, bOnBefore);
        EXPECT_TRUE(bEnabled);
        // The chosen command is posted; it runs once the menu has closed.
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.HelpTipForTesting().IsOn() != bOnBefore; }, 5000));
    }
    dialog.reject();
    // Switched off and on again: as read, so not written.
    EXPECT_FALSE(Stored(QStringLiteral("Help")).isValid());

    Open().ExecuteCommand(ID_OPTIONS_HELPTIP);
    m_pDialog->reject();
    EXPECT_EQ(Stored(QStringLiteral("Help")).toString(), QStringLiteral("0"));
}

// Lets each text request through to its receiver and records the answer.
class CTipAnswers : public QObject {
public:
    std::vector<QString> m_answers;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (m_bForwarding || pEvent->type() != TIPREQUEST::EventType())
            return false;
        m_bForwarding = true;
        QCoreApplication::sendEvent(pWatched, pEvent);
        m_bForwarding = false;
        m_answers.push_back(static_cast<TIPREQUEST*>(pEvent)->szText);
        return true;
    }

private:
    bool m_bForwarding = false;
};

TEST_F(ScanDialogOptionsTest, TipTextsByControl)
{
    CScanDialog& dialog = Open();
    ASSERT_TRUE(ScanSmallTree());
    CExtListCtrl* pList = List();

    CTipAnswers answers;
    for (QWidget* pWidget : {static_cast<QWidget*>(&dialog), dialog.GetDlgItem(IDC_FOLDER), dialog.GetDlgItem(IDC_OPTIONS)})
        pWidget->installEventFilter(&answers);
    const struct {
        QWidget* pUnder;
        bool bSelectAll; // for the list
        QString expected; // with bSelectAll: the selection summary; empty: no tip
    } cases[] = {
        {dialog.GetDlgItem(IDC_FIND), false, QStringLiteral("Find folder")},
        {dialog.GetDlgItem(IDC_STOP), false, QStringLiteral("Abort scanning")},
        {dialog.GetDlgItem(IDOK), false, QStringLiteral("Scan now")},
        {dialog.GetDlgItem(IDCANCEL), false, QStringLiteral("Exit the application")},
        {dialog.GetDlgItem(IDC_FOLDER), false, QStringLiteral("Folder to scan")},
        {pList->viewport(), false, QStringLiteral("Scan details")},
        {pList->viewport(), true, QString()},
        {dialog.GetDlgItem(IDC_OPTIONS), false, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << CTemplateDialog::GetDlgCtrlID(c.pUnder) << " " << c.expected.toStdString());
        QString expected = c.expected;
        if (c.bSelectAll) {
            pList->selectAll();
            pList->Table().GetSelectionSummary(expected);
            ASSERT_FALSE(expected.isEmpty());
        } else if (c.pUnder == pList->viewport()) {
            pList->clearSelection();
        }
        answers.m_answers.clear();
        RestOn(c.pUnder);
        ASSERT_EQ(answers.m_answers.size(), 1u);
        EXPECT_EQ(answers.m_answers[0], expected);
        EXPECT_EQ(dialog.HelpTipForTesting().GetTipWindow()->isVisible(), !expected.isEmpty());
    }
}

// The "(none)" row follows the NoExt setting and the Options item, which stores it on Exit.
TEST_F(ScanDialogOptionsTest, NoExtSettingShowsOrHidesTheNoneRow)
{
    ASSERT_TRUE(m_tree.MakeFolder("dir2"));
    ASSERT_TRUE(m_tree.MakeFile("dir2/Makefile", 40));
    const struct {
        int nStored;   // -1: none
        bool bRow;
        const char* written;   // after the item was chosen once
    } cases[] = {{-1, true, "0"}, {0, false, "1"}, {1, true, "0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nStored);
        QFile::remove(TestProfilePath());
        if (c.nStored >= 0)
            WriteProfileInt(QStringLiteral("Main"), QStringLiteral("NoExt"), c.nStored);
        CScanDialog& dialog = Open();
        if (c.nStored < 0) {
            ASSERT_TRUE(ScanSmallTree());
        } else {
            Field(IDC_FOLDER)->setText(QString::fromStdString(m_tree.Root()));
            dialog.ExecuteCommand(ID_OPTIONS_NOEXT);   // both ways, to show the stored value is
            dialog.ExecuteCommand(ID_OPTIONS_NOEXT);   // what the item flips from
            dialog.GetDlgItem(IDOK)->setFocus();
            QTest::keyClick(dialog.GetDlgItem(IDOK), Qt::Key_Space);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsScanning() && List()->Table().RowCount() > 0; }, 20000));
        }
        EXPECT_EQ(dialog.IsCommandChecked(ID_OPTIONS_NOEXT), c.bRow);
        EXPECT_EQ(List()->Table().RowCount(), c.bRow ? 3 : 2);   // .cpp, .txt and perhaps (none)
        dialog.ExecuteCommand(ID_OPTIONS_NOEXT);
        EXPECT_EQ(List()->Table().RowCount(), c.bRow ? 2 : 3);
        EXPECT_EQ(dialog.IsCommandChecked(ID_OPTIONS_NOEXT), !c.bRow);
        dialog.reject();
        EXPECT_EQ(Stored(QStringLiteral("NoExt")).toString(), QLatin1String(c.written));
    }
}

// The walk choices of the Options menu reach the next scan and the settings; "Size on disk"
// switches the list, the "Size:" field and its label over at once.
TEST_F(ScanDialogOptionsTest, WalkChoicesReachTheScanAndSizeOnDiskSwitchesTheShownSizes)
{
    ASSERT_TRUE(m_tree.MakeFolder("dir0") && m_tree.MakeFolder("dir1"));
    ASSERT_TRUE(m_tree.MakeFile("dir0/a.txt", 10) && m_tree.MakeFile("dir0/b.cpp", 20) &&
                m_tree.MakeFile("dir1/c.txt", 30) && m_tree.MakeFile("dir0/sparse.bin", 1 << 20));
    ASSERT_EQ(::link(m_tree.Path("dir0/a.txt").c_str(), m_tree.Path("dir0/link.txt").c_str()), 0);
    WriteProfileInt(QStringLiteral("Main"), QStringLiteral("LinksOnce"), 1);
    CScanDialog& dialog = Open();
    EXPECT_TRUE(dialog.IsCommandChecked(ID_OPTIONS_LINKS_ONCE));
    EXPECT_FALSE(dialog.IsCommandChecked(ID_OPTIONS_ON_DISK));
    dialog.ExecuteCommand(ID_OPTIONS_ONE_FILE_SYSTEM);
    dialog.ExecuteCommand(ID_OPTIONS_ON_DISK);
    // Typed with an empty line and a CR, as pasted from another system.
    const auto find = [] { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); };
    ASSERT_TRUE(WithShownWindow([&] { dialog.ExecuteCommand(ID_OPTIONS_EXCLUDE); }, find, [](QWidget& exclude) {
        QPlainTextEdit* pEdit = exclude.findChild<QPlainTextEdit*>();
        ASSERT_NE(pEdit, nullptr);
        pEdit->setPlainText(QStringLiteral("dir1\n\n*.cpp\r"));
        static_cast<QDialog&>(exclude).accept();
    }));

    Field(IDC_FOLDER)->setText(QString::fromStdString(m_tree.Root()));
    dialog.GetDlgItem(IDOK)->setFocus();
    QTest::keyClick(dialog.GetDlgItem(IDOK), Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsScanning() && List()->Table().RowCount() > 0; }, 20000));
    // dir1 and b.cpp left out, the second link to a.txt not counted again.
    EXPECT_EQ(Field(IDC_CONTAINS)->text().toStdString(), ContainsText(1, 2));
    const auto diskSize = [this](const char* name) {
        struct stat status {};
        EXPECT_EQ(::lstat(m_tree.Path(name).c_str(), &status), 0) << name;
        return static_cast<std::uint64_t>(status.st_blocks) * 512;
    };
    const std::uint64_t diskBytes = diskSize("dir0") + diskSize("dir0/a.txt") + diskSize("dir0/sparse.bin");
    const std::uint64_t bytes = m_tree.SizeOf("dir0") + 10 + (1 << 20);
    ASSERT_NE(diskBytes, bytes);
    QLabel* pSizeLabel = nullptr;
    for (QLabel* pLabel : dialog.findChildren<QLabel*>())
        if (pLabel->buddy() == Field(IDC_SIZE))
            pSizeLabel = pLabel;
    ASSERT_NE(pSizeLabel, nullptr);
    EXPECT_EQ(pSizeLabel->text(), QStringLiteral("On disk:"));
    EXPECT_EQ(Field(IDC_SIZE)->text().toStdString(), SizeText(diskBytes));
    dialog.ExecuteCommand(ID_OPTIONS_ON_DISK);
    EXPECT_EQ(pSizeLabel->text(), QStringLiteral("Size:"));
    EXPECT_EQ(Field(IDC_SIZE)->text().toStdString(), SizeText(bytes));

    dialog.reject();
    EXPECT_EQ(Stored(QStringLiteral("Exclude")).toString(), QStringLiteral("dir1\n*.cpp"));
    EXPECT_EQ(Stored(QStringLiteral("OneFileSystem")).toString(), QStringLiteral("1"));
    EXPECT_FALSE(Stored(QStringLiteral("OnDisk")).isValid()); // switched on and off again
    EXPECT_EQ(Stored(QStringLiteral("LinksOnce")).toString(), QStringLiteral("1"));
}

// The number in "Size:" (or "On disk:") is the one "Save list as..." writes for the same scan:
// JSON "bytes" for the apparent size, "disk_bytes" for the size on disk.
TEST_F(ScanDialogOptionsTest, SizeShownEqualsTheSavedJsonBytesOfTheSameScan)
{
    ASSERT_TRUE(m_tree.MakeFolder("dir0") && m_tree.MakeFile("dir0/a.txt", 10) &&
                m_tree.MakeFile("dir0/sparse.bin", 1 << 20) && m_tree.MakeFile("b.cpp", 5000));
    CScanDialog& dialog = Open();
    Field(IDC_FOLDER)->setText(QString::fromStdString(m_tree.Root()));
    dialog.GetDlgItem(IDOK)->setFocus();
    QTest::keyClick(dialog.GetDlgItem(IDOK), Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsScanning() && List()->Table().RowCount() > 0; }, 20000));

    const std::string saved = m_tree.Path("list.json");
    ASSERT_TRUE(dialog.SaveListTo(QString::fromStdString(saved)));
    QFile file(QString::fromStdString(saved));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    ASSERT_TRUE(json.contains(QStringLiteral("bytes")) && json.contains(QStringLiteral("disk_bytes")));
    // A sparse file makes the two differ, so showing the wrong one cannot pass.
    ASSERT_NE(json.value(QStringLiteral("bytes")).toInteger(), json.value(QStringLiteral("disk_bytes")).toInteger());

    const auto shownNumber = [this] {
        QString digits = Field(IDC_SIZE)->text();
        digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
        return digits.toLongLong();
    };
    const struct {
        bool bOnDisk;
        const char* key;
    } cases[] = {{false, "bytes"}, {true, "disk_bytes"}, {false, "bytes"}};
    for (const auto& c : cases) {
        if (dialog.IsCommandChecked(ID_OPTIONS_ON_DISK) != c.bOnDisk)
            dialog.ExecuteCommand(ID_OPTIONS_ON_DISK);
        EXPECT_EQ(shownNumber(), json.value(QLatin1String(c.key)).toInteger()) << c.key;
    }
}

// The list's menu opens from the keyboard as from the mouse, with Copy, Save list as... and
// Largest files...
TEST_F(ScanDialogOptionsTest, ListMenuOpensFromTheKeyboard)
{
    CScanDialog& dialog = Open();
    ASSERT_TRUE(ScanSmallTree());
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}};
    for (const auto& c : cases) {
        QStringList items;
        const auto find = [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); };
        ASSERT_TRUE(WithShownWindow(
            [&] {
                List()->setFocus();
                QTest::keyClick(List(), c.key, c.modifiers);
            },
            find,
            [&](QWidget& menu) {
                for (const QAction* pAction : menu.actions())
                    items << pAction->text();
                menu.close();
            }))
            << c.key;
        EXPECT_EQ(items, (QStringList{QStringLiteral("&Copy"), QStringLiteral("&Save list as..."),
                                      QStringLiteral("&Largest files...")}));
    }
}

// "Save list as..." writes the folder scanned into the JSON; a failed save says why in a warning.
TEST_F(ScanDialogOptionsTest, SaveListWritesTheScannedFolderOrWarnsWhy)
{
    CScanDialog& dialog = Open();
    ASSERT_TRUE(ScanSmallTree());
    EXPECT_TRUE(dialog.IsCommandEnabled(ID_OPTIONS_SAVELIST));
    const std::string saved = m_tree.Path("list.json");
    ASSERT_TRUE(dialog.SaveListTo(QString::fromStdString(saved)));
    QFile file(QString::fromStdString(saved));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray json = file.readAll();
    EXPECT_TRUE(json.startsWith("{\"format\": 2, \"program\": \"kestrum ")) << json.left(200).toStdString();
    EXPECT_TRUE(json.contains(QByteArray("\"root\": \"") + m_tree.Root().c_str() + "\", \"folders\": 2, "));

    QString warning;
    const auto find = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); };
    ASSERT_TRUE(WithShownWindow([&] { EXPECT_FALSE(dialog.SaveListTo(QString::fromStdString(m_tree.Path("no/list.csv")))); },
                                find, [&](QWidget& box) {
                                    warning = static_cast<QMessageBox&>(box).text();
                                    static_cast<QMessageBox&>(box).accept();
                                }));
    EXPECT_TRUE(warning.contains(QStringLiteral("No such file or directory"))) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("no/list.csv"))) << warning.toStdString();
}

// The line under the list says what the scan could not count, in kestrum-scan's words, and its
// tip gives each part on its own line.
TEST_F(ScanDialogOptionsTest, LineUnderTheListSaysWhatWasNotCounted)
{
    CScanDialog& dialog = Open();
    for (const char* name : {"e1", "e2", "e3"})
        ASSERT_TRUE(m_tree.MakeFolder(name));
    // One thread walks the folders the root listed one after the other: the first one opened takes
    // the others away before they are opened.
    FolderWalkOptions options;
    options.threads = 1;
    const std::string root = m_tree.Root();
    options.onFolderOpened = [root](std::string_view, std::size_t depth) {
        if (depth == 1)
            for (const char* name : {"e1", "e2", "e3"})
                ::rmdir((root + "/" + name).c_str());
    };
    dialog.SetWalkOptionsForTesting(options);
    ASSERT_TRUE(ScanSmallTree());

    auto* pLine = qobject_cast<QLabel*>(dialog.GetDlgItem(IDC_INCOMPLETE));
    ASSERT_NE(pLine, nullptr);
    const ScanCounters& counters = List()->Table().Result().Counters();
    ASSERT_FALSE(counters.IsComplete());
    EXPECT_EQ(dialog.IncompleteTextForTesting().toStdString(), IncompleteText(counters));
    EXPECT_FALSE(pLine->text().isEmpty());
    EXPECT_TRUE(pLine->geometry().top() >= List()->geometry().bottom()) << "the line overlaps the list";

    CTipAnswers answers;
    dialog.installEventFilter(&answers);
    RestOn(pLine);
    ASSERT_EQ(answers.m_answers.size(), 1u);
    EXPECT_EQ(answers.m_answers[0].toStdString(), "The counts leave out:\n" + IncompleteLines(counters) + kOpenHint);

    // A larger window moves the line down with the list's bottom edge and widens it.
    const int width = pLine->width();
    dialog.resize(dialog.size() + QSize(120, 90));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pLine->width() == width + 120; }, 5000));
    EXPECT_GT(pLine->geometry().top(), List()->geometry().bottom());
    EXPECT_LE(pLine->geometry().bottom(), dialog.height());

    // Typing another folder empties the line with the rest of the results.
    Field(IDC_FOLDER)->setText(QStringLiteral("/elsewhere"));
    EXPECT_TRUE(pLine->text().isEmpty());
}

// Folders removed before they are opened and an excluded entry: a line of two parts, which at
// the window's first size is shown on one whole line, shortened with an ellipsis where it must
// be, its details in the tip.
TEST_F(ScanDialogOptionsTest, LineUnderTheListStaysOneWholeLineAtTheFirstSize)
{
    CScanDialog& dialog = Open(false); // no mouse: no help tips, so the line has a plain tip
    for (const char* name : {"e1", "e2", "e3"})
        ASSERT_TRUE(m_tree.MakeFolder(name));
    FolderWalkOptions options;
    options.threads = 1;
    options.excludePatterns = {"*.cpp"};
    const std::string root = m_tree.Root();
    options.onFolderOpened = [root](std::string_view, std::size_t depth) {
        if (depth == 1)
            for (const char* name : {"e1", "e2", "e3"})
                ::rmdir((root + "/" + name).c_str());
    };
    dialog.SetWalkOptionsForTesting(options);
    ASSERT_TRUE(ScanSmallTree());
    auto* pLine = qobject_cast<QLabel*>(dialog.GetDlgItem(IDC_INCOMPLETE));
    ASSERT_NE(pLine, nullptr);
    const ScanCounters& counters = List()->Table().Result().Counters();
    ASSERT_NE(IncompleteText(counters).find("; "), std::string::npos) << "one part only";
    const QFontMetrics metrics = pLine->fontMetrics();
    EXPECT_LE(metrics.horizontalAdvance(pLine->text()), pLine->contentsRect().width()) << pLine->text().toStdString();
    EXPECT_GE(pLine->contentsRect().height(), metrics.height()) << "a half line";
    EXPECT_FALSE(pLine->wordWrap());
    const QString whole = dialog.IncompleteTextForTesting();
    if (pLine->text() != whole) {
        EXPECT_TRUE(pLine->text().endsWith(QChar(0x2026)));
        EXPECT_TRUE(whole.startsWith(pLine->text().chopped(1)));
        EXPECT_EQ(pLine->toolTip().toStdString(), "The counts leave out:\n" + IncompleteLines(counters) + kOpenHint);
    }
    // Wide enough, the whole text shows.
    dialog.resize(dialog.width() + metrics.horizontalAdvance(whole), dialog.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return pLine->text() == whole; }, 5000));
}

// More folders than the paths kept of a kind vanish before they are examined: the line opens, by
// a click, Enter or Space, the list of their paths with the system's reason, then how many more
// there were; Ctrl+C copies the selected rows, or all. Without paths the line is no Tab stop.
TEST_F(ScanDialogOptionsTest, LineUnderTheListOpensThePathsNotCountedAndCopiesThem)
{
    CScanDialog& dialog = Open();
    constexpr int kFolders = static_cast<int>(kMaxProblemsPerKind) + 2;
    for (int i = 0; i < kFolders; ++i)
        ASSERT_TRUE(m_tree.MakeFolder("v" + std::to_string(1000 + i)));
    // At the first subfolder opened, every other "v" folder is taken away before it is examined.
    FolderWalkOptions options;
    options.threads = 1;
    const std::string root = m_tree.Root();
    auto pDone = std::make_shared<bool>(false);
    options.onFolderOpened = [root, pDone](std::string_view name, std::size_t depth) {
        if (depth != 1 || *pDone)
            return;
        *pDone = true;
        for (int i = 0; i < kFolders; ++i)
            if (name != "v" + std::to_string(1000 + i))
                ::rmdir((root + "/v" + std::to_string(1000 + i)).c_str());
    };
    dialog.SetWalkOptionsForTesting(options);
    ASSERT_TRUE(ScanSmallTree());
    const ScanCounters& counters = List()->Table().Result().Counters();
    ASSERT_GT(counters.nVanished, kMaxProblemsPerKind);
    const std::string more = std::to_string(counters.nVanished - kMaxProblemsPerKind);

    auto* pLine = qobject_cast<QLabel*>(dialog.GetDlgItem(IDC_INCOMPLETE));
    ASSERT_NE(pLine, nullptr);
    EXPECT_EQ(pLine->focusPolicy(), Qt::StrongFocus);
    const std::function<void()> opens[] = {
        [pLine] { QTest::mouseClick(pLine, Qt::LeftButton); },
        [pLine] { pLine->setFocus(); QTest::keyClick(pLine, Qt::Key_Return); },
        [pLine] { pLine->setFocus(); QTest::keyClick(pLine, Qt::Key_Space); },
    };
    for (const auto& open : opens) {
        open();
        CProblemsDlg* pProblems = dialog.ProblemsDlgForTesting();
        ASSERT_NE(pProblems, nullptr);
        EXPECT_TRUE(pProblems->isVisible());
        pProblems->close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.ProblemsDlgForTesting() == nullptr; }, 5000));
    }

    pLine->setFocus();
    QTest::keyClick(pLine, Qt::Key_Enter);
    CProblemsDlg* pProblems = dialog.ProblemsDlgForTesting();
    ASSERT_NE(pProblems, nullptr);
    QTreeWidget& list = pProblems->ListForTesting();
    ASSERT_EQ(list.topLevelItemCount(), static_cast<int>(kMaxProblemsPerKind) + 1);
    const QString vanished = QStringLiteral("Gone before it was examined");
    for (int row = 0; row < static_cast<int>(kMaxProblemsPerKind); ++row) {
        const QTreeWidgetItem* pRow = list.topLevelItem(row);
        SCOPED_TRACE(pRow->text(0).toStdString());
        EXPECT_TRUE(pRow->text(0).startsWith(QString::fromStdString(root + "/v")));
        EXPECT_EQ(pRow->text(1), vanished);
        EXPECT_EQ(pRow->text(2), QString::fromLocal8Bit(std::strerror(ENOENT)));
    }
    const QTreeWidgetItem* pMore = list.topLevelItem(static_cast<int>(kMaxProblemsPerKind));
    EXPECT_EQ(pMore->text(0).toStdString(), "... and " + more + " more");
    EXPECT_EQ(pMore->text(1), vanished);

    const auto copied = [&] {
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        return QApplication::clipboard()->text().toStdString();
    };
    const std::string all = copied();
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), static_cast<long>(kMaxProblemsPerKind) + 1);
    list.topLevelItem(static_cast<int>(kMaxProblemsPerKind))->setSelected(true);
    list.topLevelItem(0)->setSelected(true);
    EXPECT_EQ(copied(), list.topLevelItem(0)->text(0).toStdString() + "\tGone before it was examined\t" +
                            std::strerror(ENOENT) + "\n... and " + more + " more\tGone before it was examined\t\n");
    pProblems->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.ProblemsDlgForTesting() == nullptr; }, 5000));

    // Results dropped: nothing to open, no Tab stop.
    Field(IDC_FOLDER)->setText(QStringLiteral("/elsewhere"));
    EXPECT_EQ(pLine->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(pLine, Qt::LeftButton);
    EXPECT_EQ(dialog.ProblemsDlgForTesting(), nullptr);
}

// A stored exclusion pattern with a "/" could never match: "Scan now" names it and starts nothing.
TEST_F(ScanDialogOptionsTest, StoredPatternThatCannotMatchIsNamedAndNothingScanned)
{
    WriteProfileString(QStringLiteral("Main"), QStringLiteral("Exclude"), QStringLiteral("*.tmp\nsrc/build"));
    CScanDialog& dialog = Open();
    ASSERT_TRUE(m_tree.MakeFile("a.txt", 1));
    Field(IDC_FOLDER)->setText(QString::fromStdString(m_tree.Root()));
    QString warning;
    const auto find = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); };
    QWidget* pScanNow = dialog.GetDlgItem(IDOK);
    pScanNow->setFocus();
    ASSERT_TRUE(WithShownWindow([&] { QTest::keyClick(pScanNow, Qt::Key_Space); }, find, [&](QWidget& box) {
        warning = static_cast<QMessageBox&>(box).text();
        static_cast<QMessageBox&>(box).accept();
    }));
    EXPECT_EQ(warning, QStringLiteral("A pattern matches single names, which hold no \"/\":\nsrc/build"));
    EXPECT_FALSE(dialog.IsScanning());
    EXPECT_TRUE(Field(IDC_CONTAINS)->text().isEmpty());
}

// What a screen reader reads as a widget's name: its accessible interface's.
QString AccessibleName(QWidget* pWidget)
{
    QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(pWidget);
    return pInterface ? pInterface->text(QAccessible::Name) : QStringLiteral("(no interface)");
}

// A screen reader reads what the line under the list and the size label say: the line's name is
// its whole text (nothing when it is empty), the size field is named after the size shown.
TEST_F(ScanDialogOptionsTest, ScreenReadersHearWhatTheLineAndTheSizeLabelSay)
{
    CScanDialog& dialog = Open();
    FolderWalkOptions options;
    options.excludePatterns = {"*.cpp"};
    dialog.SetWalkOptionsForTesting(options);
    ASSERT_TRUE(ScanSmallTree());
    QWidget* pLine = dialog.GetDlgItem(IDC_INCOMPLETE);
    const struct {
        const char* step;
        std::function<void()> act;
        QString lineName;
        QString sizeName;
    } steps[] = {
        {"scanned", [] {}, QStringLiteral("1 entry excluded"), QStringLiteral("Size")},
        {"size on disk", [&] { dialog.ExecuteCommand(ID_OPTIONS_ON_DISK); }, QStringLiteral("1 entry excluded"),
         QStringLiteral("Size on disk")},
        {"results dropped", [&] { Field(IDC_FOLDER)->setText(QStringLiteral("/elsewhere")); }, QString(),
         QStringLiteral("Size on disk")},
        {"apparent size", [&] { dialog.ExecuteCommand(ID_OPTIONS_ON_DISK); }, QString(), QStringLiteral("Size")},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        step.act();
        EXPECT_EQ(AccessibleName(pLine), step.lineName);
        EXPECT_EQ(AccessibleName(Field(IDC_SIZE)), step.sizeName);
    }
}

// "Save list as..." asks before replacing the file it will write, whether the name was typed
// with its ending or the filter's ending was added; a new file is written without a question.
TEST_F(ScanDialogOptionsTest, SaveListAsksBeforeReplacingTheFileItWillWrite)
{
    CScanDialog& dialog = Open();
    ASSERT_TRUE(ScanSmallTree());
    const QString csv = QStringLiteral("CSV (*.csv)");
    const QString json = QStringLiteral("JSON (*.json)");
    const struct {
        const char* typed;
        QString filter;
        const char* written;
        bool bExists;
        bool bReplace; // the answer
    } cases[] = {
        {"list", csv, "list.csv", true, false}, {"list.csv", csv, "list.csv", true, false},
        {"list", json, "list.json", true, true}, {"list", csv, "list.csv", true, true},
        {"fresh", csv, "fresh.csv", false, false},
    };
    const auto find = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " " + c.filter.toStdString() + (c.bReplace ? " yes" : " no"));
        const std::string written = m_tree.Path(c.written);
        if (c.bExists) {
            std::ofstream(written) << "old";
        }
        dialog.SetSaveNameChooserForTesting([&](const QString&, QString& filter) {
            filter = c.filter;
            return QString::fromStdString(m_tree.Path(c.typed));
        });
        QString question;
        const bool bAsked = WithShownWindow([&] { dialog.ExecuteCommand(ID_OPTIONS_SAVELIST); }, find, [&](QWidget& box) {
            auto& messageBox = static_cast<QMessageBox&>(box);
            question = messageBox.text();
            messageBox.button(c.bReplace ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        EXPECT_EQ(bAsked, c.bExists);
        if (c.bExists) {
            EXPECT_TRUE(question.contains(QString::fromStdString(written))) << question.toStdString();
        }
        std::ifstream file(written);
        std::ostringstream text;
        text << file.rdbuf();
        if (c.bExists && !c.bReplace)
            EXPECT_EQ(text.str(), "old");
        else
            EXPECT_NE(text.str().find(".txt"), std::string::npos) << text.str();
    }
}

// The save dialog starts in the home folder, then in the folder the last list was saved to.
TEST_F(ScanDialogOptionsTest, SaveDialogStartsInTheFolderLastSavedTo)
{
    CScanDialog& dialog = Open();
    ASSERT_TRUE(ScanSmallTree());
    ASSERT_TRUE(m_tree.MakeFolder("saved"));
    QStringList starts;
    dialog.SetSaveNameChooserForTesting([&](const QString& startFolder, QString&) {
        starts << startFolder;
        return QString::fromStdString(m_tree.Path("saved/list.csv"));
    });
    dialog.ExecuteCommand(ID_OPTIONS_SAVELIST);
    dialog.SetSaveNameChooserForTesting([&](const QString& startFolder, QString&) {
        starts << startFolder;
        return QString();
    });
    dialog.ExecuteCommand(ID_OPTIONS_SAVELIST);
    EXPECT_EQ(starts, (QStringList{QDir::homePath(), QString::fromStdString(m_tree.Path("saved"))}));
}

// "Size on disk" keeps the selected rows selected, and "Selected:" shows their other size.
TEST_F(ScanDialogOptionsTest, SizeOnDiskKeepsTheSelectionAndShowsItsOtherSize)
{
    CScanDialog& dialog = Open();
    ASSERT_TRUE(ScanSmallTree());
    int txtRow = -1;
    for (int row = 0; row < List()->Table().RowCount(); ++row)
        if (List()->Table().RecordAt(row)->szExt == ".txt")
            txtRow = row;
    ASSERT_GE(txtRow, 0);
    List()->selectionModel()->select(List()->model()->index(txtRow, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const auto diskSize = [this](const char* name) {
        struct stat status {};
        EXPECT_EQ(::lstat(m_tree.Path(name).c_str(), &status), 0) << name;
        return static_cast<std::uint64_t>(status.st_blocks) * 512;
    };
    const struct {
        const char* step;
        std::uint64_t bytes;
    } steps[] = {{"on disk", diskSize("dir0/a.txt") + diskSize("dir1/c.txt")}, {"apparent", 40}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        dialog.ExecuteCommand(ID_OPTIONS_ON_DISK);
        const std::vector<const EXTINFO*> selected = List()->Table().SelectedRecords();
        ASSERT_EQ(selected.size(), 1u);
        EXPECT_EQ(selected.front()->szExt, ".txt");
        EXPECT_EQ(List()->Table().SelectedBytes(), step.bytes);
        EXPECT_TRUE(Field(IDC_SELECTED)->text().startsWith(QString::fromStdString("2 files,   " + FormatNumber(step.bytes) + " bytes")))
            << Field(IDC_SELECTED)->text().toStdString();
    }
}

// Two copies share the settings: a copy writes only the settings changed in it (and its own
// window placement), so closing a copy left untouched keeps what the other one changed.
TEST_F(ScanDialogOptionsTest, ACopyWritesOnlyTheSettingsItChanged)
{
    const QString main = QStringLiteral("Main");
    WriteProfileInt(main, QStringLiteral("OnDisk"), 0);
    CScanDialog& dialog = Open();
    // The other copy, meanwhile:
    WriteProfileInt(main, QStringLiteral("OnDisk"), 1);
    WriteProfileInt(main, QStringLiteral("OneFileSystem"), 1);
    WriteProfileInt(main, QStringLiteral("NoExt"), 0);
    WriteProfileInt(main, QStringLiteral("Help"), 0);
    WriteProfileString(main, QStringLiteral("Exclude"), QStringLiteral("node_modules"));
    // This copy:
    dialog.ExecuteCommand(ID_OPTIONS_LINKS_ONCE);
    dialog.reject();
    EXPECT_EQ(Stored(QStringLiteral("OnDisk")).toString(), QStringLiteral("1"));
    EXPECT_EQ(Stored(QStringLiteral("OneFileSystem")).toString(), QStringLiteral("1"));
    EXPECT_EQ(Stored(QStringLiteral("NoExt")).toString(), QStringLiteral("0"));
    EXPECT_EQ(Stored(QStringLiteral("Help")).toString(), QStringLiteral("0"));
    EXPECT_EQ(Stored(QStringLiteral("Exclude")).toString(), QStringLiteral("node_modules"));
    EXPECT_EQ(Stored(QStringLiteral("LinksOnce")).toString(), QStringLiteral("1"));
    EXPECT_TRUE(Stored(QStringLiteral("Window") + QString::number(dialog.GetInstance())).isValid());
}

std::string ReadSource(const char* relative)
{
    std::ifstream file(std::string(KESTRUM_SOURCE_DIR) + "/" + relative);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every entry the program writes, with every setting changed, is named in the manual's FILES and
// in the README's list of settings.
TEST_F(ScanDialogOptionsTest, EveryKeyTheProgramWritesIsInTheManualAndTheReadme)
{
    CScanDialog& dialog = Open();
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPixelSize(17);
    ChooseFont(chosen, true);
    for (const unsigned nId : {ID_OPTIONS_HELPTIP, ID_OPTIONS_NOEXT, ID_OPTIONS_ONE_FILE_SYSTEM, ID_OPTIONS_LINKS_ONCE,
                               ID_OPTIONS_ON_DISK, ID_OPTIONS_BY_TYPE, ID_OPTIONS_HISTORY})
        dialog.ExecuteCommand(nId);
    const auto find = [] { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); };
    ASSERT_TRUE(WithShownWindow([&] { dialog.ExecuteCommand(ID_OPTIONS_EXCLUDE); }, find, [](QWidget& exclude) {
        QPlainTextEdit* pEdit = exclude.findChild<QPlainTextEdit*>();
        ASSERT_NE(pEdit, nullptr);
        pEdit->setPlainText(QStringLiteral("*.tmp"));
        static_cast<QDialog&>(exclude).accept();
    }));
    dialog.reject();

    QSettings settings(TestProfilePath(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Main"));
    const QStringList keys = settings.childKeys();
    EXPECT_GE(keys.size(), 9);
    const std::string manual = ReadSource("man/kestrum.1.in");
    const std::string files = manual.substr(std::min(manual.find(".SH FILES"), manual.size()));
    const std::string readme = ReadSource("README.md");
    ASSERT_FALSE(files.empty());
    ASSERT_FALSE(readme.empty());
    for (QString key : keys) {
        SCOPED_TRACE(key.toStdString());
        while (!key.isEmpty() && key.back().isDigit())
            key.chop(1); // Window1, Window2: one entry per copy
        const std::string name = key.toStdString();
        EXPECT_TRUE(files.find(".B " + name + "\n") != std::string::npos || files.find(".BI " + name + " ") != std::string::npos)
            << "not in the manual's FILES";
        EXPECT_NE(readme.find("`" + name), std::string::npos) << "not in the README";
    }
    EXPECT_EQ(manual.find("Nothing else is kept"), std::string::npos);
}

TEST_F(ScanDialogOptionsTest, FieldsTakeOrRefuseDrops)
{
    Open();
    struct Case {
        const char* name;
        int nId;
        bool bFile;
        QString payload;
        bool bAccepted;
        QString expected;
    } const cases[] = {
        {"text onto the folder box", IDC_FOLDER, false, QStringLiteral("/srv/data"), true, QStringLiteral("/srv/data")},
        {"file onto the folder box", IDC_FOLDER, true, QStringLiteral("/tmp/a b/one.txt"), true,
         QStringLiteral("/tmp/a b/one.txt")},
        {"text onto Contains:", IDC_CONTAINS, false, QStringLiteral("/srv/data"), false, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Field(IDC_FOLDER)->clear();
        QLineEdit* pField = Field(c.nId);
        QMimeData data;
        if (c.bFile)
            data.setUrls({QUrl::fromLocalFile(c.payload)});
        else
            data.setText(c.payload);
        const QPoint point = pField->rect().center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(pField, &enter);
        QDragMoveEvent move(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(pField, &move);
        QDropEvent drop(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(pField, &drop);
        EXPECT_EQ(drop.isAccepted(), c.bAccepted);
        EXPECT_EQ(pField->text(), c.expected);
    }
    // "Selected:" is no drop target.
    for (const int nId : {IDC_FOLDER, IDC_CONTAINS, IDC_SIZE, IDC_SELECTED})
        EXPECT_EQ(Field(nId)->acceptDrops(), nId != IDC_SELECTED) << nId;
}

TEST_F(ScanDialogOptionsTest, AboutBoxIsModalAndClosedByPush)
{
    Open();
    QString caption;
    bool bModal = false, bClosedByPush = false;
    const auto find = [] { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); };
    ASSERT_TRUE(WithShownWindow([this] { m_pDialog->ExecuteCommand(IDM_ABOUTBOX); }, find, [&](QWidget& about) {
        caption = about.windowTitle();
        bModal = about.isModal();
        for (QPushButton* pButton : about.findChildren<QPushButton*>())
            if (pButton->text() == QStringLiteral("Push"))
                pButton->click();
        bClosedByPush = !about.isVisible();
    }));
    EXPECT_EQ(caption, QStringLiteral("About"));
    EXPECT_TRUE(bModal);
    EXPECT_TRUE(bClosedByPush);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ScanDialogOptionsTest, FindReplacesTheFolderOnlyWhenConfirmed)
{
    CScanDialog& dialog = Open();
    ASSERT_TRUE(ScanSmallTree());
    CExtListCtrl* pList = List();
    const QString root = QString::fromStdString(m_tree.Root());
    const QString chosen = QString::fromStdString(m_tree.Path("dir1"));
    const QString contains = Field(IDC_CONTAINS)->text();

    for (const bool bConfirm : {false, true}) {
        SCOPED_TRACE(bConfirm ? "OK" : "Cancel");
        QString title, initial;
        const auto find = [] { return qobject_cast<CSelectDirDialog*>(QApplication::activeModalWidget()); };
        const auto answer = [&](QWidget& folderDialog) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&folderDialog)); // as for a user: set up and shown
            title = folderDialog.windowTitle();
            auto* pBox = folderDialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* pButtons = folderDialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            ASSERT_TRUE(pBox && pButtons);
            initial = pBox->text();
            pBox->setText(chosen);
            pButtons->button(bConfirm ? QDialogButtonBox::Open : QDialogButtonBox::Cancel)->click();
        };
        QWidget* pFind = dialog.GetDlgItem(IDC_FIND);
        pFind->setFocus();
        ASSERT_TRUE(WithShownWindow([&] { QTest::keyClick(pFind, Qt::Key_Space); }, find, answer));
        EXPECT_EQ(title, QStringLiteral("Folder to scan"));
        EXPECT_EQ(initial, root);
        EXPECT_EQ(Field(IDC_FOLDER)->text(), bConfirm ? chosen : root);
        EXPECT_EQ(Field(IDC_CONTAINS)->text(), bConfirm ? QString() : contains);
        EXPECT_EQ(pList->Table().RowCount() == 0, bConfirm);
    }
}

} // namespace
