// The largest files a walk met, when asked for: which files (of which extensions) and how many,
// and what is kept of each.
#pragma once

#include "FileTypeCategories.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LargestFilesQuery {
    // How many files to keep; 0 keeps none (an ordinary scan).
    std::size_t count = 0;
    // The extensions wanted, with their leading dot as typed (".iso"; matched as the rows match
    // them, case-folded), "" for the files without an extension. Empty, and no
    // categories either: every file.
    std::vector<std::string> extensions;
    // Also the files whose extension is of one of these categories, as pCategories (which must
    // then be set, and outlive the walk) gives them. Files without an extension are in none.
    std::vector<FileTypeCategory> categories;
    const FileTypeCategories* pCategories = nullptr;
};

struct LargestFile {
    std::string path;            // the root as given, then the names below it, joined by "/"
    std::uint64_t bytes = 0;     // apparent size
    std::int64_t mtime = 0;      // last modified, seconds since the epoch
};
