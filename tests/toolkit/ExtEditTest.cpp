#include "ExtEdit.h"

#include "EditDropTarget.h"
#include "Resource.h"
#include "ResourceString.h"
#include "TipRequest.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QTextBlock>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Runs the drag through `onDrag` instead of the platform, which the offscreen platform cannot do.
class CTestExtEdit : public CExtEdit {
public:
    std::function<Qt::DropAction(const QMimeData*, Qt::DropActions)> onDrag;
    int nDrags = 0;
    Qt::DropActions offered;

protected:
    Qt::DropAction DoDragDrop(QMimeData* pData, Qt::DropActions actions) override
    {
        const std::unique_ptr<QMimeData> pOwned(pData);
        ++nDrags;
        offered = actions;
        return onDrag ? onDrag(pData, actions) : Qt::IgnoreAction;
    }
};

// A shown window holding the fields under test.
class ExtEditTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_window.resize(400, 300);
        m_window.show();
        QApplication::clipboard()->setText(QStringLiteral("keep"));
    }

    CTestExtEdit& MakeField(bool bMultiLine, const QString& text, bool bReadOnly = false, bool bDropTarget = true)
    {
        auto& edit = *m_edits.emplace_back(std::make_unique<CTestExtEdit>());
        QWidget* pWidget = bMultiLine ? static_cast<QWidget*>(edit.CreateMultiLine(&m_window))
                                      : static_cast<QWidget*>(edit.Create(&m_window));
        pWidget->setGeometry(10, 10 + 90 * static_cast<int>(m_edits.size() - 1), 300, bMultiLine ? 80 : 24);
        pWidget->show();
        edit.GetEditControl().SetWindowText(text);
        if (auto* pLine = qobject_cast<QLineEdit*>(pWidget))
            pLine->setReadOnly(bReadOnly);
        else
            static_cast<QPlainTextEdit*>(pWidget)->setReadOnly(bReadOnly);
        if (bDropTarget) {
            EXPECT_TRUE(edit.RegisterDropTarget());
        }
        return edit;
    }

    // A client point on the character cell at nIndex.
    static QPoint PointAt(CExtEdit& edit, int nIndex)
    {
        const std::optional<QPoint> point = edit.GetEditControl().PosFromChar(nIndex);
        EXPECT_TRUE(point.has_value());
        return point.value_or(QPoint()) + QPoint(0, 4);
    }

    static void Mouse(CExtEdit& edit, QEvent::Type type, QPoint point)
    {
        QWidget* pClient = edit.GetEditControl().ClientWidget();
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, point, pClient->mapToGlobal(point), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(pClient, &event);
    }

    // Presses on the selection and moves 10 px right: the drag starts.
    static void DragSelection(CExtEdit& edit)
    {
        const auto [nStart, nEnd] = edit.GetEditControl().GetSel();
        const QPoint point = PointAt(edit, nStart) + QPoint(1, 0);
        Mouse(edit, QEvent::MouseButtonPress, point);
        Mouse(edit, QEvent::MouseMove, point + QPoint(10, 0));
    }

    // Delivers the drag events a drop on `point` brings; the result is the action the drop took.
    static Qt::DropAction DropOn(CExtEdit& target, const QMimeData* pData, Qt::DropActions actions, QPoint point,
                                 Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QWidget* pClient = target.GetEditControl().ClientWidget();
        QDragEnterEvent enter(point, actions, pData, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(pClient, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDragMoveEvent move(point, actions, pData, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(pClient, &move);
        QDropEvent drop(point, actions, pData, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(pClient, &drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }

    static QString Text(CExtEdit& edit) { return edit.GetEditControl().GetWindowText(); }

    QWidget m_window;
    std::vector<std::unique_ptr<CTestExtEdit>> m_edits;
};

TEST_F(ExtEditTest, DroppedTwoLinesKeepFirstLineInSingleLineField)
{
    struct Case {
        bool bMultiLine;
        const char* dropped;
        const char* expected;
    } const cases[] = {
        {false, "first\nsecond", "xfirsty"},
        {false, "first\r\nsecond", "xfirsty"},
        {true, "first\nsecond", "xfirst\nsecondy"},
    };
    for (const Case& c : cases) {
        CTestExtEdit& edit = MakeField(c.bMultiLine, QStringLiteral("xy"));
        QMimeData data;
        data.setText(QString::fromLatin1(c.dropped));
        EXPECT_EQ(DropOn(edit, &data, Qt::CopyAction | Qt::MoveAction, PointAt(edit, 1)), Qt::MoveAction);
        EXPECT_EQ(Text(edit), QString::fromLatin1(c.expected)) << c.dropped;
        EXPECT_TRUE(edit.GetDropTarget()->m_rcFeedback.isEmpty()); // the mark is gone after the drop
    }
}

// A drag of "cd" within its own field or to a second field holding "12"; Ctrl copies.
TEST_F(ExtEditTest, DragMovesOrCopiesWithinTheFieldOrToAnother)
{
    struct Case {
        bool bOtherField;
        int nDropIndex;
        Qt::KeyboardModifiers keys;
        const char* source;
        const char* target;
    } const cases[] = {
        {false, 0, Qt::NoModifier, "cdabef", "12"},
        {false, 3, Qt::NoModifier, "abcdef", "12"}, // onto the selection: it stays where it was
        {false, 6, Qt::NoModifier, "abefcd", "12"},
        {false, 6, Qt::ControlModifier, "abcdefcd", "12"},
        {true, 1, Qt::NoModifier, "abef", "1cd2"},
        {true, 1, Qt::ControlModifier, "abcdef", "1cd2"},
    };
    for (const Case& c : cases) {
        for (const bool bMultiLine : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.nDropIndex << " other " << c.bOtherField << " multi " << bMultiLine);
            CTestExtEdit& source = MakeField(bMultiLine, QStringLiteral("abcdef"));
            CTestExtEdit& target = MakeField(false, QStringLiteral("12"));
            CTestExtEdit& dropOn = c.bOtherField ? target : source;
            source.GetEditControl().SetSel(2, 4);
            const QPoint dropPoint = PointAt(dropOn, c.nDropIndex);
            source.onDrag = [&](const QMimeData* pData, Qt::DropActions actions) {
                return DropOn(dropOn, pData, actions, dropPoint, c.keys);
            };
            DragSelection(source);
            EXPECT_EQ(source.nDrags, 1);
            EXPECT_EQ(Text(source), QString::fromLatin1(c.source));
            EXPECT_EQ(Text(target), QString::fromLatin1(c.target));
            EXPECT_TRUE(source.IsDragEnabled());
            EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("keep"));
        }
    }
}

TEST_F(ExtEditTest, ReadOnlyFieldRefusesDropsAndOffersCopyOnly)
{
    CTestExtEdit& readOnly = MakeField(false, QStringLiteral("12 Folders"), true);
    CTestExtEdit& target = MakeField(false, QString());
    QMimeData data;
    data.setText(QStringLiteral("dropped"));
    EXPECT_EQ(DropOn(readOnly, &data, Qt::CopyAction | Qt::MoveAction, PointAt(readOnly, 1)), Qt::IgnoreAction);
    EXPECT_EQ(Text(readOnly), QStringLiteral("12 Folders"));

    // Within the field the drag does not begin; it does once the pointer leaves the field.
    readOnly.GetEditControl().SetSel(0, 2);
    readOnly.onDrag = [&](const QMimeData* pData, Qt::DropActions actions) {
        return DropOn(target, pData, actions, QPoint(2, 4));
    };
    const QPoint press = PointAt(readOnly, 1);
    Mouse(readOnly, QEvent::MouseButtonPress, press);
    Mouse(readOnly, QEvent::MouseMove, press + QPoint(40, 0));
    EXPECT_EQ(readOnly.nDrags, 0);
    Mouse(readOnly, QEvent::MouseMove, QPoint(press.x(), -5));
    EXPECT_EQ(readOnly.nDrags, 1);
    EXPECT_EQ(readOnly.offered, Qt::DropActions(Qt::CopyAction));
    EXPECT_EQ(Text(target), QStringLiteral("12")); // copied without Ctrl, as a move is not offered
    EXPECT_EQ(Text(readOnly), QStringLiteral("12 Folders"));
}

TEST_F(ExtEditTest, ClickOnSelectionWithoutDragPlacesCaretAndLeavesClipboard)
{
    for (const bool bMultiLine : {false, true}) {
        CTestExtEdit& edit = MakeField(bMultiLine, QStringLiteral("abcdef"));
        edit.GetEditControl().SetSel(1, 5);
        const QPoint point = PointAt(edit, 3);
        Mouse(edit, QEvent::MouseButtonPress, point);
        Mouse(edit, QEvent::MouseMove, point + QPoint(2, 2)); // still inside the 4-by-4 square
        Mouse(edit, QEvent::MouseButtonRelease, point + QPoint(2, 2));
        EXPECT_EQ(edit.nDrags, 0);
        EXPECT_EQ(edit.GetEditControl().GetSel(), std::make_pair(3, 3));
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("keep"));
        EXPECT_TRUE(edit.IsDragEnabled());
    }
}

TEST_F(ExtEditTest, HeldPressStartsDragAfterDragDelay)
{
    const int nDelay = QApplication::startDragTime();
    QApplication::setStartDragTime(20);
    CTestExtEdit& edit = MakeField(false, QStringLiteral("abcdef"));
    edit.GetEditControl().SetSel(1, 5);
    // Through the window system, so that the application knows the button is held.
    QTest::mousePress(edit.GetWidget(), Qt::LeftButton, Qt::NoModifier, PointAt(edit, 3));
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit.nDrags == 1; }, 3000));
    EXPECT_EQ(edit.GetEditControl().GetSel(), std::make_pair(3, 3)); // dropped nowhere: an ordinary click
    QTest::mouseRelease(edit.GetWidget(), Qt::LeftButton, Qt::NoModifier, PointAt(edit, 3));

    // A press whose release the field never saw ends as a click once the delay is over.
    edit.GetEditControl().SetSel(1, 5);
    Mouse(edit, QEvent::MouseButtonPress, PointAt(edit, 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit.IsDragEnabled(); }, 3000));
    EXPECT_EQ(edit.nDrags, 1);
    EXPECT_EQ(edit.GetEditControl().GetSel(), std::make_pair(2, 2));
    QApplication::setStartDragTime(nDelay);
}

TEST_F(ExtEditTest, FieldDestroyedFirstLeavesEditInert)
{
    CTestExtEdit& edit = MakeField(true, QStringLiteral("abc"));
    delete edit.GetWidget();
    EXPECT_EQ(edit.GetWidget(), nullptr);
    EXPECT_FALSE(edit.IsDragEnabled());
    edit.AppendText(QStringLiteral("more"));
    EXPECT_FALSE(edit.RegisterDropTarget());
}

TEST_F(ExtEditTest, InsertionMarkIsBarOrSelection)
{
    CTestExtEdit& edit = MakeField(false, QStringLiteral("abcdef"));
    QMimeData data;
    data.setText(QStringLiteral("x"));
    QWidget* pClient = edit.GetEditControl().ClientWidget();
    const auto hover = [&](QPoint point) {
        QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(pClient, &enter);
        return edit.GetDropTarget()->m_rcFeedback;
    };
    const QRect bar = hover(PointAt(edit, 2));
    EXPECT_EQ(bar.size(), QSize(2, 8));
    EXPECT_EQ(bar.topLeft(), edit.GetEditControl().PosFromChar(2).value());

    // Text from elsewhere replaces a selection, which is marked whatever the pointer is over.
    edit.GetEditControl().SetSel(1, 4);
    const QRect selection = hover(PointAt(edit, 5));
    EXPECT_EQ(selection.left(), edit.GetEditControl().PosFromChar(1)->x());
    EXPECT_EQ(selection.left() + selection.width(), edit.GetEditControl().PosFromChar(4)->x());
    EXPECT_EQ(selection.height(), 8);

    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(pClient, &leave);
    EXPECT_TRUE(edit.GetDropTarget()->m_rcFeedback.isEmpty());
}

TEST_F(ExtEditTest, FileDropTakesFirstLocalPath)
{
    CTestExtEdit& edit = MakeField(false, QStringLiteral("/old"));
    edit.DragAcceptFiles(true);
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.org/x")), QUrl::fromLocalFile(QStringLiteral("/tmp/a b/one.txt")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/two"))});
    data.setText(QStringLiteral("/tmp/a b/one.txt\n/tmp/two"));
    // A copy even when a move is offered: the source must never delete the files.
    EXPECT_EQ(DropOn(edit, &data, Qt::CopyAction | Qt::MoveAction, PointAt(edit, 1)), Qt::CopyAction);
    EXPECT_EQ(Text(edit), QStringLiteral("/tmp/a b/one.txt"));

    CTestExtEdit& noFiles = MakeField(false, QString(), false, false);
    EXPECT_EQ(DropOn(noFiles, &data, Qt::CopyAction, QPoint(2, 4)), Qt::IgnoreAction);
    EXPECT_EQ(Text(noFiles), QString());
}

TEST_F(ExtEditTest, AppendFiltersControlCharacters)
{
    struct Case {
        const char* appended;
        const char* single;
        const char* multi;
    } const cases[] = {
        {"a\nb", "0a b", "0a\nb"},
        {"a\r\nb", "0a b", "0a\nb"},
        {"a\tb\x01", "0a\tb", "0a\tb"},
        {"\n\nb", "0  b", "0\n\nb"},
    };
    for (const Case& c : cases) {
        for (const bool bMultiLine : {false, true}) {
            CTestExtEdit& edit = MakeField(bMultiLine, QStringLiteral("0"), true, false);
            edit.GetEditControl().SetSel(0, 0); // the append goes to the end wherever the caret is
            edit.AppendText(QString::fromLatin1(c.appended));
            EXPECT_EQ(Text(edit), QString::fromLatin1(bMultiLine ? c.multi : c.single)) << c.appended;
            EXPECT_TRUE(edit.GetEditControl().IsReadOnly());
        }
    }
}

TEST_F(ExtEditTest, AppendTrimsOldLines)
{
    struct Case {
        int nLines;
        int nLineLength;
        int nFirstKept; // number of the first old line left
    } const cases[] = {
        {501, 4, 0},  // 500 is the last line's index: nothing goes yet
        {502, 4, 51}, // 451 lines stay
        {60, 600, 50}, // the last line starts past 30000 characters: the first 50 go
    };
    for (const Case& c : cases) {
        CTestExtEdit& edit = MakeField(true, QString(), true, false);
        QStringList lines;
        for (int i = 0; i < c.nLines; ++i)
            lines << QString::number(i).leftJustified(c.nLineLength, u'.');
        edit.GetEditControl().SetWindowText(lines.join(u'\n'));
        edit.AppendText(QStringLiteral("new"));
        auto* pText = static_cast<QPlainTextEdit*>(edit.GetWidget());
        EXPECT_EQ(pText->document()->blockCount(), c.nLines - c.nFirstKept) << c.nLines;
        EXPECT_EQ(pText->document()->firstBlock().text(), lines[c.nFirstKept]);
        EXPECT_EQ(pText->document()->lastBlock().text(), lines.back() + QStringLiteral("new"));
    }
}

TEST_F(ExtEditTest, AppendFormatAppendsLongTextWhole)
{
    CTestExtEdit& edit = MakeField(true, QString(), true, false);
    EXPECT_EQ(edit.AppendFormat("%s Folders", "12"), 10);
    const std::string longText(2000, 'x');
    EXPECT_EQ(edit.AppendFormat(",%s", longText.c_str()), 2001);
    EXPECT_EQ(Text(edit), QStringLiteral("12 Folders,") + QString(2000, u'x'));
}

TEST_F(ExtEditTest, HelpTextAnswersFromStringId)
{
    struct Case {
        unsigned nId;
        bool bHandled;
        QString text;
    } const cases[] = {
        {IDS_TIP_FOLDER, true, LoadQString(IDS_TIP_FOLDER)},
        {0, false, QString()},
    };
    ASSERT_FALSE(LoadQString(IDS_TIP_FOLDER).isEmpty());
    for (const Case& c : cases) {
        CTestExtEdit& edit = MakeField(false, QString());
        edit.m_nHelpTextId = c.nId;
        TIPREQUEST request;
        request.hwndFrom = edit.GetWidget();
        request.idFrom = 1000;
        request.ignore();
        QCoreApplication::sendEvent(edit.GetWidget(), &request);
        EXPECT_EQ(request.isAccepted(), c.bHandled);
        EXPECT_EQ(request.szText, c.text);
    }
}

// The whole drag on a real X server: Qt's X11 drag and drop carries the text from one field to
// the other (Xvfb must be installed).
TEST(ExtEditXServerTest, DragMovesTextBetweenFields)
{
    constexpr int kWaitMs = 20000;
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("800x600x24")});
    ASSERT_TRUE(xvfb.waitForStarted(kWaitMs)) << "Xvfb cannot be started";
    QDeadlineTimer deadline(kWaitMs);
    while (!xvfb.canReadLine() && xvfb.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
    }
    const QString display = QString::fromLatin1(xvfb.readLine()).trimmed();
    ASSERT_FALSE(display.isEmpty()) << "Xvfb named no display";

    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), u':' + display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    probe.setProcessEnvironment(environment);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start(QStringLiteral(KESTRUM_EXTEDIT_PROBE), {QStringLiteral("--self-drive")});
    ASSERT_TRUE(probe.waitForStarted(kWaitMs));
    const QByteArray expected = "TEXT alpha  gamma|one betatwo three|keep";
    QByteArray lastLine;
    while (lastLine != expected) {
        if (!probe.canReadLine() && !probe.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        while (probe.canReadLine() && lastLine != expected)
            lastLine = probe.readLine().trimmed();
    }
    EXPECT_EQ(lastLine, expected);
    probe.kill();
    probe.waitForFinished(kWaitMs);
    xvfb.terminate();
    xvfb.waitForFinished(kWaitMs);
}

} // namespace
