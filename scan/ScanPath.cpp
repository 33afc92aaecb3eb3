#include "ScanPath.h"

#include <algorithm>
#include <cstring>

std::string ScanPath::Join(const std::vector<std::string_view>& folders, std::string_view name)
{
    std::size_t length = name.size();
    for (const std::string_view folder : folders)
        length += folder.size() + 1;
    std::string path;
    path.reserve(length);
    for (const std::string_view folder : folders) {
        path.append(folder);
        if (NeedsSeparator(folder))
            path.push_back('/');
    }
    path.append(name);
    return path;
}

int ScanPath::Compare(const std::vector<std::string_view>& folders, std::string_view name, std::string_view text)
{
    std::size_t at = 0;
    int result = 0;
    // True once the comparison is decided.
    const auto step = [&](std::string_view piece) {
        const std::size_t common = std::min(piece.size(), text.size() - at);
        const int difference = common ? std::memcmp(piece.data(), text.data() + at, common) : 0;
        if (difference != 0 || common < piece.size()) {
            result = difference != 0 ? difference : 1;   // text ended first: the path is longer
            return true;
        }
        at += common;
        return false;
    };
    for (const std::string_view folder : folders) {
        if (step(folder) || (NeedsSeparator(folder) && step("/")))
            return result;
    }
    if (step(name))
        return result;
    return at < text.size() ? -1 : 0;
}
