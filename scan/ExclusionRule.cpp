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
