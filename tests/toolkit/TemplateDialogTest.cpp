#include "TemplateDialog.h"

#include "DialogTemplate.h"
#include "Resource.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Counts the commands that reach the dialog.
class CCommandDialog : public CTemplateDialog {
public:
    using CTemplateDialog::CTemplateDialog;
    std::vector<int> m_anCommands;

protected:
    bool OnCommand(int nId) override
    {
        m_anCommands.push_back(nId);
        return CTemplateDialog::OnCommand(nId);
    }
};

int Pixels(int units, int base, int divisor)
{
    return static_cast<int>(std::lround(units * base / static_cast<double>(divisor)));
}

TEST(TemplateDialogTest, MainTemplateMakesItsControlsInDialogUnits)
{
    CTemplateDialog dialog(IDD_SCAN_DIALOG);
    ASSERT_TRUE(dialog.Create());
    const int bx = dialog.GetBaseUnits().width();
    const int by = dialog.GetBaseUnits().height();
    ASSERT_GT(bx, 0);
    ASSERT_GT(by, 0);

    EXPECT_EQ(dialog.windowTitle(), "Kestrum");
    EXPECT_EQ(dialog.size(), QSize(Pixels(224, bx, 4), Pixels(144, by, 8)));
    EXPECT_EQ(dialog.GetDlgItem(IDC_FOLDER)->geometry(),
              QRect(Pixels(40, bx, 4), Pixels(5, by, 8), Pixels(135, bx, 4), Pixels(12, by, 8)));
    EXPECT_EQ(dialog.GetDlgItem(IDC_EXTLIST)->geometry(),
              QRect(Pixels(5, bx, 4), Pixels(65, by, 8), Pixels(170, bx, 4), Pixels(63, by, 8)));
    // The line of what a scan could not count sits under the list, clear of it and of the buttons.
    EXPECT_EQ(dialog.GetDlgItem(IDC_INCOMPLETE)->geometry(),
              QRect(Pixels(5, bx, 4), Pixels(131, by, 8), Pixels(215, bx, 4), Pixels(10, by, 8)));
    EXPECT_GT(dialog.GetDlgItem(IDC_INCOMPLETE)->geometry().top(), dialog.GetDlgItem(IDC_EXTLIST)->geometry().bottom());
    EXPECT_GT(dialog.GetDlgItem(IDC_INCOMPLETE)->geometry().top(), dialog.GetDlgItem(IDC_OPTIONS)->geometry().bottom());

    auto* scan = qobject_cast<QPushButton*>(dialog.GetDlgItem(IDOK));
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->text(), "Scan now");
    EXPECT_TRUE(scan->isDefault());
    EXPECT_FALSE(qobject_cast<QPushButton*>(dialog.GetDlgItem(IDC_FIND))->isDefault());
    EXPECT_EQ(qobject_cast<QPushButton*>(dialog.GetDlgItem(IDC_OPTIONS))->text(), "Options...");

    auto* contains = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_CONTAINS));
    ASSERT_NE(contains, nullptr);
    EXPECT_TRUE(contains->isReadOnly());
    EXPECT_FALSE(contains->hasFrame());
    auto* folder = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_FOLDER));
    ASSERT_NE(folder, nullptr);
    EXPECT_FALSE(folder->isReadOnly());
    EXPECT_TRUE(folder->hasFrame());
    EXPECT_NE(qobject_cast<QTreeWidget*>(dialog.GetDlgItem(IDC_EXTLIST)), nullptr);

    EXPECT_EQ(CTemplateDialog::GetDlgCtrlID(dialog.GetDlgItem(IDC_SIZE)), IDC_SIZE);
    EXPECT_EQ(dialog.GetDlgItem(4711), nullptr);

    // The labels have no id; "Folder:" is centred vertically, "Contains:" is not.
    int nLabels = 0;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label == dialog.GetDlgItem(IDC_INCOMPLETE))
            continue;
        EXPECT_EQ(CTemplateDialog::GetDlgCtrlID(label), kStaticId);
        if (label->text() == "Folder:") {
            EXPECT_TRUE(label->alignment() & Qt::AlignVCenter);
        }
        if (label->text() == "Contains:") {
            EXPECT_TRUE(label->alignment() & Qt::AlignTop);
        }
        ++nLabels;
    }
    EXPECT_EQ(nLabels, 4);
}

TEST(TemplateDialogTest, BoundWidgetsPlayTheirControls)
{
    QLineEdit folder;
    QTreeWidget list;
    CTemplateDialog dialog(IDD_SCAN_DIALOG);
    dialog.BindControl(IDC_FOLDER, &folder);
    dialog.BindControl(IDC_EXTLIST, &list);
    ASSERT_TRUE(dialog.Create());

    EXPECT_EQ(dialog.GetDlgItem(IDC_FOLDER), &folder);
    EXPECT_EQ(dialog.GetDlgItem(IDC_EXTLIST), &list);
    EXPECT_EQ(folder.parentWidget(), &dialog);
    EXPECT_TRUE(folder.hasFrame());
    EXPECT_FALSE(list.rootIsDecorated());
    EXPECT_EQ(CTemplateDialog::GetDlgCtrlID(&list), IDC_EXTLIST);
    EXPECT_EQ(list.geometry().topLeft(), dialog.MapDialogRect(QRect(5, 65, 170, 63)).topLeft());
}

TEST(TemplateDialogTest, TabOrderFollowsTheTemplateAndSkipsControlsWithoutTabStop)
{
    CTemplateDialog dialog(IDD_SCAN_DIALOG);
    ASSERT_TRUE(dialog.Create());
    std::vector<int> anOrder;
    QWidget* widget = dialog.GetDlgItem(IDC_FIND);
    for (int i = 0; i < 40 && anOrder.size() < 9; ++i, widget = widget->nextInFocusChain()) {
        const int nId = CTemplateDialog::GetDlgCtrlID(widget);
        if (nId != kStaticId && (widget->focusPolicy() & Qt::TabFocus))
            anOrder.push_back(nId);
    }
    EXPECT_EQ(anOrder, (std::vector<int>{IDC_FIND, IDOK, IDCANCEL, IDC_FOLDER, IDC_CONTAINS, IDC_SIZE, IDC_EXTLIST,
                                         IDC_OPTIONS, IDC_SELECTED}));
    EXPECT_FALSE(dialog.GetDlgItem(IDC_STOP)->focusPolicy() & Qt::TabFocus);
}

TEST(TemplateDialogTest, ButtonsEnterAndEscapeReachTheCommands)
{
    CCommandDialog dialog(IDD_SCAN_DIALOG);
    dialog.show();
    ASSERT_TRUE(dialog.IsCreated());

    qobject_cast<QPushButton*>(dialog.GetDlgItem(IDC_FIND))->click();
    EXPECT_EQ(dialog.m_anCommands, std::vector<int>{IDC_FIND});
    EXPECT_TRUE(dialog.isVisible());

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), IDCANCEL);
}

TEST(TemplateDialogTest, AboutBoxClosesWithEnterThroughItsDefaultButton)
{
    CCommandDialog about(IDD_ABOUTBOX);
    about.show();
    EXPECT_EQ(about.windowTitle(), "About");
    auto* push = qobject_cast<QPushButton*>(about.GetDlgItem(IDOK));
    ASSERT_NE(push, nullptr);
    EXPECT_EQ(push->text(), "Push");
    EXPECT_EQ(about.minimumSize(), about.maximumSize()); // no sizing frame

    QTest::keyClick(&about, Qt::Key_Return);
    EXPECT_EQ(about.m_anCommands, std::vector<int>{IDOK});
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), IDOK);
}

} // namespace

// A text longer than its rectangle (as a translation makes it) widens its column: what lies to
// the right moves, what spans the column's edge widens, and the dialog grows by as much.
TEST(TemplateDialogTest, ColumnGrowsWithATextWiderThanItsRectangle)
{
    static constexpr ControlTemplate kControls[] = {
        {kStaticId, ControlKind::Static, "A label much longer than its narrow column", CS_NONE, 5, 5, 20, 12},
        {1000, ControlKind::Edit, "", CS_BORDER, 30, 5, 50, 12},
        {1006, ControlKind::ListView, "", CS_BORDER, 5, 20, 75, 40},
        {IDOK, ControlKind::PushButton, "A button text far wider than the button", CS_TABSTOP, 85, 5, 30, 12},
        {kStaticId, ControlKind::Static, "Fits", CS_NONE, 5, 65, 15, 10}, // ends left of the column's edge
    };
    static constexpr DialogTemplate kTemplate = {900, "Widening", 120, 80, "MS Sans Serif", 8, DS_CAPTION, kControls};
    CTemplateDialog dialog(kTemplate);
    ASSERT_TRUE(dialog.Create());
    const int bx = dialog.GetBaseUnits().width();
    const int by = dialog.GetBaseUnits().height();

    QLabel* label = nullptr;
    QLabel* fits = nullptr;
    for (QLabel* candidate : dialog.findChildren<QLabel*>())
        (candidate->text() == "Fits" ? fits : label) = candidate;
    ASSERT_NE(label, nullptr);
    ASSERT_NE(fits, nullptr);
    const int nLabelExtra = label->fontMetrics().horizontalAdvance(label->text()) - Pixels(20, bx, 4);
    ASSERT_GT(nLabelExtra, 0);
    EXPECT_EQ(label->width(), Pixels(20, bx, 4) + nLabelExtra);
    EXPECT_EQ(dialog.GetDlgItem(1000)->x(), Pixels(30, bx, 4) + nLabelExtra);
    EXPECT_EQ(dialog.GetDlgItem(1000)->width(), Pixels(50, bx, 4));
    EXPECT_EQ(dialog.GetDlgItem(1006)->width(), Pixels(75, bx, 4) + nLabelExtra);
    EXPECT_EQ(fits->geometry(), QRect(Pixels(5, bx, 4), Pixels(65, by, 8), Pixels(15, bx, 4), Pixels(10, by, 8)));

    auto* button = qobject_cast<QPushButton*>(dialog.GetDlgItem(IDOK));
    ASSERT_NE(button, nullptr);
    const int nButtonExtra = button->width() - Pixels(30, bx, 4);
    EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()));
    EXPECT_EQ(button->x(), Pixels(85, bx, 4) + nLabelExtra);
    EXPECT_EQ(dialog.width(), Pixels(120, bx, 4) + nLabelExtra + nButtonExtra);
}
