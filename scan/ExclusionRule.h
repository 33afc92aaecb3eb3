// Which entries below the root a scan leaves out: those whose name matches one of the patterns
// asked for. A pattern is a shell glob matched by fnmatch against the entry's name alone, with no
// flags, so "*" also matches a leading dot, as du --exclude does.
#pragma once

#include <string>
#include <vector>

class ExclusionRule {
public:
    // patterns are read, never copied: they must outlive the rule.
    explicit ExclusionRule(const std::vector<std::string>& patterns) noexcept;

    // False when there are no patterns: the walk then matches nothing and stays as fast as ever.
    bool Any() const { return !m_patterns.empty(); }
    // True when name (one entry's name, no "/") matches any pattern.
    bool Excludes(const char* name) const;

private:
    const std::vector<std::string>& m_patterns;
};
