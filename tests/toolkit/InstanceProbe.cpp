// Prints how many copies of this program run, then waits until its standard input closes.
#include "ResizableDialog.h"

#include <cstdio>

int main()
{
    std::printf("%d\n", CResizableDialog::CountInstances());
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
