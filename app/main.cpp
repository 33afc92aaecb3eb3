// Kestrum's entry point. The command line is not read.
#include "ScanApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // QApplication also sets the C locale from the environment, which the number formats follow.
    QApplication application(argc, argv);
    CScanApp theApp;
    theApp.InitInstance();
    return 0;
}
