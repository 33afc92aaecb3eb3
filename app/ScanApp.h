// The application object: reads the command line, prepares the settings store and runs the main dialog.
#pragma once

#include <QString>

class CScanApp {
public:
    // ParseCommandLine's answer when the window is to open.
    static constexpr int kOpenWindow = -1;

    // Reads argv[1..argc-1]: [--help|-h] [--version] [--] [FOLDER]. Needs no QApplication, so
    // --help, --version and usage errors answer without a display. Returns kOpenWindow when the
    // window is to open (keeping FOLDER for InitInstance); otherwise the text has been written
    // and the result is the exit status: 0 after --help or --version, 1 when stdout failed, 2 for
    // bad usage.
    int ParseCommandLine(int argc, const char* const* argv);

    // Names the settings store, runs the main dialog modally (scanning the command line's folder
    // once it is up) and returns false: the program ends when the dialog does. A QApplication must
    // exist.
    bool InitInstance();

private:
    QString m_szStartFolder;
    bool m_bHasStartFolder = false;
};
