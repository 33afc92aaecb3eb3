#include "TopFiles.h"

#include "ExtensionFolding.h"
#include "ExtensionQuery.h"
#include "ScanInfo.h"
#include "ScanPath.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace {

// What entered a thread's list reaches the window at least this often while the walk runs.
constexpr std::chrono::milliseconds kMergeInterval{100};
// Files a thread keeps waiting for a merge: enough to take the lock seldom, few enough that every
// thread together holds next to nothing beside the shared list.
constexpr std::size_t kMaxWaiting = 32;

} // namespace

TopFiles::TopFiles(SCANINFO& scan, const LargestFilesQuery& query) noexcept
    : m_scan(scan)
    , m_query(query)
    , m_lastMerge(std::chrono::steady_clock::now())
{
}

bool TopFiles::RanksBefore(const LargestFile& a, const LargestFile& b)
{
    if (a.bytes != b.bytes)
        return a.bytes > b.bytes;
    return a.path < b.path;
}

void TopFiles::SortLargestFirst(std::vector<LargestFile>& files)
{
    std::sort(files.begin(), files.end(), RanksBefore);
}

bool TopFiles::MayEnter(std::string_view name, std::uint64_t bytes) noexcept
{
    if (!Active() || bytes < m_scan.largestFloor.load(std::memory_order_relaxed))
        return false;
    try {
        return Wanted(name);
    } catch (const std::bad_alloc&) {
        ++m_nNotKept;   // perhaps wanted, certainly not kept
        return false;
    }
}

void TopFiles::Offer(std::string_view name, std::uint64_t bytes, std::int64_t mtime,
                     const std::vector<std::string_view>& folders) noexcept
{
    // Of two files of one size the one whose path sorts first ranks first; the shared list's
    // smallest entry only improves, so one that loses to an older copy of it loses for good.
    if (m_bSmallestKnown && bytes <= m_smallest.bytes &&
        (bytes < m_smallest.bytes || ScanPath::Compare(folders, name, m_smallest.path) >= 0))
        return;
    try {
        if (m_waiting.capacity() == 0)
            m_waiting.reserve(kMaxWaiting);
        m_waiting.push_back(LargestFile{ScanPath::Join(folders, name), bytes, mtime});
    } catch (const std::bad_alloc&) {
        ++m_nNotKept;
        return;
    }
    Merge(m_waiting.size() >= kMaxWaiting);
}

void TopFiles::Consider(std::string_view name, std::uint64_t bytes, std::int64_t mtime,
                        const std::vector<std::string_view>& folders) noexcept
{
    if (MayEnter(name, bytes))
        Offer(name, bytes, mtime, folders);
}

bool TopFiles::Wanted(std::string_view name)
{
    if (!m_bFolded)
        FoldQuery();
    if (m_bEveryFile)
        return true;
    m_folded.clear();
    ExtensionFolding::AppendFolded(ExtensionFolding::ExtensionOf(name), m_folded);
    return std::find(m_extensions.begin(), m_extensions.end(), m_folded) != m_extensions.end();
}

// Each extension asked for is folded as the rows fold theirs, once normalised (ExtensionQuery:
// "iso" means ".iso").
void TopFiles::FoldQuery()
{
    std::vector<std::string> extensions;
    extensions.reserve(m_query.extensions.size());
    for (const std::string& typed : m_query.extensions) {
        std::string folded;
        ExtensionFolding::AppendFolded(ExtensionQuery::Normalize(typed), folded);
        extensions.push_back(std::move(folded));
    }
    m_extensions = std::move(extensions);
    m_bEveryFile = m_query.extensions.empty();
    m_bFolded = true;
}

void TopFiles::Merge(bool bForce) noexcept
{
    if (m_waiting.empty() && m_nNotKept == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!bForce && now - m_lastMerge < kMergeInterval)
        return;
    m_lastMerge = now;
    std::lock_guard lock(m_scan.cs);
    MergeUnderLock();
}

// The scan's list is a heap in the same order, kept to the count asked for. An entry that does
// not get in never will: that list only gets better. Entries move in, so only the list's own
// growth can fail; a file that finds no room then is counted as not kept.
void TopFiles::MergeUnderLock() noexcept
{
    std::vector<LargestFile>& shared = m_scan.largest;
    for (LargestFile& file : m_waiting) {
        if (shared.size() < m_query.count) {
            try {
                shared.push_back(std::move(file));
            } catch (const std::bad_alloc&) {
                ++m_nNotKept;
                continue;
            }
            std::push_heap(shared.begin(), shared.end(), RanksBefore);
        } else if (RanksBefore(file, shared.front())) {
            std::pop_heap(shared.begin(), shared.end(), RanksBefore);
            shared.back() = std::move(file);
            std::push_heap(shared.begin(), shared.end(), RanksBefore);
        }
    }
    m_waiting.clear();
    m_scan.nNotInLargest += m_nNotKept;
    m_nNotKept = 0;
    RememberSmallest();
}

// Once the shared list is full, its smallest entry is the size every thread weighs files against
// first, and this thread keeps a copy of it for ties.
void TopFiles::RememberSmallest() noexcept
{
    const std::vector<LargestFile>& shared = m_scan.largest;
    if (shared.empty() || shared.size() < m_query.count)
        return;
    m_scan.largestFloor.store(shared.front().bytes, std::memory_order_relaxed);
    try {
        m_smallest.path.assign(shared.front().path);
        m_smallest.bytes = shared.front().bytes;
        m_bSmallestKnown = true;
    } catch (const std::bad_alloc&) {
        m_bSmallestKnown = false;   // ties are then settled at the merge
    }
}
