#include "ExtensionQuery.h"

std::string ExtensionQuery::Normalize(std::string_view typed)
{
    std::string extension;
    if (!typed.empty() && typed.front() != '.')
        extension.push_back('.');
    extension.append(typed);
    return extension;
}

std::vector<std::string> ExtensionQuery::FromList(std::string_view list)
{
    std::vector<std::string> extensions;
    for (;;) {
        const std::size_t comma = list.find(',');
        extensions.push_back(Normalize(list.substr(0, comma)));
        if (comma == std::string_view::npos)
            return extensions;
        list.remove_prefix(comma + 1);
    }
}

bool ExtensionQuery::Check(std::string_view normalized)
{
    return normalized.find('/') == std::string_view::npos &&
           (normalized.size() < 2 || normalized.find('.', 1) == std::string_view::npos);
}
