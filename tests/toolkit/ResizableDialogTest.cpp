#include "ResizableDialog.h"

#include "DialogTemplate.h"
#include "MonitorGeometry.h"
#include "ProfileStore.h"
#include "Resource.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 3000; // every wait below fails the test when this runs out

// A small dialog: an edit that stretches across, a button that moves across, a list that
// stretches down, a button that moves down and a field that stays put.
constexpr ControlTemplate kTestControls[] = {
    {1000, ControlKind::Edit, "", CS_BORDER | CS_TABSTOP, 5, 5, 100, 12},
    {IDOK, ControlKind::DefPushButton, "Go", CS_TABSTOP, 110, 5, 40, 12},
    {1006, ControlKind::ListView, "", CS_REPORT | CS_BORDER | CS_TABSTOP, 5, 20, 100, 40},
    {4, ControlKind::PushButton, "More", CS_TABSTOP, 110, 48, 40, 12},
    {1003, ControlKind::Edit, "", CS_READONLY | CS_TABSTOP, 5, 64, 100, 10},
};
constexpr DialogTemplate kTestTemplate{9001, "Test", 155, 78, "MS Sans Serif", 8,
                                       DS_POPUP | DS_CAPTION | DS_SYSMENU | DS_SIZEFRAME, kTestControls};

enum class Layout { Full, VerticalOnly, None };

class CTestDialog : public CResizableDialog {
public:
    explicit CTestDialog(Layout layout, int nInstance = 1, const DialogTemplate& dialogTemplate = kTestTemplate)
        : CResizableDialog(dialogTemplate, IDR_MAINFRAME, nInstance)
        , m_layout(layout)
    {
    }

protected:
    bool OnInitDialog() override
    {
        CResizableDialog::OnInitDialog();
        if (m_layout == Layout::Full)
            SetLayout({1000}, {IDOK}, {1006}, {4});
        else if (m_layout == Layout::VerticalOnly)
            SetLayout({}, {}, {1006}, {4});
        return true;
    }

private:
    Layout m_layout;
};

// The main dialog's layout on template 102.
class CMainTemplateDialog : public CResizableDialog {
public:
    CMainTemplateDialog()
        : CResizableDialog(IDD_SCAN_DIALOG, IDR_MAINFRAME, 1)
    {
    }

protected:
    bool OnInitDialog() override
    {
        CResizableDialog::OnInitDialog();
        SetLayout({IDC_FOLDER, IDC_CONTAINS, IDC_SIZE, IDC_EXTLIST}, {IDC_FIND, IDC_STOP, IDOK, IDCANCEL, IDC_OPTIONS},
                  {IDC_EXTLIST}, {IDC_OPTIONS});
        return true;
    }
};

const MonitorInfo k1024{{0, 0, 1024, 768}, {0, 0, 1024, 728}};
const MonitorInfo k1280{{0, 0, 1280, 1024}, {0, 0, 1280, 984}};

class ResizableDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_profile = m_folder.filePath(QStringLiteral("Kestrum.ini"));
        SetProfileFileForTesting(m_profile);
        SetMonitorsForTesting({k1024});
    }
    void TearDown() override { ResetMonitorsForTesting(); }

    // Restores `value` into a fresh dialog built for the current monitors; returns LoadPlacement's result.
    bool Restore(CTestDialog& dialog, const QString& value)
    {
        WriteProfileString("Main", "Window1", value);
        dialog.Create();
        return dialog.LoadPlacement("Main", "Window1");
    }

    QTemporaryDir m_folder;
    QString m_profile;
};

TEST_F(ResizableDialogTest, StoredPlacementOnTheSameMonitorIsRestoredAsIs)
{
    CTestDialog dialog(Layout::Full);
    EXPECT_TRUE(Restore(dialog, "100 50 500 400 1 0 0 1024 768"));
    EXPECT_EQ(dialog.GetWindowRect(), (Rect{100, 50, 500, 400})); // (100, 50), 400 × 350
}

TEST_F(ResizableDialogTest, StoredPlacementMovesProportionallyOnAnotherMonitor)
{
    SetMonitorsForTesting({k1280});
    CTestDialog dialog(Layout::Full);
    EXPECT_TRUE(Restore(dialog, "100 50 500 400 1 0 0 1024 768"));
    // 1280 × 100/1024 = 125 and 1024 × 50/768 = 66 (truncated); the size stays.
    EXPECT_EQ(dialog.GetWindowRect(), (Rect{125, 66, 525, 416}));
}

TEST_F(ResizableDialogTest, DockedEdgesKeepTheirDistanceToTheNewMonitor)
{
    SetMonitorsForTesting({k1280});
    CTestDialog left(Layout::Full);
    Restore(left, "20 100 420 400 1 0 0 1024 768");
    EXPECT_EQ(left.GetWindowRect().left, 20);
    EXPECT_EQ(left.GetWindowRect().top, 133); // 1024 × 100/768, not docked

    CTestDialog right(Layout::Full);
    Restore(right, "600 100 1014 400 1 0 0 1024 768");
    EXPECT_EQ(right.GetWindowRect().right, 1270);
    EXPECT_EQ(right.GetWindowRect().Width(), 414);
}

TEST_F(ResizableDialogTest, WindowHangingOverTheNewMonitorIsPulledBackFivePixels)
{
    CTestDialog right(Layout::Full);
    Restore(right, "800 100 1200 400 1 0 0 1280 1024"); // 1024 × 800/1280 + 400 would end at 1040
    EXPECT_EQ(right.GetWindowRect().right, 1024 - 5);
    EXPECT_EQ(right.GetWindowRect().top, 75);

    CTestDialog bottom(Layout::Full);
    Restore(bottom, "100 600 500 950 1 0 0 1280 1024"); // 768 × 600/1024 + 350 would end at 800
    EXPECT_EQ(bottom.GetWindowRect().bottom, 768 - 5);
    EXPECT_EQ(bottom.GetWindowRect().left, 80);
}

TEST_F(ResizableDialogTest, FourNumbersRestoreTheRectangleWithoutProportionalMove)
{
    SetMonitorsForTesting({k1280});
    CTestDialog dialog(Layout::Full);
    EXPECT_TRUE(Restore(dialog, "100 50 500 400"));
    EXPECT_EQ(dialog.GetWindowRect(), (Rect{100, 50, 500, 400}));
    EXPECT_EQ(dialog.GetPlacementMonitorRect(), k1280.rcMonitor);
}

TEST_F(ResizableDialogTest, ValueWithoutAnIntegerLeavesTheWindowAndCountsAsFound)
{
    CTestDialog dialog(Layout::Full);
    dialog.Create();
    dialog.setGeometry(33, 44, 420, 330);
    const Rect before = dialog.GetWindowRect();
    WriteProfileString("Main", "Window1", "left 1 2 3 4");
    EXPECT_TRUE(dialog.LoadPlacement("Main", "Window1"));
    EXPECT_EQ(dialog.GetWindowRect(), before);
    EXPECT_EQ(dialog.GetPlacementRect(), before);
}

TEST_F(ResizableDialogTest, MissingValueCentresTheDialogOnTheWorkArea)
{
    CTestDialog dialog(Layout::Full);
    EXPECT_FALSE(Restore(dialog, ""));
    const Rect window = dialog.GetWindowRect();
    const Rect work = k1024.rcWork;
    EXPECT_LE(std::abs((window.left - work.left) - (work.right - window.right)), 1);
    EXPECT_LE(std::abs((window.top - work.top) - (work.bottom - window.bottom)), 1);
    EXPECT_EQ(dialog.GetPlacementRect(), window);
}

// However odd the stored value, the window starts whole on the work area, no larger than it and
// no smaller than the template.
TEST_F(ResizableDialogTest, OddStoredPlacementsStartOnTheWorkArea)
{
    SetMonitorsForTesting({k1280});
    const Rect work = k1280.rcWork;
    const char* const kValues[] = {
        "-500 -400 -100 -100 1 0 0 1280 1024",
        "5000 5000 5400 5300",
        "100 50 500 400 1 0 0 0 0",
        "1 1 1 1 1 1 1 1 1",
        "0 0 100000 100000 1 0 0 1280 1024",
        "-2147483648 0 2147483647 100 1 0 0 1 1",
        "2147483647 2147483647 2147483647 2147483647 1 2147483647 2147483647 2147483647 2147483647",
        "-2147483648 -2147483648 -2147483648 -2147483648 1 -2147483648 -2147483648 -2147483648 -2147483648",
        "-2147483648 -2147483648 2147483647 2147483647 1 0 0 1280 1024",
        "2147483647 -2147483648 -2147483648 2147483647",
    };
    for (const char* value : kValues) {
        CTestDialog dialog(Layout::Full);
        EXPECT_TRUE(Restore(dialog, value)) << value;
        const Rect window = dialog.GetWindowRect();
        EXPECT_GE(window.left, work.left) << value;
        EXPECT_GE(window.top, work.top) << value;
        EXPECT_LE(window.right, work.right) << value;
        EXPECT_LE(window.bottom, work.bottom) << value;
        EXPECT_GE(dialog.size().width(), dialog.minimumWidth()) << value;
        EXPECT_GE(dialog.size().height(), dialog.minimumHeight()) << value;
    }
}

TEST_F(ResizableDialogTest, PlacementIsSavedUnderWindowAndTheInstanceNumberAndReadBack)
{
    {
        CTestDialog dialog(Layout::Full, 3);
        dialog.Create();
        WriteProfileString("Main", "Window3", "150 120 560 440 1 0 0 1024 768");
        EXPECT_TRUE(dialog.LoadPlacementById(IDS_SECTION_MAIN, IDS_ENTRY_WINDOW));
        WriteProfileString("Main", "Window3", ""); // what follows is written by SavePlacementById
        EXPECT_TRUE(dialog.SavePlacementById(IDS_SECTION_MAIN, IDS_ENTRY_WINDOW));
        EXPECT_FALSE(dialog.SavePlacementById(IDS_SECTION_MAIN, 3999)); // no such string
    }
    const QSettings file(m_profile, QSettings::IniFormat);
    EXPECT_EQ(file.value("Main/Window3").toString(), "150 120 560 440 1 0 0 1024 768");

    CTestDialog again(Layout::Full, 3);
    again.Create();
    EXPECT_TRUE(again.LoadPlacementById(IDS_SECTION_MAIN, IDS_ENTRY_WINDOW));
    EXPECT_EQ(again.GetWindowRect(), (Rect{150, 120, 560, 440}));
}

TEST_F(ResizableDialogTest, ResizingMovesAndStretchesTheListedControls)
{
    CTestDialog dialog(Layout::Full);
    dialog.show();
    auto geometry = [&dialog](int nId) { return dialog.GetDlgItem(nId)->geometry(); };
    const QRect edit = geometry(1000), go = geometry(IDOK), list = geometry(1006), more = geometry(4),
                field = geometry(1003);
    const QSize target = dialog.size() + QSize(30, 20);

    dialog.resize(target);
    ASSERT_TRUE(QTest::qWaitFor([&] { return geometry(1000).width() == edit.width() + 30; }, kWaitMs));
    EXPECT_EQ(dialog.size(), target);
    EXPECT_EQ(geometry(1000), edit.adjusted(0, 0, 30, 0));
    EXPECT_EQ(geometry(IDOK), go.translated(30, 0));
    EXPECT_EQ(geometry(1006), list.adjusted(0, 0, 0, 20));
    EXPECT_EQ(geometry(4), more.translated(0, 20));
    EXPECT_EQ(geometry(1003), field);
}

TEST_F(ResizableDialogTest, SizeLimitsFollowTheTemplateSizeAndTheLayout)
{
    CTestDialog full(Layout::Full);
    full.Create();
    const QSize initial = full.size();
    full.resize(10, 10);
    EXPECT_EQ(full.size(), initial);

    CTestDialog vertical(Layout::VerticalOnly);
    vertical.Create();
    vertical.resize(initial + QSize(30, 20));
    EXPECT_EQ(vertical.size(), initial + QSize(0, 20));

    CTestDialog none(Layout::None);
    none.Create();
    none.resize(initial + QSize(30, 20));
    EXPECT_EQ(none.size(), initial);
}

TEST_F(ResizableDialogTest, FinishedUserMovesAreRecordedAndProgramMovesAreNot)
{
    CTestDialog dialog(Layout::Full);
    Restore(dialog, "100 50 500 400 1 0 0 1024 768");
    dialog.show();
    // The show and the restore come to rest without counting as moves by the user.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsSizeMoveSettling(); }, kWaitMs));
    EXPECT_EQ(dialog.GetPlacementRect(), (Rect{100, 50, 500, 400}));

    dialog.move(200, 150);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.GetPlacementRect().left == 200; }, kWaitMs));
    EXPECT_EQ(dialog.GetPlacementRect(), dialog.GetWindowRect());
}

TEST_F(ResizableDialogTest, DisplayChangeFitsTheWindowAgain)
{
    CTestDialog dialog(Layout::Full);
    Restore(dialog, "100 50 500 400 1 0 0 1024 768");
    dialog.show();
    SetMonitorsForTesting({k1280});
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    emit screen->geometryChanged(screen->geometry());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.GetWindowRect().left == 125; }, kWaitMs));
    EXPECT_EQ(dialog.GetWindowRect().top, 66);
}

TEST_F(ResizableDialogTest, ChildrenGetTheMessageFontAndEditMarginsAgainAfterAFontChange)
{
    CTestDialog dialog(Layout::Full);
    dialog.Create();
    auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(1000));
    ASSERT_NE(edit, nullptr);
    const QFont message = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    EXPECT_EQ(edit->font(), message);
    EXPECT_EQ(edit->textMargins(), QMargins(1, 0, 1, 0));

    QFont large = message;
    large.setPointSize(message.pointSize() + 10);
    edit->setFont(large);
    edit->setTextMargins(0, 0, 0, 0);
    QEvent change(QEvent::ApplicationFontChange);
    QCoreApplication::sendEvent(&dialog, &change);
    EXPECT_EQ(edit->font(), message);
    EXPECT_EQ(edit->textMargins(), QMargins(1, 0, 1, 0));
}

TEST_F(ResizableDialogTest, GripIsDrawnOnlyWhenTheDialogCanResize)
{
    CMainTemplateDialog dialog;
    dialog.show();
    const QImage image = dialog.grab().toImage();

    const Rect grip = dialog.GetGripRect();
    ASSERT_FALSE(grip.IsEmpty());
    EXPECT_EQ(grip.right, dialog.width());
    EXPECT_EQ(grip.bottom, dialog.height());
    EXPECT_EQ(grip.Width(), dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &dialog));

    CTestDialog fixed(Layout::None);
    fixed.show();
    const QImage plain = fixed.grab().toImage();
    EXPECT_TRUE(fixed.GetGripRect().IsEmpty());

    // The grip's corner differs from the background there; the fixed dialog's corner is plain.
    auto corner = [](const QImage& picture, int extent) {
        const QRgb background = picture.pixel(picture.width() - extent - 2, picture.height() - 1);
        int nDifferent = 0;
        for (int y = picture.height() - extent; y < picture.height(); ++y)
            for (int x = picture.width() - extent; x < picture.width(); ++x)
                nDifferent += picture.pixel(x, y) != background;
        return nDifferent;
    };
    EXPECT_GT(corner(image, static_cast<int>(grip.Width())), 0);
    EXPECT_EQ(corner(plain, static_cast<int>(grip.Width())), 0);
}

TEST(CountInstancesTest, SecondRunningCopyCountsOneMore)
{
    QProcess first;
    QProcess second;
    auto start = [](QProcess& process) {
        process.start(QStringLiteral(KESTRUM_INSTANCE_PROBE), QStringList());
        if (!process.waitForStarted(kWaitMs) || !process.waitForReadyRead(kWaitMs))
            return -1;
        return process.readLine().trimmed().toInt();
    };
    const int nFirst = start(first);
    const int nSecond = start(second);
    for (QProcess* process : {&first, &second}) {
        process->closeWriteChannel();
        EXPECT_TRUE(process->waitForFinished(kWaitMs));
    }
    EXPECT_GE(nFirst, 1);
    EXPECT_EQ(nSecond, nFirst + 1);
    EXPECT_GE(CResizableDialog::CountInstances(), 1); // the test program itself
}

} // namespace
