#include "CappedFileBuffer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

CappedFileBuffer::CappedFileBuffer(int fd, std::uint64_t cap)
    : m_fd(fd), m_nLeft(cap), m_chunk(kChunk)
{
    setg(m_chunk.data(), m_chunk.data(), m_chunk.data());
}

CappedFileBuffer::int_type CappedFileBuffer::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    if (m_bPassedCap || m_nReadError)
        return traits_type::eof();
    // One byte past the cap is asked for, so that a file of exactly cap bytes still reads whole.
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_nLeft + 1));
    ssize_t got = 0;
    do {
        got = ::read(m_fd, m_chunk.data(), want);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        m_nReadError = errno;
        return traits_type::eof();
    }
    if (got == 0)
        return traits_type::eof();
    auto given = static_cast<std::uint64_t>(got);
    if (given > m_nLeft) {
        m_bPassedCap = true;
        given = m_nLeft;
    }
    m_nLeft -= given;
    if (given == 0)
        return traits_type::eof();
    setg(m_chunk.data(), m_chunk.data(), m_chunk.data() + given);
    return traits_type::to_int_type(*gptr());
}
