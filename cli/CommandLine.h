// The options of kestrum-scan: [--sort=ext|count|size] [--csv|--json] [--extensions-only]
// [--threads N] FOLDER, or
// --help, or --version.
#pragma once

#include "ExtOrder.h"
#include "ExtTable.h"
#include "ScanReport.h"

#include <cstddef>
#include <string>

class CCommandLine {
public:
    enum class Action { Scan, Help, Version, Error };

    // Reads argv[1..argc-1]. Options may stand before or after the folder; "--" ends them, so a
    // folder whose name starts with "-" can be given. --help wins over --version, and either needs
    // no folder. On Error, ErrorText() says what was wrong.
    Action Parse(int argc, const char* const* argv);

    const std::string& Folder() const { return m_szFolder; }
    OutputFormat Format() const { return m_format; }
    ExtColumn SortColumn() const { return m_sortColumn; }
    // As the list view orders a freshly clicked column: names ascending, numbers largest first.
    bool SortAscending() const { return ExtTable::StartsAscending(m_sortColumn); }
    // The "(none)" row of the files without an extension; --extensions-only leaves it out.
    bool NoExtRow() const { return m_bNoExtRow; }
    const std::string& ErrorText() const { return m_szError; }
    // Walking threads asked for; 0 when not given (the engine's default).
    std::size_t Threads() const { return m_nThreads; }

private:
    bool ParseOption(const std::string& option);
    bool SetFormat(OutputFormat format);
    bool SetThreads(const std::string& value);
    bool Fail(std::string text);

    std::string m_szFolder;
    bool m_bHasFolder = false;
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bFormatGiven = false;
    OutputFormat m_format = OutputFormat::Text;
    ExtColumn m_sortColumn = ExtColumn::Ext;
    std::size_t m_nThreads = 0;
    bool m_bNoExtRow = true;
    std::string m_szError;
};
