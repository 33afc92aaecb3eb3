// A read-only stream buffer over a file descriptor that gives at most a set number of bytes: a
// reader fed from it never takes more than that, whatever the file (a 2 GB file, /dev/zero).
#pragma once

#include <cstddef>
#include <cstdint>
#include <streambuf>
#include <vector>

class CappedFileBuffer : public std::streambuf {
public:
    // Reads fd (not owned; it must outlive the buffer) up to cap bytes.
    CappedFileBuffer(int fd, std::uint64_t cap);

    // True once the file held more than cap bytes; the stream ended at the cap.
    bool PassedCap() const { return m_bPassedCap; }
    // The errno of a read that failed (the stream ended there), else 0.
    int ReadError() const { return m_nReadError; }

protected:
    int_type underflow() override;

private:
    static constexpr std::size_t kChunk = 64 * 1024;

    int m_fd;
    std::uint64_t m_nLeft;   // bytes the cap still allows
    bool m_bPassedCap = false;
    int m_nReadError = 0;
    std::vector<char> m_chunk;
};
