#include "SelectDirDialog.h"

#include "Resource.h"
#include "ResourceString.h"
#include "TempTree.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

namespace {

constexpr int kWaitMs = 5000;

struct BoxSeen {
    bool bSeen = false;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Runs `action`; a message box it opens is read and closed from inside its own modal loop.
BoxSeen CloseMessageBoxDuring(const std::function<void()>& action)
{
    BoxSeen seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = {true, pBox->windowTitle(), pBox->text(), pBox->icon()};
            pBox->accept();
        }
    });
    closer.start(10);
    action();
    return seen;
}

QString WorkingDirectory()
{
    return QString::fromStdString(std::filesystem::current_path().string());
}

std::string DfTarget(const std::string& folder)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("df --output=target '" + folder + "' | tail -n 1").c_str(), "r"),
                                               &pclose);
    char line[4096] = {};
    if (!pipe || !fgets(line, sizeof line, pipe.get()))
        return {};
    std::string target = line;
    if (!target.empty() && target.back() == '\n')
        target.pop_back();
    return target;
}

class SelectDirDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_startDir = WorkingDirectory();
        ASSERT_FALSE(m_tree.Root().empty());
        ASSERT_TRUE(m_tree.MakeFolder("sub"));
        ASSERT_TRUE(m_tree.MakeFile("a.txt", 10));
        ASSERT_TRUE(m_tree.MakeFile("README", 5));
        m_root = QString::fromStdString(m_tree.Root());
    }
    void TearDown() override { QDir::setCurrent(m_startDir); }

    static QLineEdit* Box(CSelectDirDialog& dialog) { return dialog.findChild<QLineEdit*>("fileNameEdit"); }
    // The file view on show: the list or the detail view, whichever the dialog's mode shows.
    static QAbstractItemView* List(CSelectDirDialog& dialog)
    {
        auto* pDetails = dialog.findChild<QAbstractItemView*>("treeView");
        return pDetails && pDetails->isVisible() ? pDetails : dialog.findChild<QAbstractItemView*>("listView");
    }
    static QDialogButtonBox* Buttons(CSelectDirDialog& dialog)
    {
        return dialog.findChild<QDialogButtonBox*>("buttonBox");
    }
    static QPushButton* PropertiesButton(CSelectDirDialog& dialog)
    {
        for (QAbstractButton* pButton : Buttons(dialog)->buttons())
            if (Buttons(dialog)->buttonRole(pButton) == QDialogButtonBox::HelpRole)
                return qobject_cast<QPushButton*>(pButton);
        return nullptr;
    }

    // Runs the dialog modally with `steps` inside its loop; the steps must end it. Steps that leave
    // it open, or are still running past the bound, fail the test and the dialog is ended.
    static int Run(CSelectDirDialog& dialog, const std::function<void()>& steps)
    {
        bool bLeftOpen = false;
        QTimer::singleShot(0, &dialog, [&] {
            dialog.activateWindow(); // so that a click moves the focus, as for a user
            if (!QTest::qWaitForWindowActive(&dialog, kWaitMs))
                ADD_FAILURE() << "the dialog never became active";
            steps();
            if (dialog.isVisible()) {
                bLeftOpen = true;
                dialog.done(-1);
            }
        });
        bool bTimedOut = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&] {
            bTimedOut = true;
            // A message box nobody expected would hold the steps inside its own loop.
            while (QWidget* pModal = QApplication::activeModalWidget()) {
                if (pModal == &dialog)
                    break;
                pModal->close();
            }
            dialog.done(-1);
        });
        watchdog.start(3 * kWaitMs);
        const int nResult = dialog.DoModal();
        EXPECT_FALSE(bTimedOut) << "the steps did not finish in time";
        EXPECT_FALSE(bLeftOpen) << "the steps did not end the dialog";
        return nResult;
    }

    // Waits until the file list shows the browsed folder's entries, then returns the one named.
    static QModelIndex ListedEntry(CSelectDirDialog& dialog, const QString& name)
    {
        QAbstractItemView* pList = List(dialog);
        QModelIndex found;
        const bool bListed = QTest::qWaitFor(
            [&] {
                const QAbstractItemModel* pModel = pList->model();
                for (int row = 0; row < pModel->rowCount(pList->rootIndex()); ++row) {
                    const QModelIndex index = pModel->index(row, 0, pList->rootIndex());
                    if (index.data().toString() == name)
                        found = index;
                }
                return found.isValid() && !pList->visualRect(found).isEmpty();
            },
            kWaitMs);
        EXPECT_TRUE(bListed) << name.toStdString() << " never appeared in the list";
        return found;
    }

    // What a double click or Return on a listed folder does: the list reports it activated.
    static void Enter(CSelectDirDialog& dialog, const QString& name)
    {
        const QModelIndex index = ListedEntry(dialog, name);
        ASSERT_TRUE(index.isValid());
        emit List(dialog)->activated(index);
    }

    static void Confirm(CSelectDirDialog& dialog, const QString& boxText)
    {
        Box(dialog)->setText(boxText);
        QPushButton* pOpen = Buttons(dialog)->button(QDialogButtonBox::Open);
        ASSERT_NE(pOpen, nullptr);
        ASSERT_TRUE(pOpen->isEnabled());
        pOpen->click();
    }

    QString m_startDir;
    TempTree m_tree;
    QString m_root;
};

TEST_F(SelectDirDialogTest, LabelsAndTheBoxFollowingTheBrowsedFolder)
{
    CSelectDirDialog dialog(QString(), LoadQString(IDS_FOLDER_FILTER), m_root, true);
    Run(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "Select file folder");
        QLabel* pLabel = dialog.findChild<QLabel*>("fileNameLabel");
        ASSERT_NE(pLabel, nullptr);
        EXPECT_EQ(pLabel->text(), "Folder:");
        ASSERT_NE(PropertiesButton(dialog), nullptr);
        EXPECT_EQ(PropertiesButton(dialog)->text(), "Properties...");
        EXPECT_EQ(Box(dialog)->text(), m_root);

        // "*.*" lists every file, names without a dot too.
        const QModelIndex readme = ListedEntry(dialog, "README");
        ASSERT_TRUE(readme.isValid());
        EXPECT_TRUE(readme.flags() & Qt::ItemIsEnabled);

        // A file picked in the list does not stay in the box.
        const QModelIndex file = ListedEntry(dialog, "a.txt");
        QTest::mouseClick(List(dialog)->viewport(), Qt::LeftButton, {}, List(dialog)->visualRect(file).center());
        EXPECT_TRUE(List(dialog)->selectionModel()->isSelected(file));
        EXPECT_EQ(Box(dialog)->text(), m_root);

        // Entering a folder shows it in the box and makes it the working directory.
        Enter(dialog, "sub");
        EXPECT_TRUE(QTest::qWaitFor([&] { return Box(dialog)->text() == m_root + "/sub"; }, kWaitMs))
            << Box(dialog)->text().toStdString();
        EXPECT_EQ(WorkingDirectory(), m_root + "/sub");
        dialog.reject();
    });
}

TEST_F(SelectDirDialogTest, ConfirmingReturnsTheFolderInTheBox)
{
    // A folder path longer than any fixed buffer of old.
    std::string longPath = "sub";
    for (int i = 0; i < 6; ++i) {
        longPath += "/" + std::string(60, static_cast<char>('a' + i));
        ASSERT_TRUE(m_tree.MakeFolder(longPath));
    }
    const struct {
        QString boxText, expected;
    } cases[] = {
        {m_root + "/sub/", m_root + "/sub"},
        {m_root + "/sub", m_root + "/sub"},
        {"sub/", m_root + "/sub"},
        {"/", "/"},
        {m_root + "/a.txt", m_root},
        {"README", m_root},
        {QString::fromStdString(m_tree.Path(longPath)) + "/", QString::fromStdString(m_tree.Path(longPath))},
    };
    for (const auto& c : cases) {
        CSelectDirDialog dialog(QString(), QString(), m_root, true);
        EXPECT_EQ(Run(dialog, [&] { Confirm(dialog, c.boxText); }), QDialog::Accepted) << c.boxText.toStdString();
        EXPECT_EQ(dialog.GetSelectedFolder(), c.expected) << c.boxText.toStdString();
    }
}

TEST_F(SelectDirDialogTest, FoldersThatCannotBeListedAreRefusedAndTheDialogStaysOpen)
{
    ASSERT_TRUE(m_tree.MakeFolder("locked"));
    ASSERT_EQ(chmod(m_tree.Path("locked").c_str(), 0), 0);
    const std::string locked = m_tree.Path("locked");
    const QString cases[] = {m_root + "/missing", m_root + "/a.txt/inside", QString::fromStdString(locked)};
    for (const QString& boxText : cases) {
        CSelectDirDialog dialog(QString(), QString(), m_root, true);
        // As root the locked folder opens; the check answers as it does for an unprivileged user.
        dialog.SetListingCheck([&](const std::string& folder) {
            return folder != locked && CSelectDirDialog::CanListFolder(folder);
        });
        const int nResult = Run(dialog, [&] {
            const BoxSeen seen = CloseMessageBoxDuring([&] { Confirm(dialog, boxText); });
            EXPECT_TRUE(seen.bSeen) << boxText.toStdString();
            EXPECT_EQ(seen.text, "Invalid file folder");
            EXPECT_EQ(seen.caption, "Kestrum");
            EXPECT_EQ(seen.icon, QMessageBox::Warning);
            EXPECT_TRUE(dialog.isVisible()) << boxText.toStdString();
            // Properties of a folder that cannot be listed: the same message, no properties box.
            const BoxSeen properties = CloseMessageBoxDuring([&] { PropertiesButton(dialog)->click(); });
            EXPECT_EQ(properties.text, "Invalid file folder");
            dialog.reject();
        });
        EXPECT_EQ(nResult, QDialog::Rejected);
        EXPECT_TRUE(dialog.GetSelectedFolder().isEmpty());
    }
    chmod(m_tree.Path("locked").c_str(), 0755);
}

TEST_F(SelectDirDialogTest, WorkingDirectoryAfterTheDialog)
{
    const QString sub = m_root + "/sub";
    const struct {
        const char* name;
        QString initialFolder;
        bool bRestore;
        bool bBrowse;
        QString whileOpen, after; // empty: where the test started
    } cases[] = {
        {"restored after browsing", m_root, true, true, m_root, QString()},
        {"left at the last folder", m_root, false, true, m_root, sub},
        {"left at the initial folder", m_root, false, false, m_root, m_root},
        {"empty initial folder", "", false, false, QString(), QString()},
        {"null initial folder", QString(), true, false, QString(), QString()},
    };
    for (const auto& c : cases) {
        const QString whileOpen = c.whileOpen.isEmpty() ? m_startDir : c.whileOpen;
        const QString after = c.after.isEmpty() ? m_startDir : c.after;
        CSelectDirDialog dialog(QString(), QString(), c.initialFolder, c.bRestore);
        const int nResult = Run(dialog, [&] {
            EXPECT_EQ(WorkingDirectory(), whileOpen) << c.name;
            EXPECT_EQ(Box(dialog)->text(), whileOpen) << c.name;
            if (c.bBrowse) {
                Enter(dialog, "sub");
                EXPECT_TRUE(QTest::qWaitFor([&] { return WorkingDirectory() == sub; }, kWaitMs)) << c.name;
            }
            Buttons(dialog)->button(QDialogButtonBox::Cancel)->click();
        });
        EXPECT_EQ(nResult, QDialog::Rejected) << c.name;
        EXPECT_TRUE(dialog.GetSelectedFolder().isEmpty()) << c.name;
        EXPECT_EQ(WorkingDirectory(), after) << c.name;
        QDir::setCurrent(m_startDir);
    }
}

TEST_F(SelectDirDialogTest, PropertiesBoxNamesTheMountAndKeepsTheResult)
{
    CSelectDirDialog dialog(QString(), QString(), m_root + "/sub", false);
    const int nResult = Run(dialog, [&] {
        const BoxSeen seen = CloseMessageBoxDuring([&] { PropertiesButton(dialog)->click(); });
        EXPECT_TRUE(seen.bSeen);
        EXPECT_EQ(seen.caption.toStdString(), "(" + DfTarget(m_tree.Path("sub")) + ") properties");
        EXPECT_EQ(seen.icon, QMessageBox::Information);
        EXPECT_TRUE(seen.text.contains(" capacity\n")) << seen.text.toStdString();
        EXPECT_TRUE(seen.text.contains("\n\nFile system = ")) << seen.text.toStdString();
        EXPECT_TRUE(dialog.GetSelectedFolder().isEmpty());
        EXPECT_TRUE(dialog.isVisible());
        Confirm(dialog, Box(dialog)->text());
    });
    EXPECT_EQ(nResult, QDialog::Accepted);
    EXPECT_EQ(dialog.GetSelectedFolder(), m_root + "/sub");
}

} // namespace
