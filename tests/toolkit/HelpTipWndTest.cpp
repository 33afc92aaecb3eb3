#include "HelpTipWnd.h"

#include "DialogTemplate.h"
#include "MonitorGeometry.h"
#include "TemplateDialog.h"
#include "TipRequest.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QStyleHints>
#include <QTimerEvent>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kCursorHeight = 20;
constexpr int kComboId = 1001;

constexpr ControlTemplate kTipControls[] = {
    {1, ControlKind::PushButton, "Scan", CS_TABSTOP, 5, 5, 40, 12},
    {3, ControlKind::PushButton, "Find", CS_TABSTOP, 50, 5, 40, 12},
    {kComboId, ControlKind::Edit, "", CS_TABSTOP, 5, 25, 100, 12},
};
constexpr DialogTemplate kTipTemplate{9101, "Tips", 200, 100, "MS Sans Serif", 8, DS_POPUP | DS_CAPTION,
                                      kTipControls};

struct Request {
    QObject* pReceiver;
    QWidget* hwndFrom;
    unsigned idFrom;
    int x, y;
};

// Records every text request the watched widgets receive and answers for those given a text.
class CRequestRecorder : public QObject {
public:
    std::vector<Request> m_requests;
    std::map<QObject*, QString> m_answers;
    std::function<void()> m_onRequest;
    QPoint m_ptMove; // the answer moves the proposed position by this much

    void Watch(QWidget* pWidget) { pWidget->installEventFilter(this); }

protected:
    bool eventFilter(QObject* pWatched, QEvent* event) override
    {
        if (event->type() != TIPREQUEST::EventType())
            return false;
        auto* request = static_cast<TIPREQUEST*>(event);
        m_requests.push_back({pWatched, request->hwndFrom, request->idFrom, request->x, request->y});
        if (m_onRequest)
            m_onRequest();
        const auto answer = m_answers.find(pWatched);
        if (answer == m_answers.end())
            return false;
        request->SetText(answer->second);
        request->x += m_ptMove.x();
        request->y += m_ptMove.y();
        return true;
    }
};

class HelpTipWndTest : public testing::Test {
protected:
    void SetUp() override
    {
        QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);
        m_pCombo = new QComboBox;
        m_pCombo->setEditable(true);
        m_dialog.BindControl(kComboId, m_pCombo);
        ASSERT_TRUE(m_dialog.Create());
        m_dialog.move(100, 100);
        m_dialog.show();
        m_pButton = m_dialog.GetDlgItem(1);
        m_pFind = m_dialog.GetDlgItem(3);
        ASSERT_NE(m_pButton, nullptr);
        ASSERT_NE(m_pFind, nullptr);
        m_pWidget = m_pButton;
        m_ptPointer = m_pButton->mapToGlobal(m_pButton->rect().center());
        m_pForeground = &m_dialog;
        SetMonitorsForTesting({{{0, 0, 2000, 2000}, {0, 0, 2000, 1960}}});
        for (QWidget* pWidget : {static_cast<QWidget*>(&m_dialog), m_pButton, m_pFind})
            m_recorder.Watch(pWidget);
        m_recorder.m_answers[&m_dialog] = QStringLiteral("Scans the folder");
    }

    void TearDown() override { ResetMonitorsForTesting(); }

    std::unique_ptr<CHelpTipWnd> MakeTip(bool bMousePresent = true, bool bSystemShadow = true,
                                         bool bMenuDropLeft = false)
    {
        CHelpTipWnd::Platform platform;
        platform.cursorPos = [this] { return m_ptPointer; };
        platform.widgetAt = [this](const QPoint&) { return m_pWidget; };
        platform.foregroundWindow = [this] { return m_pForeground; };
        platform.bMousePresent = bMousePresent;
        platform.bSystemShadow = bSystemShadow;
        platform.bMenuDropLeft = bMenuDropLeft;
        platform.nCursorHeight = kCursorHeight;
        return std::make_unique<CHelpTipWnd>(std::move(platform));
    }

    // A tip switched on for the dialog, with the button redirected to the dialog.
    std::unique_ptr<CHelpTipWnd> TipOn(bool bSystemShadow = true, bool bMenuDropLeft = false)
    {
        auto tip = MakeTip(true, bSystemShadow, bMenuDropLeft);
        EXPECT_TRUE(tip->Toggle(&m_dialog));
        EXPECT_TRUE(tip->IsOn());
        tip->RedirectTip(m_pButton, &m_dialog);
        return tip;
    }

    static void Tick(CHelpTipWnd& tip, int nTicks = 1)
    {
        for (int i = 0; i < nTicks; ++i) {
            QTimerEvent event(tip.GetTimerId());
            QCoreApplication::sendEvent(tip.GetTipWindow(), &event);
        }
    }

    // The tick on which the pointer arrives, then five still ticks: the first request.
    static void RestUntilRequest(CHelpTipWnd& tip) { Tick(tip, 6); }

    static QRect TipRect(const CHelpTipWnd& tip) { return tip.GetTipWindow()->geometry(); }
    static bool TipShown(const CHelpTipWnd& tip) { return tip.GetTipWindow()->isVisible(); }

    CTemplateDialog m_dialog{kTipTemplate};
    QComboBox* m_pCombo = nullptr;
    QWidget* m_pButton = nullptr;
    QWidget* m_pFind = nullptr;
    QWidget* m_pWidget = nullptr; // under the pointer
    QWidget* m_pForeground = nullptr;
    QPoint m_ptPointer;
    CRequestRecorder m_recorder;
};

TEST_F(HelpTipWndTest, FirstRequestAtFifthStillTickGoesToTheRedirectTargetWithTheControlsId)
{
    auto tip = TipOn();
    Tick(*tip, 5); // arrival and four still ticks
    EXPECT_TRUE(m_recorder.m_requests.empty());
    EXPECT_FALSE(TipShown(*tip));

    Tick(*tip);
    ASSERT_EQ(m_recorder.m_requests.size(), 1u);
    const Request& request = m_recorder.m_requests[0];
    EXPECT_EQ(request.pReceiver, &m_dialog);
    EXPECT_EQ(request.hwndFrom, &m_dialog);
    EXPECT_EQ(request.idFrom, 1u);
    EXPECT_EQ(QPoint(request.x, request.y), m_ptPointer + QPoint(0, kCursorHeight));
    ASSERT_TRUE(TipShown(*tip));
    EXPECT_EQ(TipRect(*tip).topLeft(), m_ptPointer + QPoint(0, kCursorHeight));

    // Asked again every five still ticks.
    Tick(*tip, 4);
    EXPECT_EQ(m_recorder.m_requests.size(), 1u);
    Tick(*tip);
    EXPECT_EQ(m_recorder.m_requests.size(), 2u);

    // Moving over to another redirected control within the rest rectangle keeps the count.
    tip->RedirectTip(m_pFind, &m_dialog);
    m_pWidget = m_pFind;
    Tick(*tip, 5);
    ASSERT_EQ(m_recorder.m_requests.size(), 3u);
    EXPECT_EQ(m_recorder.m_requests.back().idFrom, 3u);

    // Moving away hides the tip at once.
    m_ptPointer += QPoint(50, 0);
    Tick(*tip);
    EXPECT_FALSE(TipShown(*tip));
}

TEST_F(HelpTipWndTest, PointerOverNoWindowOfOursHidesTheTipAtOnce)
{
    auto tip = TipOn();
    RestUntilRequest(*tip);
    ASSERT_TRUE(TipShown(*tip));

    // Onto the desktop or another program's window, and resting there.
    m_pWidget = nullptr;
    m_ptPointer = m_dialog.frameGeometry().bottomRight() + QPoint(40, 40);
    Tick(*tip);
    EXPECT_FALSE(TipShown(*tip));
    Tick(*tip, 10);
    EXPECT_FALSE(TipShown(*tip));
    EXPECT_EQ(m_recorder.m_requests.size(), 1u);

    // Back on the button, the rest starts over.
    m_pWidget = m_pButton;
    m_ptPointer = m_pButton->mapToGlobal(m_pButton->rect().center());
    Tick(*tip, 5);
    EXPECT_EQ(m_recorder.m_requests.size(), 1u);
    Tick(*tip);
    EXPECT_EQ(m_recorder.m_requests.size(), 2u);
    EXPECT_TRUE(TipShown(*tip));
}

TEST_F(HelpTipWndTest, MovingByTheDoubleClickDistanceRestsOnlyRightAndDown)
{
    const int d = QGuiApplication::styleHints()->mouseDoubleClickDistance();
    ASSERT_GT(d, 1);
    const struct {
        QPoint delta;
        bool bRests;
    } cases[] = {
        {{d, 0}, true},       {{0, d}, true},       {{-d, 0}, false},     {{0, -d}, false},
        {{d + 1, 0}, false},  {{0, d + 1}, false},  {{-(d - 1), 0}, true}, {{0, -(d - 1)}, true},
    };
    const QPoint ptStart = m_ptPointer;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "move " << c.delta.x() << "," << c.delta.y());
        m_recorder.m_requests.clear();
        m_ptPointer = ptStart;
        auto tip = TipOn();
        Tick(*tip, 5);
        m_ptPointer += c.delta;
        Tick(*tip); // the fifth still tick, or a movement that starts the count again
        EXPECT_EQ(m_recorder.m_requests.size(), c.bRests ? 1u : 0u);
        Tick(*tip, 4);
        EXPECT_EQ(m_recorder.m_requests.size(), c.bRests ? 1u : 0u);
        Tick(*tip);
        EXPECT_EQ(m_recorder.m_requests.size(), c.bRests ? 2u : 1u);
    }
}

TEST_F(HelpTipWndTest, RedirectionsAreFollowedInListOrder)
{
    const struct {
        const char* name;
        std::function<QWidget*()> pointerWidget;
        std::vector<std::pair<QWidget*, QWidget*>> redirects;
        QObject* pExpectedReceiver;
        unsigned nExpectedId;
    } cases[] = {
        {"chain in order", [this] { return m_pButton; }, {{m_pButton, m_pFind}, {m_pFind, &m_dialog}}, &m_dialog, 1},
        {"chain against order", [this] { return m_pButton; }, {{m_pFind, &m_dialog}, {m_pButton, m_pFind}}, m_pFind, 1},
        {"edit of a combo box", [this] { return m_pCombo->lineEdit(); }, {{m_pCombo, &m_dialog}}, &m_dialog,
         kComboId},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_recorder.m_requests.clear();
        m_pWidget = c.pointerWidget();
        auto tip = MakeTip();
        ASSERT_TRUE(tip->Toggle(&m_dialog));
        for (const auto& [pFrom, pTo] : c.redirects)
            tip->RedirectTip(pFrom, pTo);
        RestUntilRequest(*tip);
        ASSERT_EQ(m_recorder.m_requests.size(), 1u);
        EXPECT_EQ(m_recorder.m_requests[0].pReceiver, c.pExpectedReceiver);
        EXPECT_EQ(m_recorder.m_requests[0].hwndFrom, c.pExpectedReceiver);
        EXPECT_EQ(m_recorder.m_requests[0].idFrom, c.nExpectedId);
    }
}

TEST_F(HelpTipWndTest, RedirectToADestroyedWidgetGivesNoTip)
{
    auto tip = TipOn();
    auto pGone = std::make_unique<QWidget>(&m_dialog);
    tip->RedirectTip(m_pButton, pGone.get());
    pGone.reset();
    RestUntilRequest(*tip);
    Tick(*tip, 5);
    EXPECT_TRUE(m_recorder.m_requests.empty());
    EXPECT_FALSE(TipShown(*tip));
    // Once the redirection is gone, the control asks for itself again.
    EXPECT_TRUE(tip->RemoveRedirect(m_pButton));
    EXPECT_FALSE(tip->RemoveRedirect(m_pButton));
    RestUntilRequest(*tip);
    ASSERT_EQ(m_recorder.m_requests.size(), 1u);
    EXPECT_EQ(m_recorder.m_requests[0].pReceiver, m_pButton);
}

TEST_F(HelpTipWndTest, AnswerDifferingOnlyInCaseKeepsTheTip)
{
    auto tip = TipOn();
    RestUntilRequest(*tip);
    ASSERT_TRUE(TipShown(*tip));
    const QImage imgFirst = tip->GetTipWindow()->grab().toImage();

    m_recorder.m_answers[&m_dialog] = QStringLiteral("SCANS THE FOLDER");
    Tick(*tip, 5);
    ASSERT_EQ(m_recorder.m_requests.size(), 2u);
    EXPECT_TRUE(TipShown(*tip));
    EXPECT_EQ(tip->GetTipWindow()->grab().toImage(), imgFirst);

    m_recorder.m_answers[&m_dialog] = QStringLiteral("Counts the files");
    Tick(*tip, 5);
    EXPECT_TRUE(TipShown(*tip));
    EXPECT_NE(tip->GetTipWindow()->grab().toImage(), imgFirst);

    // An empty answer hides it.
    m_recorder.m_answers[&m_dialog] = QString();
    Tick(*tip, 5);
    EXPECT_FALSE(TipShown(*tip));
}

TEST_F(HelpTipWndTest, PlacementFitsTheMonitorUnderThePointer)
{
    const QPoint p = m_ptPointer;
    const int c = kCursorHeight;
    // Expected top-left from the tip's size (w, h) and the monitor.
    using Expect = std::function<QPoint(int w, int h, const Rect& rcMonitor)>;
    const struct {
        const char* name;
        Rect rcMonitor;
        bool bMenuDropLeft;
        Expect expected;
        QPoint ptMove = {};
    } cases[] = {
        {"below the pointer", {0, 0, 2000, 2000}, false, [&](int, int, const Rect&) { return p + QPoint(0, c); }},
        {"above it at the bottom", {0, 0, 2000, p.y() + c + 5}, false,
         [&](int, int h, const Rect&) { return QPoint(p.x(), p.y() - h - 2); }},
        {"pushed left at the right edge", {0, 0, p.x() + 10, 2000}, false,
         [&](int w, int, const Rect& m) { return QPoint(m.right - w, p.y() + c); }},
        {"menus to the left", {0, 0, 2000, 2000}, true,
         [&](int w, int, const Rect&) { return QPoint(p.x() - w, p.y() + c); }},
        {"menus to the left at the left edge", {p.x() - 5, 0, 2000, 2000}, true,
         [&](int, int, const Rect& m) { return QPoint(m.left, p.y() + c); }},
        {"where the answer moved it", {0, 0, 2000, 2000}, false,
         [&](int, int, const Rect&) { return p + QPoint(40, c - 7); }, {40, -7}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        SetMonitorsForTesting({{testCase.rcMonitor, testCase.rcMonitor}});
        m_recorder.m_ptMove = testCase.ptMove;
        auto tip = TipOn(true, testCase.bMenuDropLeft);
        RestUntilRequest(*tip);
        ASSERT_TRUE(TipShown(*tip));
        const QRect rc = TipRect(*tip);
        EXPECT_EQ(rc.topLeft(), testCase.expected(rc.width(), rc.height(), testCase.rcMonitor));
    }
}

TEST_F(HelpTipWndTest, HeightCountsEveryLineAndTheFrame)
{
    const struct {
        const char* text;
        bool bSystemShadow;
        int nLines;
        int nPadding;
    } cases[] = {
        {"One line", true, 1, 6},
        {"One line\nand another", true, 2, 6},
        {"One line\n", true, 2, 6},
        {"One line\n", false, 2, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        m_recorder.m_answers[&m_dialog] = QString::fromUtf8(c.text);
        auto tip = TipOn(c.bSystemShadow);
        RestUntilRequest(*tip);
        ASSERT_TRUE(TipShown(*tip));
        const int nLineHeight = QFontMetrics(*tip->GetTipFont(), tip->GetTipWindow()).height();
        EXPECT_EQ(TipRect(*tip).height(), c.nLines * nLineHeight + c.nPadding);
    }
}

TEST_F(HelpTipWndTest, EqualTooltipColoursFallBackToBlackOnLightGray)
{
    const struct {
        QColor crBase, crText, crExpectedBack, crExpectedFrame;
    } cases[] = {
        {QColor(255, 255, 220), QColor(10, 20, 30), QColor(255, 255, 220), QColor(10, 20, 30)},
        {QColor(50, 100, 150), QColor(50, 100, 150), QColor(192, 192, 192), QColor(0, 0, 0)},
    };
    for (const auto& c : cases) {
        auto tip = TipOn();
        QPalette palette = tip->GetTipWindow()->palette();
        palette.setColor(QPalette::ToolTipBase, c.crBase);
        palette.setColor(QPalette::ToolTipText, c.crText);
        tip->GetTipWindow()->setPalette(palette);
        RestUntilRequest(*tip);
        ASSERT_TRUE(TipShown(*tip));
        const QImage image = tip->GetTipWindow()->grab().toImage();
        EXPECT_EQ(image.pixelColor(0, 0), c.crExpectedFrame);
        EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() / 2), c.crExpectedFrame);
        EXPECT_EQ(image.pixelColor(1, 1), c.crExpectedBack);
    }
}

TEST_F(HelpTipWndTest, NoRequestWhileTheOwnerCannotTakeIt)
{
    QWidget ownedBox(&m_dialog, Qt::Dialog);
    QWidget unrelated;
    const struct {
        const char* name;
        std::function<void()> arrange;
        std::size_t nExpected;
    } cases[] = {
        {"owner ready", [] {}, 1},
        {"owner disabled", [this] { m_dialog.setEnabled(false); }, 0},
        {"application inactive", [this] { m_pForeground = nullptr; }, 0},
        {"a window the owner owns active", [&] { m_pForeground = &ownedBox; }, 1},
        {"an unrelated window active", [&] { m_pForeground = &unrelated; }, 0},
        {"pointer outside the owner", [this] { m_ptPointer = m_dialog.frameGeometry().bottomRight() + QPoint(5, 5); },
         0},
    };
    const QPoint ptStart = m_ptPointer;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_recorder.m_requests.clear();
        m_dialog.setEnabled(true);
        m_pForeground = &m_dialog;
        m_ptPointer = ptStart;
        c.arrange();
        auto tip = TipOn();
        RestUntilRequest(*tip);
        EXPECT_EQ(m_recorder.m_requests.size(), c.nExpected);
    }
    m_dialog.setEnabled(true);
}

TEST_F(HelpTipWndTest, ToggleIsRefusedWithoutAMouseAndWhileBusy)
{
    auto noMouse = MakeTip(false);
    EXPECT_FALSE(noMouse->CanToggle());
    EXPECT_FALSE(noMouse->Toggle(&m_dialog));
    EXPECT_FALSE(noMouse->IsOn());
    EXPECT_EQ(noMouse->GetTipWindow(), nullptr);

    auto tip = TipOn();
    bool bToggled = true;
    bool bCanToggle = true;
    m_recorder.m_onRequest = [&] {
        bCanToggle = tip->CanToggle();
        bToggled = tip->Toggle(&m_dialog);
    };
    RestUntilRequest(*tip);
    m_recorder.m_onRequest = nullptr;
    ASSERT_EQ(m_recorder.m_requests.size(), 1u);
    EXPECT_FALSE(bCanToggle);
    EXPECT_FALSE(bToggled);
    EXPECT_TRUE(tip->IsOn());
    EXPECT_TRUE(TipShown(*tip));

    EXPECT_TRUE(tip->CanToggle());
    EXPECT_TRUE(tip->Toggle(&m_dialog));
    EXPECT_FALSE(tip->IsOn());
    EXPECT_EQ(tip->GetTipWindow(), nullptr);
}

} // namespace
