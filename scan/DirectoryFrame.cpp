#include "DirectoryFrame.h"

#include "NameList.h"

#include <cerrno>

#ifndef __linux__
#error "DirectoryFrame reads folder listings with getdents64"
#endif

#include <dirent.h>
#include <unistd.h>

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kKeptSavedCapacity = 64 * 1024;
// Fewer bytes of entries than this (some fifty names) are not worth handing to another thread.
constexpr std::size_t kMinSplitBytes = 2 * 1024;

} // namespace

DirectoryFrame::~DirectoryFrame()
{
    if (m_fd >= 0)
        close(m_fd);
}

void DirectoryFrame::Start(int fd, dev_t device, ino_t inode, std::string_view name, char* buffer,
                           std::size_t bufferSize)
{
    m_name.assign(name);
    m_partsNotListed.reset();
    m_pFeed = nullptr;
    m_fd = fd;
    m_device = device;
    m_inode = inode;
    m_buffer = buffer;
    m_bufferSize = bufferSize;
    m_batchLength = 0;
    m_batchOffset = 0;
    m_bEnded = false;
    m_bIncomplete = false;
    m_error = 0;
    m_savedOffset = 0;
    // A huge folder kept in memory once should not pin its names for the rest of the walk.
    if (m_saved.capacity() > kKeptSavedCapacity)
        std::string().swap(m_saved);
    m_saved.clear();
}

void DirectoryFrame::StartSaved(int fd, dev_t device, ino_t inode, std::string_view name, std::string&& saved)
{
    Start(fd, device, inode, name, nullptr, 0);
    m_saved = std::move(saved);
}

const char* DirectoryFrame::Next()
{
    return m_buffer ? NextBatched() : NextSaved();
}

const char* DirectoryFrame::NextBatched()
{
    for (;;) {
        if (m_batchOffset < m_batchLength) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(m_buffer + m_batchOffset);
            m_batchOffset += entry->d_reclen;
            m_lastType = entry->d_type;
            return entry->d_name;
        }
        if (m_bEnded || m_fd < 0)
            return nullptr;
        const ssize_t length = getdents64(m_fd, m_buffer, m_bufferSize);
        if (length <= 0) {
            m_bEnded = true;
            if (length < 0 && !m_bIncomplete) {
                m_bIncomplete = true;
                m_error = errno;
            }
            return nullptr;
        }
        m_batchLength = static_cast<std::size_t>(length);
        m_batchOffset = 0;
    }
}

const char* DirectoryFrame::NextSaved()
{
    while (m_savedOffset >= m_saved.size()) {
        if (!m_pFeed)
            return nullptr;
        m_saved.clear();
        m_savedOffset = 0;
        if (!m_pFeed->Refill(m_saved, kFeedBytes))
            m_pFeed = nullptr;
    }
    m_lastType = static_cast<unsigned char>(m_saved[m_savedOffset]);
    const char* name = m_saved.data() + m_savedOffset + 1;
    m_savedOffset += 1 + std::strlen(name) + 1;
    return name;
}

char* DirectoryFrame::SaveRemaining()
{
    if (m_buffer) {
        m_saved.clear();
        m_savedOffset = 0;
        try {
            for (const char* name = NextBatched(); name; name = NextBatched()) {
                if (!IsDotOrDotDot(name)) {
                    // Room for the whole entry first: a type byte without its name would be read
                    // back as an entry named "" and throw every later offset off.
                    const std::size_t length = std::strlen(name) + 1;
                    m_saved.reserve(m_saved.size() + 1 + length);
                    m_saved += static_cast<char>(m_lastType);
                    m_saved.append(name, length);
                }
            }
        } catch (const std::bad_alloc&) {
            // The names kept so far stay; the rest is dropped like a listing that ended early.
            if (!m_bIncomplete)
                m_error = ENOMEM;
            m_bIncomplete = true;
        }
    }
    return ReleaseBuffer();
}

std::size_t DirectoryFrame::CopyLaterHalf(std::string& part) const
{
    return m_buffer ? CopyLaterHalfOfBatch(part) : CopyLaterHalfOfSaved(part);
}

void DirectoryFrame::DropFrom(std::size_t cut)
{
    if (m_buffer)
        m_batchLength = cut;
    else
        m_saved.resize(cut);
}

std::size_t DirectoryFrame::CopyLaterHalfOfBatch(std::string& part) const
{
    if (m_batchLength - m_batchOffset < kMinSplitBytes)
        return 0;
    // The batch is cut at the first record past its middle.
    const std::size_t middle = m_batchOffset + (m_batchLength - m_batchOffset) / 2;
    std::size_t cut = m_batchOffset;
    while (cut < middle)
        cut += reinterpret_cast<const struct dirent64*>(m_buffer + cut)->d_reclen;
    if (cut >= m_batchLength)
        return 0;
    part.clear();
    part.reserve(m_batchLength - cut);
    for (std::size_t offset = cut; offset < m_batchLength;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(m_buffer + offset);
        offset += entry->d_reclen;
        if (!IsDotOrDotDot(entry->d_name)) {
            part += static_cast<char>(entry->d_type);
            part.append(entry->d_name, std::strlen(entry->d_name) + 1);
        }
    }
    return part.empty() ? 0 : cut;
}

std::size_t DirectoryFrame::CopyLaterHalfOfSaved(std::string& part) const
{
    if (m_saved.size() - m_savedOffset < kMinSplitBytes)
        return 0;
    // Entries are a type byte (which may be 0) and a name ended by a NUL: stepped one by one.
    const std::size_t middle = m_savedOffset + (m_saved.size() - m_savedOffset) / 2;
    std::size_t cut = m_savedOffset;
    while (cut < middle)
        cut += 1 + std::strlen(m_saved.data() + cut + 1) + 1;
    if (cut >= m_saved.size())
        return 0;
    part.assign(m_saved, cut);
    return cut;
}

void DirectoryFrame::Reattach(int fd)
{
    m_fd = fd;
}

bool DirectoryFrame::Abandon()
{
    const bool bDropped = m_savedOffset < m_saved.size();
    m_saved.clear();
    m_savedOffset = 0;
    return bDropped;
}

int DirectoryFrame::TakeDescriptor()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

char* DirectoryFrame::ReleaseBuffer()
{
    char* buffer = m_buffer;
    m_buffer = nullptr;
    m_bufferSize = 0;
    m_batchLength = 0;
    m_batchOffset = 0;
    return buffer;
}

const std::shared_ptr<std::atomic<bool>>& DirectoryFrame::SharedNotListed()
{
    if (!m_partsNotListed)
        m_partsNotListed = std::make_shared<std::atomic<bool>>(false);
    return m_partsNotListed;
}

void DirectoryFrame::ShareNotListed(std::shared_ptr<std::atomic<bool>> said)
{
    m_partsNotListed = std::move(said);
}

bool DirectoryFrame::TakeNotListed()
{
    return !m_partsNotListed || !m_partsNotListed->exchange(true);
}
