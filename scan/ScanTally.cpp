#include "ScanTally.h"

#include "ExtensionFolding.h"
#include "ExtInfo.h"
#include "ScanInfo.h"

#include <mutex>
#include <new>

namespace {

constexpr std::size_t kUsualExtensionCapacity = 256;
// Totals reach the scan at least this often, whatever the walk is doing.
constexpr std::chrono::milliseconds kFlushInterval{100};
// The clock is read once per this many entries (well under a millisecond of walking).
constexpr unsigned kEntriesPerClockRead = 128;
// Past this many extensions the thread forgets them after a flush; the scan's index finds them.
constexpr std::size_t kMaxRemembered = 4096;

} // namespace

ScanTally::ScanTally(SCANINFO& scan)
    : m_scan(scan)
    , m_lastFlush(std::chrono::steady_clock::now())
{
    try {
        m_lastExtension.reserve(kUsualExtensionCapacity);
        m_folded.reserve(kUsualExtensionCapacity);
    } catch (const std::bad_alloc&) {
        // The buffers then grow when first used, or the records are skipped.
    }
}

ScanTally::~ScanTally()
{
    Flush();
}

void ScanTally::AddFolder(std::uint64_t size)
{
    ++m_nFolders;
    m_nBytes += size;
    Counted();
}

void ScanTally::AddRootFile(std::uint64_t size)
{
    std::lock_guard lock(m_scan.cs);
    ++m_scan.nFiles;
    m_scan.nBytes += size;
}

void ScanTally::AddNotListed(std::uint64_t count)
{
    m_nNotListed += count;
    m_bGathered = true;
}

void ScanTally::AddNotEntered()
{
    ++m_nNotEntered;
    m_bGathered = true;
}

void ScanTally::AddVanished()
{
    ++m_nVanished;
    m_bGathered = true;
}

void ScanTally::AddFile(std::string_view name, std::uint64_t size)
{
    ++m_nFiles;
    m_nBytes += size;
    const std::string_view extension = ExtensionFolding::ExtensionOf(name);
    if (!extension.empty()) {
        PendingMap::value_type* pEntry = (m_pLast && extension == m_lastExtension) ? m_pLast : EntryFor(extension);
        // Out of memory the file still counts, only not in any record.
        if (pEntry && (pEntry->second.nCount > 0 || MarkChanged(pEntry))) {
            ++pEntry->second.nCount;
            pEntry->second.nBytes += size;
        }
    }
    Counted();
}

// The gathered totals of an extension as listed, remembered as the last one; null when memory ran
// out.
ScanTally::PendingMap::value_type* ScanTally::EntryFor(std::string_view extension)
{
    m_pLast = nullptr;
    try {
        m_folded.clear();
        ExtensionFolding::AppendFolded(extension, m_folded);
        PendingMap::value_type* pEntry = &*m_extensions.try_emplace(m_folded).first;
        m_lastExtension.assign(extension);
        m_pLast = pEntry;
        return pEntry;
    } catch (const std::bad_alloc&) {
        m_pLast = nullptr;
        return nullptr;
    }
}

// Puts an extension whose totals were zero on the list of those the next flush adds.
bool ScanTally::MarkChanged(PendingMap::value_type* pEntry)
{
    try {
        m_changed.push_back(pEntry);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void ScanTally::Counted()
{
    m_bGathered = true;
    if (++m_nSinceClock < kEntriesPerClockRead)
        return;
    m_nSinceClock = 0;
    if (std::chrono::steady_clock::now() - m_lastFlush >= kFlushInterval)
        Flush();
}

void ScanTally::Flush()
{
    m_lastFlush = std::chrono::steady_clock::now();
    if (!m_bGathered)
        return;
    {
        std::lock_guard lock(m_scan.cs);
        m_scan.nFolders += m_nFolders;
        m_scan.nFiles += m_nFiles;
        m_scan.nBytes += m_nBytes;
        m_scan.nNotListed += m_nNotListed;
        m_scan.nNotEntered += m_nNotEntered;
        m_scan.nVanished += m_nVanished;
        for (PendingMap::value_type* pEntry : m_changed) {
            Pending& pending = pEntry->second;
            // Out of memory the record is not made now; a later flush tries again.
            if (!pending.pRecord)
                pending.pRecord = FindFoldedExtInfo(&m_scan, pEntry->first);
            if (pending.pRecord) {
                pending.pRecord->nCount += pending.nCount;
                pending.pRecord->nBytes += pending.nBytes;
            }
        }
    }
    m_nFolders = m_nFiles = m_nBytes = 0;
    m_nNotListed = m_nNotEntered = m_nVanished = 0;
    m_bGathered = false;
    for (PendingMap::value_type* pEntry : m_changed)
        pEntry->second.nCount = pEntry->second.nBytes = 0;
    m_changed.clear();
    if (m_extensions.size() > kMaxRemembered) {
        m_extensions.clear();
        m_pLast = nullptr;
    }
}
