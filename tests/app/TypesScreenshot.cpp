// Not a test: draws the main window after a scan, in a light or a dark palette, grouped by file
// type or not, with two rows selected, and saves the picture (scripts/types-screenshot.sh).
//
//   kestrum_types_screenshot FOLDER OUT.png light|dark extensions|types
#include "ExtListCtrl.h"
#include "Resource.h"
#include "ScanDialog.h"

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>
#include <QThread>

#include <cstdio>
#include <cstring>

namespace {

// A dark palette as dark desktop themes give one: light text on dark bases, a mid blue highlight.
QPalette DarkPalette()
{
    QPalette palette;
    const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230), highlight(42, 130, 218);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    return palette;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FOLDER OUT.png light|dark extensions|types\n", argv[0]);
        return 2;
    }
    int nQtArgs = 1;
    QApplication application(nQtArgs, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (std::strcmp(argv[3], "dark") == 0)
        QApplication::setPalette(DarkPalette());

    CScanDialog dialog;
    if (!dialog.Create())
        return 1;
    dialog.show();
    CExtListCtrl& list = dialog.ListForTesting();
    if (std::strcmp(argv[4], "types") == 0)
        dialog.ExecuteCommand(ID_OPTIONS_BY_TYPE);
    dialog.ScanOnOpen(QString::fromLocal8Bit(argv[1]));

    QElapsedTimer waited;
    waited.start();
    while ((dialog.IsScanning() || list.Table().RowCount() == 0) && waited.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    if (list.Table().RowCount() == 0)
        return 1;
    // Sized once the window has taken its stored placement, which happens after it is shown.
    dialog.resize(760, 600);
    // Largest first, two rows selected (one of them current), so a bar shows on a selected row.
    list.OnColumnClick(CExtTableModel::ColumnSize);
    for (const int row : {0, 2})
        list.selectionModel()->select(list.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list.setFocus();
    for (int pass = 0; pass < 20; ++pass) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    const bool bSaved = dialog.grab().save(QString::fromLocal8Bit(argv[2]));
    dialog.ExecuteCommand(IDCANCEL);
    return bSaved ? 0 : 1;
}
