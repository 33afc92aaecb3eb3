#include "ScanTally.h"

#include "ExtensionFolding.h"
#include "ExtInfo.h"
#include "ScanInfo.h"

#include <mutex>
#include <new>

namespace {

constexpr std::size_t kUsualExtensionCapacity = 256;

} // namespace

ScanTally::ScanTally(SCANINFO& scan)
    : m_scan(scan)
{
    try {
        m_lastExtension.reserve(kUsualExtensionCapacity);
        m_folded.reserve(kUsualExtensionCapacity);
    } catch (const std::bad_alloc&) {
        // The buffers then grow when first used, or the records are skipped.
    }
}

void ScanTally::AddFolder(std::uint64_t size)
{
    std::lock_guard lock(m_scan.cs);
    ++m_scan.nFolders;
    m_scan.nBytes += size;
}

void ScanTally::AddRootFile(std::uint64_t size)
{
    std::lock_guard lock(m_scan.cs);
    ++m_scan.nFiles;
    m_scan.nBytes += size;
}

void ScanTally::AddNotListed(std::uint64_t count)
{
    std::lock_guard lock(m_scan.cs);
    m_scan.nNotListed += count;
}

void ScanTally::AddNotEntered()
{
    std::lock_guard lock(m_scan.cs);
    ++m_scan.nNotEntered;
}

void ScanTally::AddVanished()
{
    std::lock_guard lock(m_scan.cs);
    ++m_scan.nVanished;
}

void ScanTally::AddFile(std::string_view name, std::uint64_t size)
{
    const std::string_view extension = ExtensionFolding::ExtensionOf(name);
    EXTINFO* pRecord = RememberedRecord(extension);
    bool bFolded = false;
    if (!extension.empty() && !pRecord) {
        // Folding needs no lock, so it happens before the lock is taken.
        try {
            m_folded.clear();
            ExtensionFolding::AppendFolded(extension, m_folded);
            bFolded = true;
        } catch (const std::bad_alloc&) {
            // The file is still counted, only not in any record.
        }
    }
    {
        std::lock_guard lock(m_scan.cs);
        ++m_scan.nFiles;
        m_scan.nBytes += size;
        if (bFolded)
            pRecord = FindFoldedExtInfo(&m_scan, m_folded);
        if (pRecord) {
            ++pRecord->nCount;
            pRecord->nBytes += size;
        }
    }
    if (bFolded && pRecord)
        Remember(extension, pRecord);
}

EXTINFO* ScanTally::RememberedRecord(std::string_view extension) const
{
    return (m_pLastRecord && !extension.empty() && extension == m_lastExtension) ? m_pLastRecord : nullptr;
}

void ScanTally::Remember(std::string_view extension, EXTINFO* pRecord)
{
    try {
        m_lastExtension.assign(extension);
        m_pLastRecord = pRecord;
    } catch (const std::bad_alloc&) {
        m_pLastRecord = nullptr;
    }
}
