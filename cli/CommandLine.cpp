#include "CommandLine.h"

#include "Resource.h"
#include "StringTable.h"
#include "TextEscape.h"
#include "WalkPool.h"

#include <utility>

CCommandLine::Action CCommandLine::Parse(int argc, const char* const* argv)
{
    bool bOptionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!bOptionsEnded && argument == "--") {
            bOptionsEnded = true;
            continue;
        }
        // The one option with a value of its own: "--threads N" (or "--threads=N").
        if (!bOptionsEnded && argument == "--threads") {
            if (!SetThreads(i + 1 < argc ? argv[++i] : ""))
                return Action::Error;
            continue;
        }
        // A lone "-" is a folder name like any other; everything else with a dash is an option.
        if (!bOptionsEnded && argument.size() > 1 && argument[0] == '-') {
            if (!ParseOption(argument))
                return Action::Error;
            continue;
        }
        if (m_bHasFolder) {
            Fail(FormatString(IDS_CLI_EXTRA_ARGUMENT, {TerminalEscape(argument)}));
            return Action::Error;
        }
        m_szFolder = argument;
        m_bHasFolder = true;
    }
    if (m_bHelp)
        return Action::Help;
    if (m_bVersion)
        return Action::Version;
    // An empty folder text is refused as the window refuses it ("Specify folder, please").
    if (!m_bHasFolder || m_szFolder.empty()) {
        Fail(std::string(LoadString(IDS_CLI_NO_FOLDER)));
        return Action::Error;
    }
    return Action::Scan;
}

bool CCommandLine::ParseOption(const std::string& option)
{
    static const std::string kSort = "--sort=";
    static const std::string kThreads = "--threads=";
    if (option.compare(0, kThreads.size(), kThreads) == 0)
        return SetThreads(option.substr(kThreads.size()));
    if (option == "--help" || option == "-h") {
        m_bHelp = true;
        return true;
    }
    if (option == "--version") {
        m_bVersion = true;
        return true;
    }
    if (option == "--extensions-only") {
        m_bNoExtRow = false;
        return true;
    }
    if (option == "--csv")
        return SetFormat(OutputFormat::Csv);
    if (option == "--json")
        return SetFormat(OutputFormat::Json);
    if (option.compare(0, kSort.size(), kSort) != 0)
        return Fail(FormatString(IDS_CLI_UNKNOWN_OPTION, {TerminalEscape(option)}));

    const std::string value = option.substr(kSort.size());
    if (value == "ext")
        m_sortColumn = ExtColumn::Ext;
    else if (value == "count")
        m_sortColumn = ExtColumn::Count;
    else if (value == "size")
        m_sortColumn = ExtColumn::Size;
    else
        return Fail(FormatString(IDS_CLI_BAD_SORT, {TerminalEscape(value)}));
    return true;
}

bool CCommandLine::SetFormat(OutputFormat format)
{
    if (m_bFormatGiven && m_format != format)
        return Fail(std::string(LoadString(IDS_CLI_ONE_FORMAT)));
    m_format = format;
    m_bFormatGiven = true;
    return true;
}

bool CCommandLine::SetThreads(const std::string& value)
{
    std::size_t threads = 0;
    bool bValid = !value.empty() && value.size() <= 3;
    for (char c : value) {
        bValid = bValid && c >= '0' && c <= '9';
        threads = threads * 10 + static_cast<std::size_t>(c - '0');
    }
    if (!bValid || threads < 1 || threads > WalkPool::kMaxThreads)
        return Fail(FormatString(IDS_CLI_BAD_THREADS, {std::to_string(WalkPool::kMaxThreads), TerminalEscape(value)}));
    m_nThreads = threads;
    return true;
}

bool CCommandLine::Fail(std::string text)
{
    m_szError = std::move(text);
    return false;
}
