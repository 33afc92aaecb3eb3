// The files with several hard links a walk has met, by device and inode, so that each is counted
// once however many links lead to it. One set is shared by every walking thread of a scan: it is
// split into shards by the key's hash, each with a lock of its own, so that threads seldom wait
// for one another.
//
// Memory: each shard is an open-addressing table of 16-byte keys kept at most three quarters
// full and doubled when it would be fuller, so a file remembered takes 21 to 43 bytes (and, for the moment one shard grows, that
// shard's old table as well). Only files whose link count is above 1 are ever offered.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class HardLinkSet {
public:
    HardLinkSet() = default;
    HardLinkSet(const HardLinkSet&) = delete;
    HardLinkSet& operator=(const HardLinkSet&) = delete;

    // True the first time a file is offered, false for each later link to it. Any thread. Out of
    // memory the file cannot be remembered and is taken as met for the first time: a link counted
    // twice is better than a file lost.
    bool FirstLink(dev_t device, ino_t inode);
    // Files remembered. Any thread; exact once the walk has ended.
    std::size_t Size() const;

    static constexpr std::size_t kShards = 64;

private:
    struct Key {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool operator==(const Key&) const = default;
    };
    // Aligned to a cache line so that two threads working on neighbouring shards do not slow
    // each other down.
    struct alignas(64) Shard {
        mutable std::mutex lock;
        std::vector<Key> slots;    // empty slots hold the key {0, 0}; size a power of two
        std::size_t nUsed = 0;     // keys in slots
        bool bHasZeroKey = false;  // the key {0, 0} itself, which cannot stand in a slot
    };

    static std::uint64_t Hash(const Key& key);
    static bool Insert(Shard& shard, const Key& key, std::uint64_t hash);
    static void Grow(Shard& shard);

    std::array<Shard, kShards> m_shards;
};
