// Runs a small dialog with help tips on a real X display. It warps the pointer onto a button that
// is redirected to the dialog, waits for the tip and prints what it finds, one "key values" line
// each: the pointer, the tip's rectangle, whether the platform draws the shadow, and the screen
// pixels of the tip's frame, of its right shadow strip (three columns) and of the dialog beside it,
// and the palette's tooltip colours.
// With --hold it prints the button's centre instead of warping the pointer there, and runs until
// killed (scripts/helptip-screenshot.sh moves the pointer itself).
#include "DialogTemplate.h"
#include "HelpTipWnd.h"
#include "Resource.h"
#include "TemplateDialog.h"
#include "TipRequest.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

constexpr ControlTemplate kProbeControls[] = {
    {1000, ControlKind::Edit, "/home", CS_BORDER | CS_TABSTOP, 7, 7, 150, 12},
    {IDOK, ControlKind::DefPushButton, "Scan now", CS_TABSTOP, 164, 7, 50, 14},
    {IDCANCEL, ControlKind::PushButton, "Exit", CS_TABSTOP, 164, 24, 50, 14},
};
constexpr DialogTemplate kProbeTemplate{9102, "Help tips", 340, 140, "MS Sans Serif", 8,
                                        DS_POPUP | DS_CAPTION | DS_SYSMENU, kProbeControls};

// Answers the tips of its controls by id.
class CProbeDialog : public CTemplateDialog {
public:
    CProbeDialog()
        : CTemplateDialog(kProbeTemplate)
    {
    }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != TIPREQUEST::EventType())
            return CTemplateDialog::event(event);
        auto* request = static_cast<TIPREQUEST*>(event);
        if (request->code != HTN_GETTEXT || request->hwndFrom != this)
            return false;
        switch (request->idFrom) {
        case IDOK:
            request->SetText(QStringLiteral("Counts the folders, files and bytes\nbelow the folder above"));
            break;
        case IDCANCEL:
            request->SetText(QStringLiteral("Closes the window"));
            break;
        default:
            break;
        }
        return true;
    }
};

void Print(const char* key, const QString& values)
{
    std::printf("%s %s\n", key, qPrintable(values));
    std::fflush(stdout);
}

QString Colour(QRgb rgb)
{
    return QStringLiteral("%1 %2 %3").arg(qRed(rgb)).arg(qGreen(rgb)).arg(qBlue(rgb));
}

QString Pixel(const QImage& image, int x, int y)
{
    return Colour(image.pixel(x, y));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const bool bHold = argc > 1 && QByteArray(argv[1]) == "--hold";

    CProbeDialog dialog;
    dialog.Create();
    dialog.move(60, 60);
    dialog.show();
    dialog.activateWindow();

    CHelpTipWnd tip;
    QWidget* pButton = dialog.GetDlgItem(IDOK);
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    int nStage = 0;
    QRect rcTip;
    QPoint ptPointer;

    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (clock.elapsed() > 15000) {
            Print("timeout", QString::number(nStage));
            application.exit(2);
            return;
        }
        switch (nStage) {
        case 0: // the dialog is up and active: switch tips on and rest the pointer on the button
            if (QApplication::activeWindow() != &dialog)
                return;
            if (!tip.Toggle(&dialog)) {
                Print("toggle", QStringLiteral("refused"));
                application.exit(3);
                return;
            }
            tip.RedirectTip(pButton, &dialog);
            tip.RedirectTip(dialog.GetDlgItem(IDCANCEL), &dialog);
            nStage = 1;
            ptPointer = pButton->mapToGlobal(pButton->rect().center());
            if (bHold) {
                Print("button", QStringLiteral("%1 %2").arg(ptPointer.x()).arg(ptPointer.y()));
                poll.stop();
                return;
            }
            QCursor::setPos(ptPointer);
            return;
        case 1: // the tip shows
            if (!tip.GetTipWindow() || !tip.GetTipWindow()->isVisible())
                return;
            rcTip = tip.GetTipWindow()->geometry();
            nStage = 2;
            clock.restart();
            return;
        default: { // a moment for the paint to reach the screen, then read it
            if (clock.elapsed() < 500)
                return;
            poll.stop();
            const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            const int nMid = rcTip.top() + rcTip.height() / 2;
            const int nStrip = rcTip.left() + rcTip.width() - 3;
            Print("pointer", QStringLiteral("%1 %2").arg(ptPointer.x()).arg(ptPointer.y()));
            Print("tip", QStringLiteral("%1 %2 %3 %4").arg(rcTip.x()).arg(rcTip.y()).arg(rcTip.width()).arg(rcTip.height()));
            Print("frame", Pixel(screen, rcTip.left(), rcTip.top()));
            Print("strip0", Pixel(screen, nStrip, nMid));
            Print("strip1", Pixel(screen, nStrip + 1, nMid));
            Print("strip2", Pixel(screen, nStrip + 2, nMid));
            Print("beside", Pixel(screen, nStrip + 4, nMid));
            const QPalette palette = tip.GetTipWindow()->palette();
            Print("tiptext", Colour(palette.color(QPalette::ToolTipText).rgb()));
            Print("tipbase", Colour(palette.color(QPalette::ToolTipBase).rgb()));
            application.exit(0);
            return;
        }
        }
    });
    poll.start(20);
    return application.exec();
}
