// One walking thread's way into the scan's list of the largest files of the extensions asked for.
// A file is weighed by size alone against the smallest entry of the shared list (read without the
// lock; that entry only gets bigger), so that nearly every file is turned away at once; only one
// that may enter has its path made. Those wait in a short list of this thread's own and are merged
// into the shared list, under the scan's lock, when it fills, now and then (so the window sees the
// list grow) and at the end of the thread's part. Memory: the count asked for, once, plus a few
// dozen paths per thread, whatever the number of threads. A file that memory runs short for is
// counted (nNotInLargest), never dropped silently, and never costs the walk any count.
#pragma once

#include "LargestFiles.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SCANINFO;

class TopFiles {
public:
    // query and scan are shared with the other walking threads and outlive the object. Makes
    // nothing that can fail: the extensions are folded when the first file is offered.
    TopFiles(SCANINFO& scan, const LargestFilesQuery& query) noexcept;
    TopFiles(const TopFiles&) = delete;
    TopFiles& operator=(const TopFiles&) = delete;

    // False for an ordinary scan (count 0): nothing is kept and nothing need be offered.
    bool Active() const { return m_query.count != 0; }

    // Weighs a file named name (the name alone) of this size: by size first, against the shared
    // list's smallest entry, then by its extension. Only when it may enter need the caller gather
    // the folders' names for Offer. Out of memory: false, and the file is counted as not kept.
    bool MayEnter(std::string_view name, std::uint64_t bytes) noexcept;
    // A file MayEnter let through waits for the next merge, unless it ties in size with the
    // shared list's smallest entry known here and its path does not sort first. folders: the
    // names of the folders it lies in, the root as given first. Out of memory it is counted as
    // not kept.
    void Offer(std::string_view name, std::uint64_t bytes, std::int64_t mtime,
               const std::vector<std::string_view>& folders) noexcept;
    // MayEnter, then Offer.
    void Consider(std::string_view name, std::uint64_t bytes, std::int64_t mtime,
                  const std::vector<std::string_view>& folders) noexcept;
    // A file the caller could not offer for want of memory (gathering its folders' names).
    void CountNotKept() noexcept { ++m_nNotKept; }

    // Merges what waits here into the scan's list, when the last merge is at least the live
    // interval ago (or always, with bForce), and adds the files not kept to the scan's count.
    // Takes the scan's lock; throws nothing.
    void Merge(bool bForce) noexcept;

    // The order of the lists: more bytes first, equal sizes by path, plain byte order.
    static bool RanksBefore(const LargestFile& a, const LargestFile& b);
    // Sorts a list into that order.
    static void SortLargestFirst(std::vector<LargestFile>& files);

private:
    bool Wanted(std::string_view name);
    bool InWantedCategory() const;
    void FoldQuery();
    void MergeUnderLock() noexcept;
    void RememberSmallest() noexcept;

    SCANINFO& m_scan;
    const LargestFilesQuery& m_query;
    // Folded extensions asked for ("" for files without one); empty with bEveryFile.
    std::vector<std::string> m_extensions;
    bool m_bFolded = false;
    bool m_bEveryFile = false;
    std::string m_folded;   // reused for each fold

    // Files that may enter, waiting for the next merge; never more than a few dozen.
    std::vector<LargestFile> m_waiting;
    // The shared list's smallest entry as this thread last saw it (when that list was full), so
    // that a file of the same size is weighed by path without the lock or its path being made.
    LargestFile m_smallest;
    bool m_bSmallestKnown = false;
    std::uint64_t m_nNotKept = 0;   // since the last merge
    std::chrono::steady_clock::time_point m_lastMerge;
};
