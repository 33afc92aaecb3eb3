#include "HardLinkSet.h"

#include <new>

namespace {

constexpr std::size_t kFirstSlots = 64;
// The shard's index comes from the hash's top bits, a slot from its low bits, so the two are
// independent.
constexpr unsigned kShardShift = 58;
static_assert(HardLinkSet::kShards == std::size_t{1} << (64 - kShardShift));

} // namespace

// splitmix64's finaliser over both halves: inodes are often consecutive numbers, which a table
// indexed by low bits must see spread out.
std::uint64_t HardLinkSet::Hash(const Key& key)
{
    std::uint64_t mixed = key.inode ^ (key.device * 0x9E3779B97F4A7C15ULL);
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ULL;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBULL;
    return mixed ^ (mixed >> 31);
}

bool HardLinkSet::FirstLink(dev_t device, ino_t inode)
{
    const Key key{static_cast<std::uint64_t>(device), static_cast<std::uint64_t>(inode)};
    const std::uint64_t hash = Hash(key);
    Shard& shard = m_shards[hash >> kShardShift];
    std::lock_guard guard(shard.lock);
    if (key == Key{}) {
        const bool bFirst = !shard.bHasZeroKey;
        shard.bHasZeroKey = true;
        return bFirst;
    }
    try {
        // At most three quarters full, so that a probe stays short.
        if ((shard.nUsed + 1) * 4 > shard.slots.size() * 3)
            Grow(shard);
    } catch (const std::bad_alloc&) {
        if (shard.nUsed == shard.slots.size())
            return true;   // no room to remember it: counted
    }
    return Insert(shard, key, hash);
}

// True when key was not there and is now. The shard has a free slot.
bool HardLinkSet::Insert(Shard& shard, const Key& key, std::uint64_t hash)
{
    const std::size_t mask = shard.slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        Key& held = shard.slots[slot];
        if (held == key)
            return false;
        if (held == Key{}) {
            held = key;
            ++shard.nUsed;
            return true;
        }
    }
}

void HardLinkSet::Grow(Shard& shard)
{
    std::vector<Key> old(shard.slots.empty() ? kFirstSlots : shard.slots.size() * 2);
    old.swap(shard.slots);   // old now holds the keys, shard.slots the new empty table
    shard.nUsed = 0;
    for (const Key& key : old) {
        if (!(key == Key{}))
            Insert(shard, key, Hash(key));
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
