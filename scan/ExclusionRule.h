// Which entries below the root a scan leaves out: those whose name matches one of the patterns
// asked for. A pattern is a shell glob matched by fnmatch against the entry's name alone, with no
// flags, so "*" also matches a leading dot, as du --exclude does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class ExclusionRule {
public:
    // The patterns of a text written one a line, as the window's box and --exclude-from hold
    // them: a line's trailing CR is dropped (a file written on another system reads the same)
    // and empty lines are skipped. Throws std::bad_alloc.
    static std::vector<std::string> PatternsFromText(std::string_view text);
    // False for a pattern that can never match: one with a "/" (a path, or "node_modules/" as
    // ignore files write folders), since patterns are matched against single names.
    static bool Check(std::string_view pattern);

    // patterns are read, never copied: they must outlive the rule.
    explicit ExclusionRule(const std::vector<std::string>& patterns) noexcept;

    // False when there are no patterns: the walk then matches nothing and stays as fast as ever.
    bool Any() const { return !m_patterns.empty(); }
    // True when name (one entry's name, no "/") matches any pattern.
    bool Excludes(const char* name) const;

private:
    const std::vector<std::string>& m_patterns;
};
