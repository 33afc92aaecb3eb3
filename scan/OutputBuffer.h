// Text on its way to a file, gathered in a fixed buffer on the stack and written in large
// pieces. Appending never allocates, so a report can go on writing when memory is short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

class COutputBuffer {
public:
    explicit COutputBuffer(std::FILE* out) : m_pOut(out) {}
    // Writes what is left; a write error stays on the file for the caller to check.
    ~COutputBuffer() { Flush(); }
    COutputBuffer(const COutputBuffer&) = delete;
    COutputBuffer& operator=(const COutputBuffer&) = delete;

    void Append(std::string_view text);
    void Append(char c) { Append(std::string_view(&c, 1)); }
    void AppendSpaces(std::size_t count);
    // Plain decimal digits, as the machine-readable formats write numbers.
    void AppendDecimal(std::uint64_t value);
    // Digits in groups of three with separator between them, as a person reads numbers.
    void AppendGrouped(std::uint64_t value, std::string_view separator);
    void Flush();

private:
    std::FILE* m_pOut;
    std::size_t m_nUsed = 0;
    char m_data[16384];
};
