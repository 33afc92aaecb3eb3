#include "StatusLine.h"

#include "TextEscape.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

CStatusLine::CStatusLine()
    : m_bActive(::isatty(STDERR_FILENO) == 1)
{
}

void CStatusLine::Show(std::string_view text)
{
    if (!m_bActive)
        return;
    // The last column stays free: writing into it makes some terminals wrap at once.
    const std::size_t columns = TerminalColumns() - 1;
    std::string line(text);
    while (!line.empty() && DisplayWidth(line) > columns) {
        // Drop whole UTF-8 sequences from the end: continuation bytes go with their lead byte.
        std::size_t cut = line.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        line.resize(cut);
    }
    const std::size_t width = DisplayWidth(line);
    // Pad over whatever the previous, longer line left on screen.
    if (width < m_nShownColumns)
        line.append(m_nShownColumns - width, ' ');
    line.insert(line.begin(), '\r');
    Write(line);
    m_nShownColumns = width;
}

void CStatusLine::Clear()
{
    if (!m_bActive || m_nShownColumns == 0)
        return;
    std::string blank(1, '\r');
    blank.append(m_nShownColumns, ' ');
    blank += '\r';
    Write(blank);
    m_nShownColumns = 0;
}

std::size_t CStatusLine::TerminalColumns()
{
    winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col;
    return 80;
}

void CStatusLine::Write(std::string_view text)
{
    // Straight to the descriptor: standard error is unbuffered anyway, and a short write to a
    // terminal is finished here rather than lost.
    while (!text.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}
