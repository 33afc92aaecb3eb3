#include "CommandTarget.h"
#include "DialogTemplate.h"
#include "MenuButton.h"
#include "Resource.h"
#include "ShownWindow.h"
#include "TemplateDialog.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr ControlTemplate kControls[] = {
    {IDC_FOLDER, ControlKind::Edit, "", CS_TABSTOP | CS_BORDER, 5, 5, 100, 12},
    {IDC_OPTIONS, ControlKind::OwnerDrawButton, "Options...", CS_TABSTOP, 5, 25, 60, 14},
};
constexpr DialogTemplate kTemplate = {4711, "Menu owner", 120, 50, "MS Sans Serif", 8,
                                      DS_POPUP | DS_CAPTION | DS_SYSMENU, kControls};

// Handles "Font..." and a checked "Show help tip", not "About...", and records what reaches it.
class CCommandOwner : public CTemplateDialog, public CCommandTarget {
public:
    CCommandOwner()
        : CTemplateDialog(kTemplate)
    {
        BindControl(IDC_OPTIONS, &m_button);
        Create();
        m_button.SetDropMenu(IDR_OPTIONS_MENU, 0);
        move(100, 100);
    }

    bool HandlesCommand(unsigned nId) const override { return nId == ID_OPTIONS_FONT || nId == ID_OPTIONS_HELPTIP; }
    bool IsCommandEnabled(unsigned /*nId*/) const override { return true; }
    bool IsCommandChecked(unsigned nId) const override { return nId == ID_OPTIONS_HELPTIP; }
    void ExecuteCommand(unsigned nId) override { m_anExecuted.push_back(nId); }

    QLineEdit* Edit() const { return qobject_cast<QLineEdit*>(GetDlgItem(IDC_FOLDER)); }

    CMenuButton m_button;
    std::vector<unsigned> m_anExecuted;
    std::vector<int> m_anClicked;

protected:
    bool OnCommand(int nId) override
    {
        m_anClicked.push_back(nId);
        return CTemplateDialog::OnCommand(nId);
    }
};

// Runs `open` and lets `inspect` see the pop-up menu it shows.
bool WithOpenPopup(const std::function<void()>& open, const std::function<void(QMenu&)>& inspect)
{
    return WithShownWindow(
        open, [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
        [&](QWidget& menu) { inspect(static_cast<QMenu&>(menu)); });
}

class MenuButtonTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_owner));
        m_owner.Edit()->setFocus();
    }

    CCommandOwner m_owner;
};

TEST_F(MenuButtonTest, OpensAtThePointerOrAtTheCentreWithoutClickOrFocus)
{
    CMenuButton& button = m_owner.m_button;
    const QPoint click(7, 5); // away from the centre, so the two places differ
    struct Case {
        const char* name;
        std::function<void()> open;
        QPoint expected;
        bool bButtonFocused;
    } const cases[] = {
        {"left click", [&] { QTest::mouseClick(&button, Qt::LeftButton, {}, click); }, button.mapToGlobal(click),
         false},
        {"right click", [&] { QTest::mouseClick(&button, Qt::RightButton, {}, click); }, button.mapToGlobal(click),
         false},
        {"space", [&] {
             button.setFocus(Qt::TabFocusReason);
             QTest::keyClick(&button, Qt::Key_Space);
         },
         button.mapToGlobal(QPoint(button.width() / 2, button.height() / 2)), true}, // the middle
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_owner.Edit()->setFocus();
        QCursor::setPos(button.mapToGlobal(click));
        QPoint shownAt;
        ASSERT_TRUE(WithOpenPopup(c.open, [&](QMenu& menu) { shownAt = menu.pos(); }));
        EXPECT_EQ(shownAt, c.expected);
        // The window's own focus widget: under load the window may not be active again yet.
        EXPECT_EQ(m_owner.focusWidget() == &button, c.bButtonFocused);
        EXPECT_FALSE(button.isDown());
    }
    EXPECT_TRUE(m_owner.m_anClicked.empty()) << "the button reported a click";
}

TEST_F(MenuButtonTest, ItemsFollowTheOwnerAndTheChosenIdReachesIt)
{
    const auto items = [](QMenu& menu) {
        std::vector<std::pair<bool, bool>> states; // enabled, checked
        for (QAction* pItem : menu.actions())
            states.emplace_back(pItem->isEnabled(), pItem->isChecked());
        return states;
    };
    std::vector<std::pair<bool, bool>> states;
    ASSERT_TRUE(WithOpenPopup([&] { m_owner.m_button.TrackMenu(true, true); }, [&](QMenu& menu) {
        states = items(menu);
        menu.setActiveAction(menu.actions().at(0));
        QTest::keyClick(&menu, Qt::Key_Return);
    }));
    // "Font...", "Show help tip" (checked by the owner), then "Count files without an extension",
    // "Group by file type", "Size on disk", "Count hard links once", "Stay on one file system",
    // "Exclusions...", "Save list as...", "Largest files...", "Compare with saved list...", "Stop
    // comparing", "Remember scans" and "About...", which this owner does not handle.
    std::vector<std::pair<bool, bool>> expected = {{true, false}, {true, true}};
    expected.resize(14, {false, false});
    EXPECT_EQ(states, expected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_owner.m_anExecuted.empty(); }, 5000));
    EXPECT_EQ(m_owner.m_anExecuted, std::vector<unsigned>{ID_OPTIONS_FONT});
}

TEST_F(MenuButtonTest, NoMenuOrNoSuchPopupShowsNothing)
{
    struct Case {
        unsigned nMenu;
        int nSubMenu;
        bool bHeld;
        bool bShown;
    } const cases[] = {
        {IDR_OPTIONS_MENU, 0, true, true},
        {IDR_OPTIONS_MENU, 1, true, false},
        {IDR_OPTIONS_MENU, -1, true, false},
        {4711, 0, false, false},
        {0, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nMenu << "/" << c.nSubMenu);
        m_owner.m_button.SetDropMenu(IDR_OPTIONS_MENU, 0); // a menu to release first
        EXPECT_EQ(m_owner.m_button.SetDropMenu(c.nMenu, c.nSubMenu), c.bHeld);
        bool bResult = !c.bShown;
        EXPECT_EQ(WithOpenPopup([&] { bResult = m_owner.m_button.TrackMenu(false, true); }, [](QMenu&) {}),
                  c.bShown);
        EXPECT_EQ(bResult, c.bShown);
    }
}

TEST(MenuButtonDrawing, CaptionIsCutTo31CharactersAndNeverGreyed)
{
    const QString caption = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCD"); // 40
    const auto draw = [](const QString& text, bool bEnabled) {
        CMenuButton button;
        button.setText(text);
        button.setEnabled(bEnabled);
        button.resize(600, 30);
        return button.grab().toImage();
    };
    const QImage drawn31 = draw(caption.left(31), true);
    EXPECT_EQ(draw(caption, true), drawn31);
    EXPECT_NE(draw(caption.left(30), true), drawn31) << "the 31st character is not drawn";
    EXPECT_EQ(draw(caption, false), drawn31) << "a disabled button looks different";

    // The up arrow while enabled, the default cursor once disabled.
    CMenuButton button;
    EXPECT_EQ(button.cursor().shape(), Qt::UpArrowCursor);
    button.setEnabled(false);
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
}

} // namespace
