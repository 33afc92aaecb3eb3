// The application object: prepares the settings store and runs the main dialog.
#pragma once

class CScanApp {
public:
    // Names the settings store, runs the main dialog modally and returns false: the program ends
    // when the dialog does. A QApplication must exist.
    bool InitInstance();
};
