// The events of a JSON reader (nlohmann::json's SAX interface) turned into a SavedScan, with no
// document held in memory: Kestrum's scan object (rows become records), or an ncdu or gdu export
// ([1, minor, {"progname", ...}, tree]), whose tree is folded by extension as a walk folds it.
// Nesting costs one small frame per level, never the call stack, so any depth can be read.
#pragma once

#include "ExtIndex.h"
#include "ExtInfo.h"
#include "SavedScan.h"
#include "ScanCounters.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ScanFileParser {
public:
    using Json = nlohmann::json;

    ScanFileParser() = default;
    ~ScanFileParser();
    ScanFileParser(const ScanFileParser&) = delete;
    ScanFileParser& operator=(const ScanFileParser&) = delete;

    // The reader's events. Each returns false to end the reading (Error() says why).
    bool null();
    bool boolean(bool value);
    bool number_integer(Json::number_integer_t value);
    bool number_unsigned(Json::number_unsigned_t value);
    bool number_float(Json::number_float_t value, const Json::string_t& text);
    bool string(Json::string_t& value);
    bool binary(Json::binary_t& value);
    bool start_object(std::size_t elements);
    bool key(Json::string_t& value);
    bool end_object();
    bool start_array(std::size_t elements);
    bool end_array();
    bool parse_error(std::size_t position, const std::string& lastToken, const nlohmann::detail::exception& error);

    // After the last event: checks that the whole scan was there and hands it over into `scan`.
    // False with Error() set when something the scan needs was missing.
    bool Finish(SavedScan& scan);
    const ScanFileError& Error() const { return m_error; }

private:
    enum class Role {
        KestrumTop, Options, Exclude, Rows, Row, NoExtension, Largest, LargestItem, Problems, ProblemItem,
        ExportTop, ExportMeta, ExportDir, ExportItem, Skip,
    };
    struct Frame {
        Role role = Role::Skip;
        bool bArray = false;
        std::uint64_t index = 0;   // arrays: the element being read
        std::string key;           // objects: the key of the value being read
        unsigned seen = 0;         // the fields met that a closing check needs (bits by role)
        bool bRootFolder = false;  // ExportDir: the tree's top folder
    };
    // One scalar as the events give it.
    struct Scalar {
        enum class Type { Null, Bool, Unsigned, Negative, Float, String } type;
        std::uint64_t number = 0;
        std::int64_t negative = 0;
        double real = 0;
        bool truth = false;
        std::string* pText = nullptr;
    };

    bool TakeScalar(const Scalar& value);
    bool TakeKestrumScalar(Frame& frame, const Scalar& value);
    bool TakeExportScalar(Frame& frame, const Scalar& value);
    bool Open(bool bArray);
    bool Close();
    // The role of a container opened in the slot being read; false (with the error set) when
    // no container belongs there.
    bool ChildRole(const Frame& parent, bool bArray, Role& role);
    bool CloseRow();
    bool CloseExportItem();
    void NextSlot();
    bool AddToRecord(std::string_view foldedExt, std::uint64_t count, std::uint64_t bytes, std::uint64_t diskBytes,
                     bool bNew);
    static bool IsUnsigned(const Scalar& value) { return value.type == Scalar::Type::Unsigned; }

    // Errors; each returns false.
    bool BadValue();
    bool Missing(const char* field);
    // The JSON pointer of the slot being read in the first n frames.
    std::string Pointer(std::size_t frames) const;

    std::vector<Frame> m_frames;
    ScanFileError m_error;
    bool m_bExport = false;
    std::string m_szProgName;
    std::string m_szProgVersion;
    bool m_bHasHead = false;

    SavedScan m_scan;   // what has been read of the head and root
    ScanCounters m_counters;
    std::int64_t m_nStarted = 0;
    bool m_bHasStarted = false;
    bool m_bNoExtFromRow = false;  // the "(none)" row was met
    EXTINFO m_noExtRow;            // its numbers, for a file without "no_extension"
    bool m_bNoExtObject = false;

    // The row or export entry being read.
    std::string m_szName;
    std::uint64_t m_nCount = 0, m_nBytes = 0, m_nDiskBytes = 0;
    std::string m_szExcluded;
    bool m_bReadError = false;
    std::int64_t m_nMtime = 0;
    std::string m_szKind, m_szReason;

    EXTINFO* m_pRecords = nullptr;   // owned until Finish hands them over
    std::size_t m_nRecords = 0;
    ExtIndex m_index;
    std::vector<LargestFile> m_largest;
    std::vector<ScanProblem> m_problems;
};
