// The list's "Change" column while the list is compared with a saved scan: each row's change of
// size since the saved scan, the order by it (largest growth first), the selected rows' change,
// and the rows of the extensions that only the saved scan met, shown with a count of 0.
#pragma once

#include "SavedScan.h"
#include "ScanComparison.h"
#include "SizeMeasure.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct EXTINFO;
class ExtTable;
class FileTypeCategories;

// Window's thread only.
class CScanComparisonColumn {
public:
    // Compares with `before` from now on; the walk choices of the scans shown are checked by Check.
    void Set(SavedScan before);
    void Clear();
    bool IsOn() const { return m_bOn; }
    const SavedScan& Before() const { return m_before; }

    // The first walk choice in which `now` was made otherwise than the saved scan, if any (a saved
    // scan that does not record its choices is taken as made with any). While one differs, no
    // change is shown.
    std::optional<WalkChoice> DifferingChoice(const WalkChoices& now) const;
    void Check(const ScanResult& now) { m_differing = DifferingChoice(now.Choices()); }
    std::optional<WalkChoice> Differing() const { return m_differing; }

    // A copy of `now` with a record of count 0 for every extension only the saved scan met (and,
    // with bNoExtRow, for the files without an extension when only it had them). Throws
    // std::bad_alloc.
    ScanResult Widen(const ScanResult& now, bool bNoExtRow) const;
    // A copy of `shown` without those records: the scan as it was made.
    static ScanResult Narrow(const ScanResult& shown);

    // The row's change of the measure's bytes; nothing while off or while the choices differ.
    std::optional<CountChange> ChangeOf(const EXTINFO& record, SizeMeasure measure) const;
    // "+1,234", "-56", "0"; empty when there is no change to show.
    QString CellText(const EXTINFO& record, SizeMeasure measure) const;
    // The longest text a cell of the column holds over the table's rows.
    QString LongestCellText(const ExtTable& table) const;
    // Orders the table by name, then returns its positions by change: descending is the largest
    // growth first; equal changes by name.
    std::vector<std::size_t> Order(ExtTable& table, bool bAscending, SizeMeasure measure) const;
    // The summed change of the records for "Selected:"; empty when there is nothing to add.
    std::string SelectionText(const std::vector<const EXTINFO*>& records, SizeMeasure measure) const;
    // The same for the rows of categories chosen by their place (CategoryTable::PlaceOf) in
    // `changes`, as CategoryChanges gives them.
    std::string SelectionText(const std::vector<std::size_t>& places, const std::vector<CountChange>& changes) const;
    // Each category's change in the records of `shown` (as Widen gives them), by
    // CategoryTable::PlaceOf ("(none)" last): the sum of its extensions' rows, those only the
    // saved scan met among them. Empty while there is no change to show.
    std::vector<CountChange> CategoryChanges(const ScanResult& shown, SizeMeasure measure,
                                             const FileTypeCategories& categories) const;

    // "+1,234" or "-56": a change as the cells write it.
    static std::string ChangeText(const CountChange& change);

private:
    ExtCounts BeforeOf(const EXTINFO& record) const;
    // Growths and shrinkages summed apart, so that no partial sum leaves 64 bits.
    struct ChangeSum {
        std::uint64_t grown = 0;
        std::uint64_t shrunk = 0;
        void Add(const CountChange& change);
        CountChange Total() const;
    };

    bool m_bOn = false;
    SavedScan m_before;
    std::unordered_map<std::string, ExtCounts> m_byExt;   // the saved scan's rows by extension
    std::optional<WalkChoice> m_differing;
};
