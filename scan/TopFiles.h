// One walking thread's largest files of the extensions asked for: a heap of at most N entries
// whose top is the one that ranks last, so that a file is weighed against it by size alone before
// anything else is looked at. Only a file that enters has its path made. Now and then (and at the
// end of the thread's part) what entered since the last time is merged into the scan's shared
// list, under the scan's lock, so the window can show the list growing.
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

    // Whether a file named name (the name alone) of this size could enter: by its size first,
    // weighed against the entry that ranks last, then by its extension. Only then need the caller
    // gather the folders' names for Offer. Throws std::bad_alloc.
    bool MayEnter(std::string_view name, std::uint64_t bytes);
    // A file MayEnter let through: it enters unless it ties in size with the entry that ranks
    // last and its path does not sort first. folders: the names of the folders it lies in, the
    // root as given first. Throws std::bad_alloc.
    void Offer(std::string_view name, std::uint64_t bytes, std::int64_t mtime,
               const std::vector<std::string_view>& folders);

    // Merges what entered since the last merge into the scan's list, when the last merge is at
    // least the live interval ago (or always, with bForce). Takes the scan's lock; throws nothing:
    // out of memory, what could not be merged waits for the next time.
    void Merge(bool bForce) noexcept;

    // The order of the lists: more bytes first, equal sizes by path, plain byte order.
    static bool RanksBefore(const LargestFile& a, const LargestFile& b);
    // Sorts a list into that order.
    static void SortLargestFirst(std::vector<LargestFile>& files);

private:
    struct Entry {
        LargestFile file;
        bool bMerged = false;   // already in the scan's list
    };

    bool Full() const { return m_heap.size() >= m_query.count; }
    bool BigEnough(std::uint64_t bytes) const { return !Full() || bytes >= m_heap.front().file.bytes; }
    bool Wanted(std::string_view name);
    void FoldQuery();
    void MergeUnderLock();

    SCANINFO& m_scan;
    const LargestFilesQuery& m_query;
    // Folded extensions asked for ("" for files without one); empty with bEveryFile.
    std::vector<std::string> m_extensions;
    bool m_bFolded = false;
    bool m_bEveryFile = false;
    std::string m_folded;   // reused for each fold

    std::vector<Entry> m_heap;   // std heap, front = the entry that ranks last
    std::size_t m_nUnmerged = 0;
    std::chrono::steady_clock::time_point m_lastMerge;
};
