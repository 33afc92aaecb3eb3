// Reads the scan file named on the command line and prints how many rows and files it holds and
// how long the reading took; exit status 1 when it could not be read.
#include "ScanFileReader.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrum_scanfile_bench FILE\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    SavedScan scan;
    ScanFileError error;
    if (!ScanFileReader::ReadFile(argv[1], scan, error)) {
        std::fprintf(stderr, "kestrum_scanfile_bench: %s could not be read (fault %d)\n", argv[1],
                     static_cast<int>(error.fault));
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%zu rows, %llu files, read in %.3f s\n", scan.result.RecordCount(),
                static_cast<unsigned long long>(scan.result.Counters().nFiles), took.count());
    return 0;
}
