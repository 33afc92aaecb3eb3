#include "ShellOracle.h"

#include <cstdio>
#include <sstream>

std::string Shell(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen(("LC_ALL=C " + command).c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    ::pclose(pipe);
    return output;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::uint64_t ShellNumber(const std::string& command)
{
    const std::string output = Shell(command);
    return output.empty() || output[0] < '0' || output[0] > '9' ? ~0ULL : std::stoull(output);
}

ExtGroups ParseTabbed(const std::string& text)
{
    ExtGroups groups;
    std::istringstream stream(text);
    std::string ext;
    std::uint64_t count = 0, bytes = 0;
    while (std::getline(stream, ext, '\t') && stream >> count >> bytes) {
        groups[ext] = {count, bytes};
        stream.ignore(1);
    }
    return groups;
}

ExtGroups FindGroups(const std::string& root, bool bNoExtGroup)
{
    const std::string ext = bNoExtGroup ? "{ e = match($1, /\\.[^.]*$/) ? tolower(substr($1, RSTART)) : \"\"; c[e]++; b[e] += $2 } "
                                        : "match($1, /\\.[^.]*$/) { e = tolower(substr($1, RSTART)); c[e]++; b[e] += $2 } ";
    return ParseTabbed(Shell("find " + ShellQuoted(root) + " -mindepth 1 ! -type d -printf '%f\\t%s\\n' | awk -F'\\t' '" + ext +
                             "END { for (e in c) printf \"%s\\t%d\\t%.0f\\n\", e, c[e], b[e] }'"));
}
