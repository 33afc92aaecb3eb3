// Two scans side by side, by extension: each row holds what the earlier scan counted and what the
// later one counts. An extension met by one scan only is a row all the same, with zeros for the
// other; the "(none)" row of the files without an extension is compared like any other.
#pragma once

#include "SizeMeasure.h"
#include "WalkChoices.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

class ScanResult;

struct ExtCounts {
    std::uint64_t count = 0;
    std::uint64_t bytes = 0;       // apparent
    std::uint64_t diskBytes = 0;   // allocated
};

struct ComparedRow {
    std::string_view ext;   // folded, with its dot; empty for the "(none)" row
    ExtCounts now;
    ExtCounts before;
};

// A signed difference of two 64-bit counts, held whole.
struct CountChange {
    bool bLess = false;            // the later count is the smaller
    std::uint64_t magnitude = 0;

    static CountChange Between(std::uint64_t before, std::uint64_t now);
    // True when this change sorts before other, the largest growth first.
    bool GrowsMore(const CountChange& other) const;
};

enum class CompareOrder { Change, Ext, Count, Size };

// The walk choices that make two scans measure different things.
enum class WalkChoice { OneFileSystem, Exclude, LinksOnce };

class ScanComparison {
public:
    // The rows of both results, which must outlive the comparison (the rows name their
    // extensions by the records' own text). bNoExtRow: the "(none)" row is one of them (when
    // either scan met a file without an extension). Throws std::bad_alloc.
    ScanComparison(const ScanResult& before, const ScanResult& now, bool bNoExtRow);

    // Orders the rows: the largest growth of the measure's bytes first (Change), names by the
    // locale's collation (Ext), or the largest count or size of the later scan first; ties by
    // name.
    void Order(CompareOrder order, SizeMeasure measure);
    const std::vector<ComparedRow>& Rows() const { return m_rows; }
    // The later scan's rows' bytes of the measure, over which shares are taken.
    std::uint64_t TotalBytes(SizeMeasure measure) const;

    // The first choice in which the two differ (exclusion patterns compared as sets), if any.
    static std::optional<WalkChoice> DifferingChoice(const WalkChoices& before, const WalkChoices& now);

private:
    std::vector<ComparedRow> m_rows;
};
