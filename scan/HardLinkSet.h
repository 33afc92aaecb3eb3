// The files with several hard links a walk has met, by device and inode, so that each is counted
// once however many links lead to it, and the row each of them belongs to. One set is shared by
// every walking thread of a scan: it is split into shards by the key's hash, each with a lock of
// its own, so that threads seldom wait for one another.
//
// The row of such a file does not depend on which thread met which link first: it is that of the
// extension that sorts first (folded, plain byte order; no extension before any) among the names
// of its links the walk met, settled when the walk has ended (SettleRows). Until then the set
// keeps each extension's totals itself, moving a file from one to another when a name that sorts
// first turns up.
//
// Memory: each shard is an open-addressing table of 16-byte slots (inode, device, extension)
// kept at most three quarters full and doubled when it would be fuller, so a file remembered takes
// 21 to 43 bytes (and, for the moment one shard grows, that shard's old table as well), plus one
// small record per distinct extension. Only files whose link count is above 1 are ever offered.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct SCANINFO;

class HardLinkSet {
public:
    HardLinkSet() = default;
    HardLinkSet(const HardLinkSet&) = delete;
    HardLinkSet& operator=(const HardLinkSet&) = delete;

    enum class Link {
        First,      // met for the first time: count the file, its row comes from SettleRows
        Later,      // a later link of a file counted already: it adds nothing
        Unchecked,  // could not be checked (out of memory): count it with its own row, reported
    };
    // Offers one link of a file: folded is the folded extension of the link's name ("" for none),
    // bytes and diskBytes the file's sizes. Any thread; throws nothing.
    Link Offer(dev_t device, ino_t inode, std::string_view folded, std::uint64_t bytes,
               std::uint64_t diskBytes) noexcept;
    // Offer for a file without an extension or sizes: true unless it is a later link.
    bool FirstLink(dev_t device, ino_t inode) noexcept;
    // Files remembered. Any thread; exact once the walk has ended.
    std::size_t Size() const;

    // Once every walking thread has ended: adds each file remembered to its row in scan, under the
    // scan's lock (files whose record cannot be made count as kept in no row).
    void SettleRows(SCANINFO& scan) const;

    static constexpr std::size_t kShards = 64;

private:
    struct Slot {
        std::uint64_t inode = 0;
        std::uint32_t device = 0;
        std::uint32_t extension = 0;   // index into m_extensions
        bool SameFile(const Slot& other) const { return inode == other.inode && device == other.device; }
        bool Empty() const { return inode == 0 && device == 0; }
    };
    // Aligned to a cache line so that two threads working on neighbouring shards do not slow
    // each other down.
    struct alignas(64) Shard {
        mutable std::mutex lock;
        std::vector<Slot> slots;   // empty slots hold the key {0, 0}; size a power of two
        std::size_t nUsed = 0;     // keys in slots
        bool bHasZeroKey = false;  // the key {0, 0} itself, which cannot stand in a slot
        std::uint32_t zeroKeyExtension = 0;
    };
    // The files counted under one extension. Sums may pass through "negative" values while files
    // move between extensions; 128 bits hold the true sums exactly.
    struct ExtensionTotals {
        std::string folded;
        std::uint64_t nCount = 0;
        unsigned __int128 nBytes = 0;
        unsigned __int128 nDiskBytes = 0;
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };

    static std::uint64_t Hash(const Slot& key);
    static Slot* Find(Shard& shard, const Slot& key, std::uint64_t hash);
    static void Insert(Shard& shard, const Slot& key, std::uint64_t hash);
    static void Grow(Shard& shard);
    std::uint32_t ExtensionIndex(std::string_view folded);
    void AddToTotals(std::uint32_t extension, std::uint64_t bytes, std::uint64_t diskBytes);
    void PreferFirstSorting(std::uint32_t& held, std::uint32_t offered, std::uint64_t bytes,
                            std::uint64_t diskBytes);

    std::array<Shard, kShards> m_shards;
    // Taken alone or inside a shard's lock, never the other way round.
    mutable std::mutex m_extensionLock;
    std::vector<ExtensionTotals> m_extensions;
    std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> m_extensionIndex;
};
