#include "HardLinkSet.h"

#include "ExtInfo.h"
#include "ScanCounters.h"
#include "ScanInfo.h"

#include <limits>
#include <new>

namespace {

constexpr std::size_t kFirstSlots = 64;
// The shard's index comes from the hash's top bits, a slot from its low bits, so the two are
// independent.
constexpr unsigned kShardShift = 58;
static_assert(HardLinkSet::kShards == std::size_t{1} << (64 - kShardShift));

// A sum of the totals, which may have been driven below zero only by a file whose size changed
// between two of its links being examined: then nothing.
std::uint64_t SettledSum(unsigned __int128 sum)
{
    constexpr unsigned __int128 kNegative = static_cast<unsigned __int128>(1) << 127;
    if (sum >= kNegative)
        return 0;
    return sum > kSaturatedBytes ? kSaturatedBytes : static_cast<std::uint64_t>(sum);
}

} // namespace

// splitmix64's finaliser over both halves: inodes are often consecutive numbers, which a table
// indexed by low bits must see spread out.
std::uint64_t HardLinkSet::Hash(const Slot& key)
{
    std::uint64_t mixed = key.inode ^ (std::uint64_t{key.device} * 0x9E3779B97F4A7C15ULL);
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ULL;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBULL;
    return mixed ^ (mixed >> 31);
}

bool HardLinkSet::FirstLink(dev_t device, ino_t inode) noexcept
{
    return Offer(device, inode, {}, 0, 0) != Link::Later;
}

HardLinkSet::Link HardLinkSet::Offer(dev_t device, ino_t inode, std::string_view folded, std::uint64_t bytes,
                                     std::uint64_t diskBytes) noexcept
{
    // Linux device numbers fit 32 bits; one that does not cannot be told apart here.
    if (static_cast<std::uint64_t>(device) > std::numeric_limits<std::uint32_t>::max())
        return Link::Unchecked;
    std::uint32_t extension = 0;
    try {
        extension = ExtensionIndex(folded);
    } catch (const std::bad_alloc&) {
        return Link::Unchecked;
    }
    const Slot key{static_cast<std::uint64_t>(inode), static_cast<std::uint32_t>(device), extension};
    const std::uint64_t hash = Hash(key);
    Shard& shard = m_shards[hash >> kShardShift];
    std::lock_guard guard(shard.lock);
    if (key.Empty()) {
        if (shard.bHasZeroKey) {
            PreferFirstSorting(shard.zeroKeyExtension, extension, bytes, diskBytes);
            return Link::Later;
        }
        shard.bHasZeroKey = true;
        shard.zeroKeyExtension = extension;
        AddToTotals(extension, bytes, diskBytes);
        return Link::First;
    }
    if (Slot* pHeld = shard.slots.empty() ? nullptr : Find(shard, key, hash)) {
        PreferFirstSorting(pHeld->extension, extension, bytes, diskBytes);
        return Link::Later;
    }
    try {
        // At most three quarters full, so that a probe stays short.
        if ((shard.nUsed + 1) * 4 > shard.slots.size() * 3)
            Grow(shard);
    } catch (const std::bad_alloc&) {
        if (shard.nUsed == shard.slots.size())
            return Link::Unchecked;   // no room to remember it: counted, and said
    }
    Insert(shard, key, hash);
    AddToTotals(extension, bytes, diskBytes);
    return Link::First;
}

// The slot holding key's file, or null. The shard has slots.
HardLinkSet::Slot* HardLinkSet::Find(Shard& shard, const Slot& key, std::uint64_t hash)
{
    const std::size_t mask = shard.slots.size() - 1;
    for (std::size_t slot = hash & mask, probes = 0; probes <= mask; slot = (slot + 1) & mask, ++probes) {
        Slot& held = shard.slots[slot];
        if (held.SameFile(key))
            return &held;
        if (held.Empty())
            return nullptr;
    }
    return nullptr;
}

// Puts key, not there yet, into a free slot; the shard has one.
void HardLinkSet::Insert(Shard& shard, const Slot& key, std::uint64_t hash)
{
    const std::size_t mask = shard.slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        Slot& held = shard.slots[slot];
        if (held.Empty()) {
            held = key;
            ++shard.nUsed;
            return;
        }
    }
}

void HardLinkSet::Grow(Shard& shard)
{
    std::vector<Slot> old(shard.slots.empty() ? kFirstSlots : shard.slots.size() * 2);
    old.swap(shard.slots);   // old now holds the keys, shard.slots the new empty table
    shard.nUsed = 0;
    for (const Slot& key : old) {
        if (!key.Empty())
            Insert(shard, key, Hash(key));
    }
}

std::uint32_t HardLinkSet::ExtensionIndex(std::string_view folded)
{
    std::lock_guard guard(m_extensionLock);
    const auto known = m_extensionIndex.find(folded);
    if (known != m_extensionIndex.end())
        return known->second;
    const auto index = static_cast<std::uint32_t>(m_extensions.size());
    m_extensions.push_back(ExtensionTotals{std::string(folded), 0, 0, 0});
    try {
        m_extensionIndex.emplace(std::string(folded), index);
    } catch (const std::bad_alloc&) {
        m_extensions.pop_back();
        throw;
    }
    return index;
}

// Called under a shard's lock.
void HardLinkSet::AddToTotals(std::uint32_t extension, std::uint64_t bytes, std::uint64_t diskBytes)
{
    std::lock_guard guard(m_extensionLock);
    ExtensionTotals& totals = m_extensions[extension];
    ++totals.nCount;
    totals.nBytes += bytes;
    totals.nDiskBytes += diskBytes;
}

// A later link whose extension sorts before the one a file is counted under takes the file over.
// Called under the file's shard lock.
void HardLinkSet::PreferFirstSorting(std::uint32_t& held, std::uint32_t offered, std::uint64_t bytes,
                                     std::uint64_t diskBytes)
{
    if (held == offered)
        return;
    std::lock_guard guard(m_extensionLock);
    ExtensionTotals& from = m_extensions[held];
    ExtensionTotals& to = m_extensions[offered];
    if (!(to.folded < from.folded))
        return;
    --from.nCount;
    from.nBytes -= bytes;
    from.nDiskBytes -= diskBytes;
    ++to.nCount;
    to.nBytes += bytes;
    to.nDiskBytes += diskBytes;
    held = offered;
}

void HardLinkSet::SettleRows(SCANINFO& scan) const
{
    std::lock_guard extensionGuard(m_extensionLock);
    std::lock_guard scanGuard(scan.cs);
    for (const ExtensionTotals& totals : m_extensions) {
        if (totals.nCount == 0)
            continue;
        const std::uint64_t bytes = SettledSum(totals.nBytes);
        const std::uint64_t diskBytes = SettledSum(totals.nDiskBytes);
        if (totals.folded.empty()) {
            scan.nNoExtFiles += totals.nCount;
            AddSaturating(scan.nNoExtBytes, bytes);
            AddSaturating(scan.nNoExtDiskBytes, diskBytes);
            continue;
        }
        EXTINFO* pRecord = FindFoldedExtInfo(&scan, totals.folded);
        if (!pRecord) {
            scan.nNotInRows += totals.nCount;
            continue;
        }
        pRecord->nCount += totals.nCount;
        AddSaturating(pRecord->nBytes, bytes);
        AddSaturating(pRecord->nDiskBytes, diskBytes);
    }
}

std::size_t HardLinkSet::Size() const
{
    std::size_t size = 0;
    for (const Shard& shard : m_shards) {
        std::lock_guard guard(shard.lock);
        size += shard.nUsed + (shard.bHasZeroKey ? 1 : 0);
    }
    return size;
}
