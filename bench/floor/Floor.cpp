// kestrum_floor: the least work that counts what `kestrum-scan --csv` counts, as the yardstick
// bench/floor_bench.sh times kestrum-scan against. No progress, no records kept beyond one small
// table per thread, no report: one line "folders files bytes extensions" on stdout.
//
//   kestrum_floor [-j THREADS] FOLDER      (THREADS: 1 to 256, default 8)
//
// What it counts, as kestrum-scan does: every entry below FOLDER (the folder itself not counted);
// folders and their own st_size; anything else (symbolic links included, never followed) as a
// file with its st_size; per extension (from the last "." of the name to its end, dot included,
// so ".profile" is an extension and "a." has the extension "."; no "." means no extension) the
// number of files and their bytes. Extensions are folded in ASCII only (kestrum-scan folds all
// of Unicode), close enough for a floor. Entries that vanish while being listed are left out.
// Unlike kestrum-scan it enters pseudo-filesystems (/proc, /sys) and does not stop at them.
//
// How: THREADS threads share a stack of open folder descriptors (a mutex and a condition
// variable; a count of folders queued or being listed ends the walk when it reaches zero). Each
// lists its folder with getdents64 into a 64 KiB buffer, calls fstatat once per entry, opens each
// subfolder relative to its parent and hands it to the shared stack after each buffer's worth.
// When the stack holds half the descriptors the process may open, a thread walks the subfolder
// itself instead, so descriptors stay bounded. Exit status: 0, or 1 when the folder cannot be
// read, or 2 when some subfolders could not be opened (the line is still printed).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kListingBufferSize = 64 * 1024;
constexpr unsigned kDefaultThreads = 8;
constexpr unsigned kMaxThreads = 256;
// Descriptors kept free for everything but queued folders (stdio, the threads' own folders).
constexpr rlim_t kSpareDescriptors = 64;

// The head of a record getdents64 writes (the kernel's struct linux_dirent64, which glibc does
// not declare); the name follows the type byte, terminated by a null byte.
struct LinuxDirent64Head {
    std::uint64_t d_ino;
    std::int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
};
constexpr std::size_t kNameOffset = offsetof(LinuxDirent64Head, d_type) + 1;

// Per-extension counts and bytes: open addressing with linear probing, the folded extensions
// kept one after another in one string. An extension is never empty (it holds its dot at
// least), so a slot with an empty key is free.
class ExtensionTable {
public:
    ExtensionTable() : m_slots(1024) {}

    void Add(std::string_view folded, std::uint64_t hash, std::uint64_t count, std::uint64_t bytes)
    {
        Slot& slot = Find(folded, hash);
        if (slot.keyLength != 0) {
            slot.count += count;
            slot.bytes += bytes;
            return;
        }
        slot = Slot{hash, static_cast<std::uint32_t>(m_keys.size()), static_cast<std::uint32_t>(folded.size()), count, bytes};
        m_keys.append(folded);
        if (++m_used * 2 > m_slots.size())
            Grow();
    }

    // Adds every extension of other to this table.
    void Merge(const ExtensionTable& other)
    {
        for (const Slot& slot : other.m_slots) {
            if (slot.keyLength != 0)
                Add(other.KeyOf(slot), slot.hash, slot.count, slot.bytes);
        }
    }

    std::size_t Size() const { return m_used; }

private:
    struct Slot {
        std::uint64_t hash;
        std::uint32_t keyAt;
        std::uint32_t keyLength;
        std::uint64_t count;
        std::uint64_t bytes;
    };

    std::string_view KeyOf(const Slot& slot) const { return std::string_view(m_keys).substr(slot.keyAt, slot.keyLength); }

    // The slot holding folded, or the free slot where it belongs.
    Slot& Find(std::string_view folded, std::uint64_t hash)
    {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            Slot& slot = m_slots[at];
            if (slot.keyLength == 0 || (slot.hash == hash && KeyOf(slot) == folded))
                return slot;
        }
    }

    void Grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (slot.keyLength == 0)
                continue;
            std::size_t at = slot.hash & mask;
            while (m_slots[at].keyLength != 0)
                at = (at + 1) & mask;
            m_slots[at] = slot;
        }
    }

    std::vector<Slot> m_slots;   // a power of two in size, at most half used
    std::string m_keys;
    std::size_t m_used = 0;
};

// What one thread counted; a cache line of its own, since every entry adds to it.
struct alignas(64) Tally {
    std::uint64_t folders = 0;
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t notOpened = 0;   // subfolders counted but not listed
    ExtensionTable extensions;

    void AddFile(const char* name, std::uint64_t size)
    {
        ++files;
        bytes += size;
        const char* dot = std::strrchr(name, '.');
        if (!dot)
            return;
        // Folded and hashed (FNV-1a) in one pass. A name has at most 255 bytes.
        char folded[256];
        std::size_t length = 0;
        std::uint64_t hash = 14695981039346656037ull;
        for (const char* at = dot; *at && length < sizeof folded; ++at) {
            char c = *at;
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            folded[length++] = c;
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        extensions.Add(std::string_view(folded, length), hash, 1, size);
    }
};

// The folders waiting to be listed, as open descriptors, and the rule that ends the walk: a
// folder is "in flight" from the moment it is queued until its listing is done; when none is in
// flight and none is queued, no thread can ever queue another, so every thread stops.
class FolderQueue {
public:
    explicit FolderQueue(std::size_t budget) : m_budget(budget) {}

    void Push(std::vector<int>& folders)
    {
        if (folders.empty())
            return;
        {
            std::lock_guard lock(m_mutex);
            m_folders.insert(m_folders.end(), folders.begin(), folders.end());
            m_inFlight += folders.size();
            m_queued.store(m_folders.size(), std::memory_order_relaxed);
        }
        if (folders.size() == 1)
            m_wake.notify_one();
        else
            m_wake.notify_all();
        folders.clear();
    }

    // The next folder to list, or -1 when the walk is over.
    int Pop()
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_folders.empty() || m_inFlight == 0; });
        if (m_folders.empty())
            return -1;
        const int fd = m_folders.back();   // the newest first: depth first, fewer descriptors held
        m_folders.pop_back();
        m_queued.store(m_folders.size(), std::memory_order_relaxed);
        return fd;
    }

    // A folder taken by Pop has been listed (its subfolders already pushed).
    void Done()
    {
        std::lock_guard lock(m_mutex);
        if (--m_inFlight == 0)
            m_wake.notify_all();
    }

    // Whether the queue holds as many descriptors as it may; read without the lock, as a hint.
    bool Full(std::size_t pending) const { return m_queued.load(std::memory_order_relaxed) + pending >= m_budget; }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<int> m_folders;
    std::size_t m_inFlight = 0;
    std::atomic<std::size_t> m_queued{0};
    const std::size_t m_budget;
};

// Opens a subfolder relative to its parent. When the process is out of descriptors (another
// thread may be about to close some), tries again for a while, then gives up: -1.
int OpenSubfolder(int parent, const char* name)
{
    constexpr int kAttempts = 200;
    for (int attempt = 0;; ++attempt) {
        const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 || (errno != EMFILE && errno != ENFILE) || attempt == kAttempts)
            return fd;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

class Walker {
public:
    Walker(FolderQueue& queue, Tally& tally) : m_queue(queue), m_tally(tally) {}

    void Run()
    {
        for (int fd; (fd = m_queue.Pop()) >= 0;) {
            List(fd, 0);
            m_queue.Done();
        }
    }

private:
    // Lists the folder fd (and closes it); depth counts the folders this thread walks itself.
    void List(int fd, std::size_t depth)
    {
        if (m_buffers.size() <= depth)
            m_buffers.push_back(std::make_unique<char[]>(kListingBufferSize));
        char* buffer = m_buffers[depth].get();
        std::vector<int> subfolders;
        for (;;) {
            const long length = syscall(SYS_getdents64, fd, buffer, kListingBufferSize);
            if (length <= 0)
                break;
            for (long at = 0; at < length;) {
                const auto* entry = reinterpret_cast<const LinuxDirent64Head*>(buffer + at);
                const char* name = buffer + at + kNameOffset;
                at += entry->d_reclen;
                Count(fd, name, subfolders, depth);
            }
            m_queue.Push(subfolders);
        }
        close(fd);
    }

    void Count(int parent, const char* name, std::vector<int>& subfolders, std::size_t depth)
    {
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            return;
        struct stat status;
        if (fstatat(parent, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return;   // vanished since it was listed
        const auto size = static_cast<std::uint64_t>(status.st_size);
        if (!S_ISDIR(status.st_mode)) {
            m_tally.AddFile(name, size);
            return;
        }
        ++m_tally.folders;
        m_tally.bytes += size;
        const int fd = OpenSubfolder(parent, name);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE)
                ++m_tally.notOpened;
            return;   // an unreadable folder still counts, with nothing below it
        }
        if (m_queue.Full(subfolders.size()))
            List(fd, depth + 1);
        else
            subfolders.push_back(fd);
    }

    FolderQueue& m_queue;
    Tally& m_tally;
    std::vector<std::unique_ptr<char[]>> m_buffers;   // one listing buffer per depth walked here
};

// Raises the soft limit on descriptors to the hard one; returns the limit in force.
rlim_t RaiseDescriptorLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        const rlim_t soft = limit.rlim_cur;
        limit.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            limit.rlim_cur = soft;
    }
    return limit.rlim_cur == RLIM_INFINITY ? 1u << 20 : limit.rlim_cur;
}

int Usage()
{
    std::fprintf(stderr, "usage: kestrum_floor [-j THREADS] FOLDER   (THREADS 1 to %u, default %u)\n", kMaxThreads, kDefaultThreads);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    unsigned threads = kDefaultThreads;
    const char* root = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-j" && i + 1 < argc) {
            char* end = nullptr;
            const unsigned long wanted = std::strtoul(argv[++i], &end, 10);
            if (*end != '\0' || wanted < 1 || wanted > kMaxThreads)
                return Usage();
            threads = static_cast<unsigned>(wanted);
        } else if (!root && !argument.empty() && argument[0] != '-') {
            root = argv[i];
        } else {
            return Usage();
        }
    }
    if (!root)
        return Usage();

    const rlim_t descriptors = RaiseDescriptorLimit();
    struct stat status;
    if (stat(root, &status) != 0) {
        std::fprintf(stderr, "kestrum_floor: %s: %s\n", root, std::strerror(errno));
        return 1;
    }
    if (!S_ISDIR(status.st_mode)) {   // a file as the root: one file, no extension record
        std::printf("0 1 %llu 0\n", static_cast<unsigned long long>(status.st_size));
        return 0;
    }
    const int rootFd = open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) {
        std::fprintf(stderr, "kestrum_floor: %s: %s\n", root, std::strerror(errno));
        return 1;
    }

    // Half of what is left after the spare ones may wait in the queue; the other half is for the
    // folders the threads are listing and those they walk themselves when the queue is full.
    const rlim_t spare = std::min<rlim_t>(kSpareDescriptors, descriptors / 2);
    FolderQueue queue(std::max<rlim_t>(1, (descriptors - spare) / 2));
    std::vector<int> first{rootFd};
    queue.Push(first);
    std::vector<Tally> tallies(threads);
    {
        std::vector<std::jthread> walkers;   // joined when this block ends, whatever happens
        try {
            for (unsigned t = 0; t < threads; ++t)
                walkers.emplace_back([&queue, &tally = tallies[t]] { Walker(queue, tally).Run(); });
        } catch (const std::system_error&) {
            // Fewer threads walk, or none started and this one walks alone.
        }
        if (walkers.empty())
            Walker(queue, tallies[0]).Run();
    }

    Tally& total = tallies[0];
    for (unsigned t = 1; t < threads; ++t) {
        total.folders += tallies[t].folders;
        total.files += tallies[t].files;
        total.bytes += tallies[t].bytes;
        total.notOpened += tallies[t].notOpened;
        total.extensions.Merge(tallies[t].extensions);
    }
    std::printf("%llu %llu %llu %zu\n", static_cast<unsigned long long>(total.folders),
                static_cast<unsigned long long>(total.files), static_cast<unsigned long long>(total.bytes),
                total.extensions.Size());
    if (total.notOpened != 0) {
        std::fprintf(stderr, "kestrum_floor: %llu folders could not be opened (out of descriptors)\n",
                     static_cast<unsigned long long>(total.notOpened));
        return 2;
    }
    return 0;
}
