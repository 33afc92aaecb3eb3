#include "ExclusionRule.h"

#include <fnmatch.h>

ExclusionRule::ExclusionRule(const std::vector<std::string>& patterns) noexcept
    : m_patterns(patterns)
{
}

bool ExclusionRule::Excludes(const char* name) const
{
    for (const std::string& pattern : m_patterns) {
        if (fnmatch(pattern.c_str(), name, 0) == 0)
            return true;
    }
    return false;
}

std::vector<std::string> ExclusionRule::PatternsFromText(std::string_view text)
{
    std::vector<std::string> patterns;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!line.empty())
            patterns.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return patterns;
}

bool ExclusionRule::Check(std::string_view pattern)
{
    return pattern.find('/') == std::string_view::npos;
}
