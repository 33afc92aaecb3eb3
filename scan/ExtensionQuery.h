// The extensions a user asks the largest files of, read once for every front end: "iso" means
// ".iso" (no extension lacks its dot), "" the files without an extension, "." the names that end
// in a dot.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class ExtensionQuery {
public:
    // The extension with its leading dot, as the rows write it (not folded).
    static std::string Normalize(std::string_view typed);
    // A comma-separated list ("iso,.img"), each normalised. Throws std::bad_alloc.
    static std::vector<std::string> FromList(std::string_view list);
    // False for a normalised extension no file can have: one holding a "/" (never in a name) or
    // a "." after its first byte (an extension starts at the last "." of a name).
    static bool Check(std::string_view normalized);
};
