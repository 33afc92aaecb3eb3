// Drives the engine for bench/linkset_bench.sh, whose /usr/bin/time -v reads the peak memory:
//   kestrum_linkset walk ROOT THREADS once|every   walks ROOT counting hard links once or not
//   kestrum_linkset keys COUNT                     offers COUNT different files to a HardLinkSet,
//                                                  the most it can hold for COUNT links
#include "ExtInfo.h"
#include "HardLinkSet.h"
#include "ScanInfo.h"
#include "ScanJob.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Walk(const char* root, std::size_t threads, bool bLinksOnce)
{
    SCANINFO scan;
    ScanJob job(scan);
    if (!job.Prepare(root))
        return 1;
    FolderWalkOptions options;
    options.threads = threads;
    options.linksOnce = bLinksOnce;
    job.RunHere(options);
    const ScanCounters counts = job.Snapshot();
    std::printf("%llu folders, %llu files, %llu bytes, %llu on disk\n",
                static_cast<unsigned long long>(counts.nFolders), static_cast<unsigned long long>(counts.nFiles),
                static_cast<unsigned long long>(counts.nBytes), static_cast<unsigned long long>(counts.nDiskBytes));
    FreeExtList(&scan);
    return 0;
}

int Keys(std::size_t count)
{
    HardLinkSet links;
    std::size_t first = 0;
    for (std::size_t inode = 1; inode <= count; ++inode)
        first += links.FirstLink(2049, static_cast<ino_t>(inode)) ? 1 : 0;
    std::printf("%zu files offered, %zu first links, %zu remembered\n", count, first, links.Size());
    return first == count ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "walk") == 0)
        return Walk(argv[2], std::strtoul(argv[3], nullptr, 10), std::strcmp(argv[4], "once") == 0);
    if (argc == 3 && std::strcmp(argv[1], "keys") == 0)
        return Keys(std::strtoul(argv[2], nullptr, 10));
    std::fprintf(stderr, "usage: %s walk ROOT THREADS once|every | keys COUNT\n", argv[0]);
    return 2;
}
