#include "NameList.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <new>
#include <utility>

namespace {

// Bytes of names read at once.
constexpr std::size_t kReadBytes = 1024 * 1024;

std::uint64_t Mix(std::uint64_t value)
{
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdULL;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ULL;
    value ^= value >> 33;
    return value;
}

// Whether `folder` is `common` or lies below it (both as FolderOf gives them).
bool LiesIn(std::string_view folder, std::string_view common)
{
    if (common == ".")
        return !folder.starts_with('/');
    if (!folder.starts_with(common))
        return false;
    return folder.size() == common.size() || folder[common.size()] == '/' || common == "/";
}

std::string_view LastPart(std::string_view name)
{
    while (name.size() > 1 && name.back() == '/')
        name.remove_suffix(1);
    const std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

} // namespace

NameList::NameList(int fd, std::string source)
    : m_fd(fd)
    , m_source(std::move(source))
{
}

// Keeps the part of a name not yet ended at the front and reads after it; the buffer grows only
// for a name longer than it.
bool NameList::ReadMore()
{
    if (m_bEnded)
        return false;
    const std::size_t kept = m_end - m_begin;
    if (m_capacity - kept < kReadBytes) {
        const std::size_t capacity = kept + kReadBytes + 1;   // room for a last NUL
        std::unique_ptr<char[]> bigger(new char[capacity]);
        if (kept > 0)
            std::memcpy(bigger.get(), m_buffer.get() + m_begin, kept);
        m_buffer = std::move(bigger);
        m_capacity = capacity;
    } else if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, kept);
    }
    m_begin = 0;
    m_end = kept;
    ssize_t length = 0;
    do
        length = read(m_fd, m_buffer.get() + m_end, m_capacity - m_end - 1);
    while (length < 0 && errno == EINTR);
    if (length > 0) {
        m_end += static_cast<std::size_t>(length);
        return true;
    }
    m_bEnded = true;
    if (length < 0)
        m_readError = errno;
    // A last name without its NUL still counts, as du takes it.
    if (m_end == m_begin)
        return false;
    m_buffer[m_end++] = '\0';
    return true;
}

bool NameList::Refill(std::string& entries, std::size_t maxBytes)
{
    std::lock_guard<std::mutex> guard(m_readLock);
    const std::size_t start = entries.size();
    entries.reserve(start + maxBytes + 4096);
    while (entries.size() - start < maxBytes) {
        const char* const first = m_buffer.get() + m_begin;
        const void* const nul = m_end > m_begin ? std::memchr(first, '\0', m_end - m_begin) : nullptr;
        if (!nul) {
            if (!ReadMore())
                break;
            continue;
        }
        const std::string_view name(first, static_cast<const char*>(nul) - first);
        // Room first: a name runs out of memory whole or not at all, and stays to be read again.
        entries.reserve(entries.size() + name.size() + 24);
        ++m_nNames;
        if (name.empty()) {
            entries += kEmptyName;
            entries += std::to_string(m_nNames);
            entries += '\0';
        } else {
            entries += static_cast<char>(DT_UNKNOWN);
            entries.append(name.data(), name.size() + 1);   // with its NUL
            NoteFolderOf(name);
        }
        m_begin += name.size() + 1;
    }
    return entries.size() > start;
}

void NameList::NoteFolderOf(std::string_view name)
{
    const std::string_view folder = FolderOf(name);
    if (!m_bAnyName) {
        m_bAnyName = true;
        m_common.assign(folder);
    } else if (!m_common.empty() && !LiesIn(folder, m_common)) {
        m_common = CommonOf(m_common, folder);   // empty for ever once relative and absolute mix
    }
}

std::string_view NameList::FolderOf(std::string_view name)
{
    while (name.size() > 1 && name.back() == '/')
        name.remove_suffix(1);
    const void* found = name.empty() ? nullptr : memrchr(name.data(), '/', name.size());
    if (!found)
        return ".";
    const std::size_t slash = static_cast<std::size_t>(static_cast<const char*>(found) - name.data());
    if (slash == 0)
        return "/";
    return name.substr(0, slash);
}

std::string NameList::CommonOf(std::string_view a, std::string_view b)
{
    const bool bAbsolute = a.starts_with('/');
    if (bAbsolute != b.starts_with('/'))
        return {};
    std::size_t same = 0;
    while (same < a.size() && same < b.size() && a[same] == b[same])
        ++same;
    const auto wholeAt = [](std::string_view text, std::size_t at) { return at == text.size() || text[at] == '/'; };
    if (!(wholeAt(a, same) && wholeAt(b, same))) {
        const std::size_t slash = a.substr(0, same).rfind('/');
        same = slash == std::string_view::npos ? 0 : slash;
    }
    std::string_view common = a.substr(0, same);
    while (common.size() > 1 && common.back() == '/')
        common.remove_suffix(1);
    if (common.empty() || common == "/")
        return bAbsolute ? "/" : ".";
    return std::string(common);
}

bool NameList::FirstTime(dev_t device, ino_t inode, bool bSeveralLinks, std::string_view name)
{
    auto key = static_cast<std::uint64_t>(device);
    if (bSeveralLinks)
        key ^= Mix(std::hash<std::string_view>{}(LastPart(name)) + 1);
    const auto number = static_cast<std::uint64_t>(inode);
    Shard& shard = m_shards[Mix(key * 31 + number / 64) % kShards];
    std::lock_guard<std::mutex> guard(shard.lock);
    try {
        return Insert(shard, key, number);
    } catch (const std::bad_alloc&) {
        return true;
    }
}

namespace {

std::size_t SlotOf(std::uint64_t device, std::uint64_t word, std::size_t mask)
{
    return Mix(device ^ Mix(word)) & mask;
}

} // namespace

bool NameList::Insert(Shard& shard, std::uint64_t device, std::uint64_t inode)
{
    const std::uint64_t word = inode / 64;
    const std::uint64_t bit = std::uint64_t{1} << (inode % 64);
    if ((shard.used + 1) * 2 > shard.slots.size()) {
        std::vector<Slot> bigger(shard.slots.empty() ? 256 : shard.slots.size() * 2);
        for (const Slot& old : shard.slots) {
            if (old.bits == 0)
                continue;
            std::size_t at = SlotOf(old.device, old.word, bigger.size() - 1);
            while (bigger[at].bits != 0)
                at = (at + 1) & (bigger.size() - 1);
            bigger[at] = old;
        }
        shard.slots.swap(bigger);
    }
    const std::size_t mask = shard.slots.size() - 1;
    for (std::size_t at = SlotOf(device, word, mask);; at = (at + 1) & mask) {
        Slot& slot = shard.slots[at];
        if (slot.bits == 0) {
            slot = Slot{device, word, bit};
            ++shard.used;
            return true;
        }
        if (slot.device == device && slot.word == word) {
            const bool bFirst = (slot.bits & bit) == 0;
            slot.bits |= bit;
            return bFirst;
        }
    }
}
