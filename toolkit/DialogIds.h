// The command ids every dialog shares: the default button ("OK") and the cancel button, which
// Escape and closing the window also reach. The program's resource header gives its templates the
// same numbers; the compiler warns should the two ever differ.
#pragma once

#define IDOK     1
#define IDCANCEL 2
