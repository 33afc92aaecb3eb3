// A read-only stream buffer over a file descriptor that gives at most a set number of bytes: a
// reader fed from it never takes more than that, whatever the file (a 2 GB file, /dev/zero).
//
// It also mends the one way peers' exports break JSON: ncdu writes a name's bytes as they are,
// valid UTF-8 or not, and no JSON reader takes a string that is not UTF-8. Each byte that is not
// part of valid UTF-8 is given as the JSON text \\xHH, which reads as \xHH, the escape every
// output of Kestrum writes for such a byte (UnescapedName gives the byte back). Valid JSON
// passes unchanged: outside strings JSON is ASCII.
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

    // Reads the next bytes after those kept from the last read; false at the end of the file
    // (or the cap, or an error).
    bool ReadMore();
    // Moves what was read into the chunk given out, with invalid bytes written out; a sequence
    // that may still be completed by the next read stays behind unless bLast.
    void Mend(bool bLast);

    int m_fd;
    std::uint64_t m_nLeft;   // bytes the cap still allows
    bool m_bPassedCap = false;
    bool m_bEnded = false;
    int m_nReadError = 0;
    std::vector<char> m_raw;     // read from the file, not yet given out
    std::vector<char> m_chunk;   // given out
};
