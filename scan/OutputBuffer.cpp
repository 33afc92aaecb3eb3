#include "OutputBuffer.h"

#include "Format.h"

#include <charconv>
#include <cstring>

void COutputBuffer::Append(std::string_view text)
{
    if (text.size() > sizeof m_data - m_nUsed) {
        Flush();
        if (text.size() > sizeof m_data) {
            std::fwrite(text.data(), 1, text.size(), m_pOut);
            return;
        }
    }
    std::memcpy(m_data + m_nUsed, text.data(), text.size());
    m_nUsed += text.size();
}

void COutputBuffer::AppendSpaces(std::size_t count)
{
    static constexpr char kSpaces[] = "                                ";
    constexpr std::size_t kRun = sizeof kSpaces - 1;
    for (; count > kRun; count -= kRun)
        Append(std::string_view(kSpaces, kRun));
    Append(std::string_view(kSpaces, count));
}

void COutputBuffer::AppendDecimal(std::uint64_t value)
{
    char digits[20];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void COutputBuffer::AppendGrouped(std::uint64_t value, std::string_view separator)
{
    PutGroupedDigits(value, separator, [this](std::string_view piece) { Append(piece); });
}

void COutputBuffer::Flush()
{
    if (m_nUsed > 0)
        std::fwrite(m_data, 1, m_nUsed, m_pOut);
    m_nUsed = 0;
}
