#include "ScanTally.h"

#include "ExtensionFolding.h"
#include "ExtInfo.h"
#include "ScanInfo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t kUsualExtensionCapacity = 256;
// Totals reach the scan at least this often, whatever the walk is doing.
constexpr std::chrono::milliseconds kFlushInterval{100};
// The clock is read once per this many entries (well under a millisecond of walking).
constexpr unsigned kEntriesPerClockRead = 128;
// Extensions a thread remembers the record of; the rarer ones are found in the scan's index.
constexpr std::size_t kMaxKnown = 1024;
// A larger buffer of files waiting for their record is given back after a flush.
constexpr std::size_t kKeptUnresolvedCapacity = 64 * 1024;

} // namespace

ScanTally::ScanTally(SCANINFO& scan) noexcept
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

ScanTally::Sizes ScanTally::SizesOf(const struct stat& status)
{
    // st_blocks counts 512-byte units whatever the file system's block size.
    return Sizes{static_cast<std::uint64_t>(status.st_size), static_cast<std::uint64_t>(status.st_blocks) * 512};
}

void ScanTally::AddFolder(Sizes sizes)
{
    ++m_counts.nFolders;
    AddSaturating(m_counts.nBytes, sizes.nBytes);
    AddSaturating(m_counts.nDiskBytes, sizes.nDiskBytes);
    Counted();
}

void ScanTally::AddRootFile(std::string_view name, Sizes sizes)
{
    AddFile(name, sizes);
    Flush();
}

void ScanTally::AddFolderNotEntered(Sizes sizes)
{
    // Reported before AddFolder, whose flush may come at once.
    ++m_counts.nNotEntered;
    AddFolder(sizes);
}

void ScanTally::AddExcluded()
{
    ++m_counts.nExcluded;
    Counted();
}

ProblemKind ScanTally::AddUnexamined(std::string_view name, int error, bool bListedAsFolder)
{
    // An entry gone since the listing was read is not counted, only reported. One that is listed
    // but cannot be examined (in a folder that may be read but not searched) still exists: it is
    // counted by the type the listing gives, with a size of 0, and reported: a folder among them
    // as not listed (it is not entered), a file as not examined (its size is missing).
    if (error == ENOENT) {
        AddVanished();
        return ProblemKind::Vanished;
    }
    if (bListedAsFolder) {
        AddFolder(Sizes{});
        AddNotListed();
        return ProblemKind::NotListed;
    }
    ++m_counts.nNotExamined;   // before AddFile, whose flush may come at once
    AddFile(name, Sizes{});
    return ProblemKind::NotExamined;
}

bool ScanTally::AddRootNotOpened(int error)
{
    // A root that does not exist counts nothing and is no folder; one that exists but cannot be
    // listed is a folder not listed.
    if (error == ENOENT || error == ENOTDIR)
        return false;
    AddNotListed();
    return true;
}

bool ScanTally::WantsProblem(ProblemKind kind) const
{
    const auto index = static_cast<std::size_t>(kind);
    return m_scan.problemsKept[index].load(std::memory_order_relaxed) + m_problemsWaiting[index] < kMaxProblemsPerKind;
}

void ScanTally::KeepProblem(ScanProblem&& problem) noexcept
{
    try {
        m_problems.push_back(std::move(problem));
        ++m_problemsWaiting[static_cast<std::size_t>(m_problems.back().kind)];
        m_bGathered = true;
    } catch (const std::bad_alloc&) {
    }
}

void ScanTally::AddNotListed(std::uint64_t count)
{
    if (count == 0)
        return;
    m_counts.nNotListed += count;
    m_bGathered = true;
}

void ScanTally::AddVanished()
{
    ++m_counts.nVanished;
    m_bGathered = true;
}

void ScanTally::AddNotFound()
{
    ++m_counts.nNotFound;
    m_bGathered = true;
}

void ScanTally::AddRepeated()
{
    ++m_counts.nRepeated;
    m_bGathered = true;
}

void ScanTally::AddEmptyName()
{
    ++m_counts.nEmptyNames;
    m_bGathered = true;
}

void ScanTally::AddFile(std::string_view name, Sizes sizes)
{
    AddFileWithoutRow(sizes);
    AddToRow(name, sizes);
    Counted();
}

void ScanTally::AddFileWithoutRow(Sizes sizes)
{
    ++m_counts.nFiles;
    AddSaturating(m_counts.nBytes, sizes.nBytes);
    AddSaturating(m_counts.nDiskBytes, sizes.nDiskBytes);
}

void ScanTally::AddLinkedFile(Sizes sizes)
{
    AddFileWithoutRow(sizes);
    Counted();
}

void ScanTally::AddUncheckedLink(std::string_view name, Sizes sizes)
{
    ++m_counts.nLinksUnchecked;   // before AddFile, whose flush may come at once
    AddFile(name, sizes);
}

void ScanTally::AddToRow(std::string_view name, Sizes sizes)
{
    const std::string_view extension = ExtensionFolding::ExtensionOf(name);
    if (extension.empty()) {
        ++m_counts.nNoExtFiles;
        AddSaturating(m_counts.nNoExtBytes, sizes.nBytes);
        AddSaturating(m_counts.nNoExtDiskBytes, sizes.nDiskBytes);
    } else {
        if (m_pLast && extension == m_lastExtension) {
            AddToKnown(*m_pLast, sizes);
        } else {
            m_pLast = nullptr;
            // Out of memory the file still counts, only not in any record, which is reported.
            try {
                m_folded.clear();
                ExtensionFolding::AppendFolded(extension, m_folded);
                const auto known = m_known.find(std::string_view(m_folded));
                if (known != m_known.end()) {
                    m_lastExtension.assign(extension);
                    m_pLast = &known->second;
                    AddToKnown(known->second, sizes);
                } else {
                    AddUnresolved(m_folded, sizes);
                }
            } catch (const std::bad_alloc&) {
                ++m_counts.nNotInRows;
            }
        }
    }
}

void ScanTally::AddToKnown(Pending& pending, Sizes sizes)
{
    if (pending.nCount == 0) {
        try {
            m_changed.push_back(&pending);
        } catch (const std::bad_alloc&) {
            ++m_counts.nNotInRows;   // the file still counts, only not in its record
            return;
        }
    }
    ++pending.nCount;
    AddSaturating(pending.nBytes, sizes.nBytes);
    AddSaturating(pending.nDiskBytes, sizes.nDiskBytes);
}

void ScanTally::AddUnresolved(std::string_view folded, Sizes sizes)
{
    // A name has at most 255 bytes; folded, its extension stays far below 65,536.
    const auto length = static_cast<std::uint16_t>(std::min<std::size_t>(folded.size(), UINT16_MAX));
    char header[sizeof sizes.nBytes + sizeof sizes.nDiskBytes + sizeof length];
    std::memcpy(header, &sizes.nBytes, sizeof sizes.nBytes);
    std::memcpy(header + sizeof sizes.nBytes, &sizes.nDiskBytes, sizeof sizes.nDiskBytes);
    std::memcpy(header + sizeof sizes.nBytes + sizeof sizes.nDiskBytes, &length, sizeof length);
    m_unresolved.reserve(m_unresolved.size() + sizeof header + length);
    m_unresolved.append(header, sizeof header).append(folded.data(), length);
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
        m_scan += m_counts;
        for (Pending* pPending : m_changed) {
            pPending->pRecord->nCount += pPending->nCount;
            AddSaturating(pPending->pRecord->nBytes, pPending->nBytes);
            AddSaturating(pPending->pRecord->nDiskBytes, pPending->nDiskBytes);
        }
        ResolveUnderLock();
        KeepProblemsUnderLock();
    }
    m_counts = {};
    m_bGathered = false;
    for (Pending* pPending : m_changed)
        pPending->nCount = pPending->nBytes = pPending->nDiskBytes = 0;
    m_changed.clear();
    m_unresolved.clear();
    if (m_unresolved.capacity() > kKeptUnresolvedCapacity)
        std::string().swap(m_unresolved);
}

// Another thread may have filled a kind meanwhile: what it has no room for is dropped.
void ScanTally::KeepProblemsUnderLock() noexcept
{
    for (ScanProblem& problem : m_problems) {
        auto& kept = m_scan.problemsKept[static_cast<std::size_t>(problem.kind)];
        if (kept.load(std::memory_order_relaxed) >= kMaxProblemsPerKind)
            continue;
        try {
            m_scan.problems.push_back(std::move(problem));
            kept.fetch_add(1, std::memory_order_relaxed);
        } catch (const std::bad_alloc&) {
        }
    }
    m_problems.clear();
    for (std::size_t& waiting : m_problemsWaiting)
        waiting = 0;
}

// Finds or makes the record of each file gathered without one, and remembers the first few
// records here, so that the common extensions need the scan's index no more.
void ScanTally::ResolveUnderLock()
{
    for (std::size_t offset = 0; offset < m_unresolved.size();) {
        Sizes sizes;
        std::uint16_t length = 0;
        const char* pHeader = m_unresolved.data() + offset;
        std::memcpy(&sizes.nBytes, pHeader, sizeof sizes.nBytes);
        std::memcpy(&sizes.nDiskBytes, pHeader + sizeof sizes.nBytes, sizeof sizes.nDiskBytes);
        std::memcpy(&length, pHeader + sizeof sizes.nBytes + sizeof sizes.nDiskBytes, sizeof length);
        const std::size_t headerSize = sizeof sizes.nBytes + sizeof sizes.nDiskBytes + sizeof length;
        const std::string_view folded(pHeader + headerSize, length);
        offset += headerSize + length;
        // Out of memory the record is not made now (a later file with the extension tries again):
        // this file is in no record, and that is reported.
        EXTINFO* pRecord = FindFoldedExtInfo(&m_scan, folded);
        if (!pRecord) {
            ++m_scan.nNotInRows;
            continue;
        }
        ++pRecord->nCount;
        AddSaturating(pRecord->nBytes, sizes.nBytes);
        AddSaturating(pRecord->nDiskBytes, sizes.nDiskBytes);
        if (m_known.size() < kMaxKnown) {
            try {
                m_known.try_emplace(std::string(folded), Pending{pRecord, 0, 0, 0});
            } catch (const std::bad_alloc&) {
            }
        }
    }
}
