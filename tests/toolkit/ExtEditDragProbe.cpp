// A small window for dragging text between extended edit fields with the real pointer: an editable
// source field with "beta" selected, a multi-line target and a read-only field. It prints
//   READY <source x> <source y> <target x> <target y>   screen points on the selection and the target
//   DRAG                                               when a drag starts
//   OVER                                               the first time a drag hovers over the target
//   TEXT <source>|<target>|<clipboard>                 after every change of either field
// and runs until it is closed or killed. With --self-drive it makes the same drag itself, with
// pointer events given to the window system layer (the X server still carries the drag and drop).
#include "ExtEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace {

class CProbeEdit : public CExtEdit {
protected:
    void OnPrepareDragData(QMimeData*) override
    {
        std::printf("DRAG\n");
        std::fflush(stdout);
    }
};

// Reports the first hover of a drag over the target.
class CHoverReport : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::DragMove && !m_bReported) {
            m_bReported = true;
            std::printf("OVER\n");
            std::fflush(stdout);
        }
        return false;
    }

private:
    bool m_bReported = false;
};

// Press on the selection, leave the start square (the drag begins and runs its own event loop),
// then move over the target and release there. Each later step is a timer of its own, so that it
// fires inside the drag's loop.
void SelfDrive(QWidget* pSource, QPoint onSelection, QWidget* pTarget, QPoint onTarget)
{
    constexpr int kStepMs = 100;
    QTest::mousePress(pSource, Qt::LeftButton, Qt::NoModifier, onSelection);
    for (int step = 1; step <= 4; ++step) {
        QTimer::singleShot(kStepMs * step, pTarget, [=] {
            QTest::mouseMove(pTarget, onTarget + QPoint(step % 2, 0));
        });
    }
    QTimer::singleShot(kStepMs * 5, pTarget, [=] { QTest::mouseRelease(pTarget, Qt::LeftButton, Qt::NoModifier, onTarget); });
    QTest::mouseMove(pSource, onSelection + QPoint(12, 0));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const bool bSelfDrive = QApplication::arguments().contains(QStringLiteral("--self-drive"));
    QApplication::clipboard()->setText(QStringLiteral("keep"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Drag test"));
    window.setGeometry(100, 100, 420, 220);
    CProbeEdit source;
    CProbeEdit target;
    CProbeEdit readOnly;
    QLineEdit* pSource = source.Create(&window);
    QPlainTextEdit* pTarget = target.CreateMultiLine(&window);
    QLineEdit* pReadOnly = readOnly.Create(&window);
    pSource->setGeometry(20, 20, 380, 28);
    pTarget->setGeometry(20, 60, 380, 100);
    pReadOnly->setGeometry(20, 172, 380, 28);
    pSource->setText(QStringLiteral("alpha beta gamma"));
    pTarget->setPlainText(QStringLiteral("one two three"));
    pReadOnly->setText(QStringLiteral("1,234,567 bytes"));
    pReadOnly->setReadOnly(true);
    source.RegisterDropTarget();
    target.RegisterDropTarget();
    readOnly.RegisterDropTarget();
    CHoverReport hover;
    pTarget->viewport()->installEventFilter(&hover);

    const auto report = [&] {
        std::printf("TEXT %s|%s|%s\n", qPrintable(pSource->text()), qPrintable(pTarget->toPlainText()),
                    qPrintable(QApplication::clipboard()->text()));
        std::fflush(stdout);
    };
    QObject::connect(pSource, &QLineEdit::textChanged, &window, report);
    QObject::connect(pTarget, &QPlainTextEdit::textChanged, &window, report);

    window.show();
    pSource->setFocus();
    pSource->setSelection(6, 4);
    // The points are printed once the window is on the screen where the window manager put it.
    QTimer ready;
    ready.setInterval(50);
    QObject::connect(&ready, &QTimer::timeout, &window, [&] {
        if (!window.windowHandle() || !window.windowHandle()->isExposed())
            return;
        ready.stop();
        const QPoint onSelection = pSource->mapToGlobal(source.GetEditControl().PosFromChar(7).value() + QPoint(0, 6));
        const QPoint onTarget = pTarget->viewport()->mapToGlobal(target.GetEditControl().PosFromChar(4).value() + QPoint(0, 6));
        std::printf("READY %d %d %d %d\n", onSelection.x(), onSelection.y(), onTarget.x(), onTarget.y());
        std::fflush(stdout);
        if (bSelfDrive)
            SelfDrive(pSource, pSource->mapFromGlobal(onSelection), pTarget->viewport(),
                      pTarget->viewport()->mapFromGlobal(onTarget));
    });
    ready.start();
    return QApplication::exec();
}
