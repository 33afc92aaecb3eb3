// Runs the toolkit tests in an offscreen QApplication whose settings live in a temporary folder.
#include "ProfileStore.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir settingsFolder;
    if (!settingsFolder.isValid())
        return 1;
    SetProfileFileForTesting(settingsFolder.filePath(QStringLiteral("Kestrum.ini")));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
