#include "CappedFileBuffer.h"

#include "Utf8Sequence.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

CappedFileBuffer::CappedFileBuffer(int fd, std::uint64_t cap)
    : m_fd(fd), m_nLeft(cap)
{
    m_raw.reserve(kChunk + 4);
    m_chunk.reserve(kChunk * 5);   // every byte may be written out as five
    setg(m_chunk.data(), m_chunk.data(), m_chunk.data());
}

bool CappedFileBuffer::ReadMore()
{
    if (m_bEnded)
        return false;
    // One byte past the cap is asked for, so that a file of exactly cap bytes still reads whole.
    const std::size_t kept = m_raw.size();
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_nLeft + 1));
    m_raw.resize(kept + want);
    ssize_t got = 0;
    do {
        got = ::read(m_fd, m_raw.data() + kept, want);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        m_raw.resize(kept);
        m_nReadError = got < 0 ? errno : 0;
        m_bEnded = true;
        return false;
    }
    auto given = static_cast<std::uint64_t>(got);
    if (given > m_nLeft) {
        m_bPassedCap = true;
        m_bEnded = true;
        given = m_nLeft;
    }
    m_nLeft -= given;
    m_raw.resize(kept + static_cast<std::size_t>(given));
    return true;
}

void CappedFileBuffer::Mend(bool bLast)
{
    static constexpr char kHex[] = "0123456789abcdef";
    m_chunk.clear();
    const std::string_view raw(m_raw.data(), m_raw.size());
    std::size_t at = 0;
    std::size_t runStart = 0;   // valid bytes not yet copied start here
    const auto copyRun = [&] { m_chunk.insert(m_chunk.end(), raw.begin() + runStart, raw.begin() + at); };
    while (at < raw.size()) {
        const auto byte = static_cast<unsigned char>(raw[at]);
        char32_t code = 0;
        const std::size_t length = byte < 0x80 ? 1 : Utf8Sequence::Decode(raw, at, code);
        if (length > 0) {
            at += length;
            continue;
        }
        if (!bLast && raw.size() - at < 4)
            break;   // perhaps the start of a sequence the next read completes
        copyRun();
        m_chunk.insert(m_chunk.end(), {'\\', '\\', 'x', kHex[byte >> 4], kHex[byte & 15]});
        runStart = ++at;
    }
    copyRun();
    m_raw.erase(m_raw.begin(), m_raw.begin() + static_cast<std::ptrdiff_t>(at));
}

CappedFileBuffer::int_type CappedFileBuffer::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    for (;;) {
        const bool bRead = ReadMore();
        Mend(!bRead);
        if (!m_chunk.empty()) {
            setg(m_chunk.data(), m_chunk.data(), m_chunk.data() + m_chunk.size());
            return traits_type::to_int_type(*gptr());
        }
        if (!bRead)
            return traits_type::eof();
    }
}
