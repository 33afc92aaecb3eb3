// The running totals on one self-overwriting line of standard error, shown only on a terminal.
#pragma once

#include <cstddef>
#include <string_view>

class CStatusLine {
public:
    // Active when standard error is a terminal (isatty(2)); otherwise every call does nothing,
    // so redirected error output holds only real messages.
    CStatusLine();

    bool IsActive() const { return m_bActive; }
    // Rewrites the line in place (carriage return), cut to the terminal's width so it never wraps.
    void Show(std::string_view text);
    // Blanks the line and returns the cursor to its start.
    void Clear();

private:
    static std::size_t TerminalColumns();
    static void Write(std::string_view text);

    bool m_bActive = false;
    std::size_t m_nShownColumns = 0;
};
