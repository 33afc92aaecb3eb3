// The rows of the list that "Largest files..." is asked about: extension rows by their records,
// or, in the list grouped by file type, categories (and the "(none)" row as no category).
#pragma once

#include "FileTypeCategories.h"

#include <optional>
#include <vector>

struct EXTINFO;

struct ChosenRows {
    std::vector<const EXTINFO*> records;                        // the records stay the model's
    std::vector<std::optional<FileTypeCategory>> categories;    // none: the files without an extension

    bool empty() const { return records.empty() && categories.empty(); }
};
