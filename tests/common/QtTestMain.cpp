#include "QtTestMain.h"

#include "ProfileStore.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>

namespace {

QString g_profilePath;

} // namespace

QString TestProfilePath()
{
    return g_profilePath;
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QTemporaryDir settingsFolder;
    if (!settingsFolder.isValid())
        return 1;
    // Qt's own dialogs keep their state in the user's configuration folder: keep it in ours.
    qputenv("XDG_CONFIG_HOME", settingsFolder.path().toLocal8Bit());
    QApplication application(argc, argv);
    // QApplication takes the locale from the environment; the tests expect the C locale's texts.
    std::setlocale(LC_ALL, "C");
    g_profilePath = settingsFolder.filePath(QStringLiteral("Kestrum.ini"));
    SetProfileFileForTesting(g_profilePath);
    return RUN_ALL_TESTS();
}
