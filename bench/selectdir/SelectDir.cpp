// Opens the folder selection dialog on a folder and prints the folder confirmed (nothing on Cancel).
//   select_dir [FOLDER]
#include "SelectDirDialog.h"

#include "Resource.h"
#include "ResourceString.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    CSelectDirDialog dialog(LoadQString(IDS_TIP_FOLDER), LoadQString(IDS_FOLDER_FILTER), folder, true);
    if (dialog.DoModal() == QDialog::Accepted)
        std::printf("%s\n", qPrintable(dialog.GetSelectedFolder()));
    std::fflush(stdout); // before any exit-time checks of a sanitizer build
    return 0;
}
