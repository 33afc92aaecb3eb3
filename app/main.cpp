// Kestrum's entry point: kestrum [--help] [--version] [FOLDER].
#include "ScanApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
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
    theApp.InitInstance();
    return 0;
}
