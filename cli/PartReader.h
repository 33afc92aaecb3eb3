// The parts of kestrum-scan --merge read on several threads at once: each thread reads the next
// file not yet taken and adds it to a merge of its own, so no part is held once it is read; what
// each part says of itself is kept, by its place on the command line, for the checks that
// follow.
#pragma once

#include "SavedScan.h"
#include "ScanMerge.h"
#include "ScanResult.h"

#include <cstddef>
#include <string>
#include <vector>

class CPartReader {
public:
    struct Part {
        bool bRead = false;
        ScanFileError error;   // why it could not be read, when it could not
        bool bHasChoices = false;
        bool bFinished = true;
        std::string root;
        ScanFileHead head;     // without parts or roots
    };

    // Reads every file with at most `threads` threads (at least one). After a file that cannot
    // be read, files not yet taken are left unread.
    void ReadAll(const std::vector<std::string>& files, std::size_t threads);
    const std::vector<Part>& Parts() const { return m_parts; }
    // The merge of every part read, keeping the `largest` largest files (0: all).
    ScanResult Take(std::size_t largest);

private:
    std::vector<Part> m_parts;
    std::vector<ScanMerge> m_merges;   // one per thread
};
