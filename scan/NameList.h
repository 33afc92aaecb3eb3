// The names a walk counts instead of a folder's listing (kestrum-scan --files0-from): read from a
// descriptor as NUL-separated names, a batch at a time, so that a list of any length is never held
// whole. The walk sees them as the entries of one folder (the current folder, so that relative
// names resolve as they were given) and shares them out over its threads like any long listing.
// It also remembers which entries were named already, so that a name given twice counts once.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// What a folder's listing asks for more entries once those it holds are walked.
class NameFeed {
public:
    // Appends the next entries (a type byte, then a name ended by a NUL), about maxBytes of them,
    // to entries. False once there are none left. Throws std::bad_alloc.
    virtual bool Refill(std::string& entries, std::size_t maxBytes) = 0;

protected:
    ~NameFeed() = default;
};

class NameList final : public NameFeed {
public:
    // The type byte of the entry that stands for an empty name: the entry's text is the name's
    // place in the list (1 for the first name), which is all there is to name it by.
    static constexpr char kEmptyName = '\xff';

    // Reads from fd (not owned; standard input as well as a file). source: the list as the
    // user named it ("-" for standard input), for naming an empty name's place.
    NameList(int fd, std::string source);
    const std::string& Source() const { return m_source; }
    NameList(const NameList&) = delete;
    NameList& operator=(const NameList&) = delete;

    // Any walking thread may ask (the one holding the list's own frame, and one handing names to
    // another thread); the calls take turns.
    bool Refill(std::string& entries, std::size_t maxBytes) override;

    // True the first time an entry (device, inode) is met by name; a file with several links is
    // told apart by the last part of its name as well, so that two of its links named in the
    // list both count. Any walking thread may ask. Out of memory the entry counts as new.
    bool FirstTime(dev_t device, ino_t inode, bool bSeveralLinks, std::string_view name);

    // After the walk: the errno of a read that failed (0 when the list was read to its end).
    int ReadError() const { return m_readError; }
    // The folder every name read lies in ("dir" for "dir/a" and "dir/b"; "." for relative
    // names in no common folder, "/" for absolute ones); empty when there were no names, or both
    // relative and absolute ones.
    const std::string& CommonFolder() const { return m_common; }

    // The folder a name lies in, as CommonFolder takes it: "a/b" for "a/b/c", "." for "c",
    // "/" for "/c". Trailing slashes do not count.
    static std::string_view FolderOf(std::string_view name);
    // The longest folder both `a` and `b` lie in (whole names only), as CommonFolder says it.
    static std::string CommonOf(std::string_view a, std::string_view b);

private:
    bool ReadMore();
    void NoteFolderOf(std::string_view name);

    // One bit per inode, 64 inodes to a slot: a file system hands out inode numbers close
    // together, so the names of a folder's entries mostly meet slots already made, and the
    // table stays small enough for the processor's caches.
    struct Slot {
        std::uint64_t device = 0;
        std::uint64_t word = 0;    // the inode number / 64
        std::uint64_t bits = 0;    // the inodes met, by inode number % 64; 0: a free slot
    };
    // Open addressing over slots.
    struct Shard {
        std::mutex lock;
        std::vector<Slot> slots;
        std::size_t used = 0;
    };
    static constexpr std::size_t kShards = 16;
    static bool Insert(Shard& shard, std::uint64_t device, std::uint64_t inode);

    std::mutex m_readLock;   // guards the reading, from m_fd to m_common
    int m_fd;
    std::string m_source;
    std::uint64_t m_nNames = 0;   // names handed out so far
    // What was read and not yet handed out: [m_begin, m_end) of a buffer left uninitialised.
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_bEnded = false;
    int m_readError = 0;
    bool m_bAnyName = false;
    std::string m_common;
    std::array<Shard, kShards> m_shards;
};
