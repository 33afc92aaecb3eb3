// How a path below the scan's root is written, in one place for the largest files and the
// problems a scan names: the root as given, then the names below it, joined by "/" (no second
// one after a root typed with a trailing "/"; only the root can end in one).
#pragma once

#include <string>
#include <string_view>
#include <vector>

class ScanPath {
public:
    // folders (the root as given first), then name. Throws std::bad_alloc.
    static std::string Join(const std::vector<std::string_view>& folders, std::string_view name);
    // Compares the path Join would make with text, as plain bytes (like std::string's compare),
    // without joining them: <0, 0 or >0.
    static int Compare(const std::vector<std::string_view>& folders, std::string_view name, std::string_view text);

private:
    static bool NeedsSeparator(std::string_view folder) { return !folder.ends_with('/'); }
};
