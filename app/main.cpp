// Kestrum's entry point: kestrum [--help] [--version] [FOLDER].
#include "MessageCatalogue.h"
#include "ScanApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>

int main(int argc, char* argv[])
{
    // The texts of --help are already in the user's language.
    std::setlocale(LC_ALL, "");
    BindMessageCatalogues(InstalledLocaleDir());
    CScanApp theApp;
    // Read before any QApplication exists, which would need a display even to print --help.
    const int nExitStatus = theApp.ParseCommandLine(argc, argv);
    if (nExitStatus != CScanApp::kOpenWindow)
        return nExitStatus;

    // QApplication also sets the C locale from the environment, which the number formats follow.
    // It is given the program's name alone: Qt would otherwise take its own options (-reverse,
    // -style ...) out of the arguments, even a folder given after "--".
    int nQtArgs = 1;
    QApplication application(nQtArgs, argv);
    // Qt's own texts (the file and font choosers, OK and Cancel) in the same language; without
    // Qt's catalogue they stay English.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);
    theApp.InitInstance();
    return 0;
}
