#include "NameList.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <new>

namespace {

// Bytes of names read at once, and about as many handed to the walk per batch: enough that the
// walk seldom asks, few enough that the first names are walked at once.
constexpr std::size_t kReadBytes = 1024 * 1024;
constexpr std::size_t kBatchBytes = 1024 * 1024;

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

NameList::NameList(int fd)
    : m_fd(fd)
{
}

bool NameList::ReadMore()
{
    if (m_bEnded)
        return false;
    m_pending.erase(0, m_pendingOffset);
    m_pendingOffset = 0;
    const std::size_t had = m_pending.size();
    m_pending.resize(had + kReadBytes);
    ssize_t length = 0;
    do
        length = read(m_fd, m_pending.data() + had, kReadBytes);
    while (length < 0 && errno == EINTR);
    m_pending.resize(had + (length > 0 ? static_cast<std::size_t>(length) : 0));
    if (length <= 0) {
        m_bEnded = true;
        if (length < 0)
            m_readError = errno;
        // A last name without its NUL still counts, as du takes it.
        if (!m_pending.empty())
            m_pending.push_back('\0');
        return !m_pending.empty();
    }
    return true;
}

bool NameList::Refill(std::string& entries)
{
    const std::size_t start = entries.size();
    while (entries.size() - start < kBatchBytes) {
        const std::size_t end = m_pending.find('\0', m_pendingOffset);
        if (end == std::string::npos) {
            if (!ReadMore())
                break;
            continue;
        }
        const std::string_view name(m_pending.data() + m_pendingOffset, end - m_pendingOffset);
        entries += static_cast<char>(DT_UNKNOWN);
        entries.append(name);
        entries += '\0';
        if (!name.empty())
            NoteFolderOf(name);
        m_pendingOffset = end + 1;
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
    Key key{static_cast<std::uint64_t>(device), static_cast<std::uint64_t>(inode)};
    if (bSeveralLinks)
        key.device ^= Mix(std::hash<std::string_view>{}(LastPart(name)) + 1);
    if (key == Key{})
        key.device = 1;
    Shard& shard = m_shards[Mix(key.device * 31 + key.inode) % kShards];
    std::lock_guard<std::mutex> guard(shard.lock);
    try {
        return Insert(shard, key);
    } catch (const std::bad_alloc&) {
        return true;
    }
}

bool NameList::Insert(Shard& shard, const Key& key)
{
    if ((shard.used + 1) * 2 > shard.slots.size()) {
        std::vector<Key> bigger(shard.slots.empty() ? 1024 : shard.slots.size() * 2);
        for (const Key& old : shard.slots) {
            if (old == Key{})
                continue;
            std::size_t at = Mix(old.device ^ Mix(old.inode)) & (bigger.size() - 1);
            while (!(bigger[at] == Key{}))
                at = (at + 1) & (bigger.size() - 1);
            bigger[at] = old;
        }
        shard.slots.swap(bigger);
    }
    const std::size_t mask = shard.slots.size() - 1;
    for (std::size_t at = Mix(key.device ^ Mix(key.inode)) & mask;; at = (at + 1) & mask) {
        if (shard.slots[at] == key)
            return false;
        if (shard.slots[at] == Key{}) {
            shard.slots[at] = key;
            ++shard.used;
            return true;
        }
    }
}
