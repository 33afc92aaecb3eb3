// The main() of the Qt test executables: GoogleTest inside an offscreen QApplication, in the C
// locale (grouping ","), with the profile in a temporary file that is removed at the end.
#pragma once

#include <QString>

// The INI file the profile functions use during the tests.
QString TestProfilePath();
