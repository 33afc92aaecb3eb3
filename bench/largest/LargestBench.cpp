// Scans FOLDER once through the engine, keeping the COUNT largest files (of EXTS, comma-separated;
// every file when not given), and prints the totals and how many files were kept, the largest
// first. COUNT 0 is an ordinary scan.
//
//   kestrum_largest_bench COUNT FOLDER [EXTS] [THREADS]
#include "ScanInfo.h"
#include "ScanJob.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> SplitAtCommas(std::string_view text)
{
    std::vector<std::string> parts;
    for (;;) {
        const std::size_t comma = text.find(',');
        parts.emplace_back(text.substr(0, comma));
        if (comma == std::string_view::npos)
            return parts;
        text.remove_prefix(comma + 1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s COUNT FOLDER [EXTS] [THREADS]\n", argv[0]);
        return 2;
    }
    FolderWalkOptions options;
    options.largest.count = std::strtoull(argv[1], nullptr, 10);
    if (argc > 3 && argv[3][0] != '\0')
        options.largest.extensions = SplitAtCommas(argv[3]);
    if (argc > 4)
        options.threads = std::strtoull(argv[4], nullptr, 10);
    SCANINFO scan;
    ScanJob job(scan);
    if (!job.Prepare(argv[2]) || !job.Start(options)) {
        std::perror("scan");
        return 1;
    }
    job.WaitDone(std::chrono::hours(24));
    job.Release();
    const ScanResult result = job.TakeResult();
    const ScanCounters& counts = result.Counters();
    std::printf("%llu folders, %llu files, %llu bytes, complete: %s; %zu largest kept\n",
                static_cast<unsigned long long>(counts.nFolders), static_cast<unsigned long long>(counts.nFiles),
                static_cast<unsigned long long>(counts.nBytes), counts.IsComplete() ? "yes" : "no",
                result.Largest().size());
    if (!result.Largest().empty())
        std::printf("largest: %llu %s\n", static_cast<unsigned long long>(result.Largest().front().bytes),
                    result.Largest().front().path.c_str());
    return 0;
}
