// The choices a scan was made with that change what it measures, as a scan file records them:
// two scans compare only when their walk choices agree.
#pragma once

#include <string>
#include <vector>

struct WalkChoices {
    bool oneFileSystem = false;          // folders on other file systems counted, not entered
    std::vector<std::string> exclude;    // the exclusion patterns, as given
    bool linksOnce = false;              // a file with several hard links counted once
    bool extensionsOnly = false;         // the "(none)" row left out of the rows written

    bool operator==(const WalkChoices&) const = default;
};
