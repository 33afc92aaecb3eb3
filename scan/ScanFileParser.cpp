#include "ScanFileParser.h"

#include "ExtInfo.h"
#include "ExtensionFolding.h"
#include "TextEscape.h"

#include <cmath>
#include <memory>
#include <new>
#include <utility>
#include <cstring>
#include <limits>

namespace {

// Bits of Frame::seen: the fields a closing check asks for.
constexpr unsigned kSeenRoot = 1, kSeenFiles = 2, kSeenBytes = 4, kSeenExtensions = 8;
constexpr unsigned kSeenExt = 1, kSeenCount = 2, kSeenRowBytes = 4;
constexpr unsigned kSeenPath = 1, kSeenSecond = 2;   // largest files: bytes; problems: kind
constexpr unsigned kSeenName = 1;

// The counters of the scan object by their keys.
struct CounterField {
    const char* key;
    std::uint64_t ScanCounters::*member;
};
constexpr CounterField kCounterFields[] = {
    {"folders", &ScanCounters::nFolders},           {"files", &ScanCounters::nFiles},
    {"bytes", &ScanCounters::nBytes},               {"disk_bytes", &ScanCounters::nDiskBytes},
    {"not_listed", &ScanCounters::nNotListed},      {"not_entered", &ScanCounters::nNotEntered},
    {"vanished", &ScanCounters::nVanished},         {"not_examined", &ScanCounters::nNotExamined},
    {"not_in_rows", &ScanCounters::nNotInRows},     {"excluded", &ScanCounters::nExcluded},
    {"not_in_largest", &ScanCounters::nNotInLargest}, {"links_unchecked", &ScanCounters::nLinksUnchecked},
    {"not_found", &ScanCounters::nNotFound},        {"repeated", &ScanCounters::nRepeated},
    {"empty_name", &ScanCounters::nEmptyNames},
};

// A row's extension as the walk would have made it: "" or from a "." to the end with no other
// "." (the extension starts at the last one), and no byte a name cannot hold.
bool IsExtension(std::string_view ext)
{
    return ext.empty() || (ExtensionFolding::ExtensionOf(ext) == ext && ext.find('/') == std::string_view::npos &&
                           ext.find('\0') == std::string_view::npos);
}

// The errno whose text the writer wrote as a problem's reason; 0 when none has it.
int ErrorOfReason(std::string_view reason)
{
    if (reason.empty())
        return 0;
    for (int error = 1; error < 256; ++error)
        if (reason == std::strerror(error))
            return error;
    return 0;
}

// RFC 6901: "~" and "/" in a key are written "~0" and "~1".
void AppendPointerSegment(std::string& pointer, std::string_view key)
{
    pointer += '/';
    for (char c : key) {
        if (c == '~')
            pointer += "~0";
        else if (c == '/')
            pointer += "~1";
        else
            pointer += c;
    }
}

} // namespace

ScanFileParser::~ScanFileParser()
{
    FreeExtRecords(m_pRecords);
}

bool ScanFileParser::null()
{
    return TakeScalar({Scalar::Type::Null});
}

bool ScanFileParser::boolean(bool value)
{
    Scalar scalar{Scalar::Type::Bool};
    scalar.truth = value;
    return TakeScalar(scalar);
}

bool ScanFileParser::number_integer(Json::number_integer_t value)
{
    Scalar scalar{value < 0 ? Scalar::Type::Negative : Scalar::Type::Unsigned};
    scalar.negative = value;
    scalar.number = value < 0 ? 0 : static_cast<std::uint64_t>(value);
    return TakeScalar(scalar);
}

bool ScanFileParser::number_unsigned(Json::number_unsigned_t value)
{
    Scalar scalar{Scalar::Type::Unsigned};
    scalar.number = value;
    return TakeScalar(scalar);
}

bool ScanFileParser::number_float(Json::number_float_t value, const Json::string_t&)
{
    Scalar scalar{Scalar::Type::Float};
    scalar.real = value;
    return TakeScalar(scalar);
}

bool ScanFileParser::string(Json::string_t& value)
{
    Scalar scalar{Scalar::Type::String};
    scalar.pText = &value;
    return TakeScalar(scalar);
}

bool ScanFileParser::binary(Json::binary_t&)
{
    return BadValue();   // text JSON has none; no scan file holds one
}

bool ScanFileParser::start_object(std::size_t)
{
    return Open(false);
}

bool ScanFileParser::start_array(std::size_t)
{
    return Open(true);
}

bool ScanFileParser::key(Json::string_t& value)
{
    m_frames.back().key.swap(value);
    return true;
}

bool ScanFileParser::end_object()
{
    return Close();
}

bool ScanFileParser::end_array()
{
    return Close();
}

bool ScanFileParser::parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&)
{
    m_error.fault = ScanFileFault::NotJson;
    m_error.offset = position;
    return false;
}

std::string ScanFileParser::Pointer(std::size_t frames) const
{
    std::string pointer;
    for (std::size_t i = 0; i < frames && i < m_frames.size(); ++i) {
        const Frame& frame = m_frames[i];
        if (frame.bArray)
            pointer += '/' + std::to_string(frame.index);
        else
            AppendPointerSegment(pointer, frame.key);
    }
    return pointer.empty() ? "/" : pointer;
}

bool ScanFileParser::BadValue()
{
    m_error.fault = ScanFileFault::BadField;
    m_error.where = Pointer(m_frames.size());
    return false;
}

bool ScanFileParser::Missing(const char* field)
{
    m_error.fault = ScanFileFault::BadField;
    m_error.where = m_frames.size() > 1 ? Pointer(m_frames.size() - 1) : std::string();
    AppendPointerSegment(m_error.where, field);
    return false;
}

void ScanFileParser::NextSlot()
{
    if (!m_frames.empty() && m_frames.back().bArray)
        ++m_frames.back().index;
}

bool ScanFileParser::TakeScalar(const Scalar& value)
{
    if (m_frames.empty())
        return BadValue();   // a number or a text alone is no scan
    Frame& frame = m_frames.back();
    const bool bTaken = m_bExport ? TakeExportScalar(frame, value) : TakeKestrumScalar(frame, value);
    if (bTaken)
        NextSlot();
    return bTaken;
}

bool ScanFileParser::TakeKestrumScalar(Frame& frame, const Scalar& value)
{
    const std::string& key = frame.key;
    const bool bText = value.type == Scalar::Type::String;
    switch (frame.role) {
    case Role::KestrumTop:
        if (key == "format") {
            if (!IsUnsigned(value) || value.number < 1 || value.number > ScanFileHead::kFormat)
                return BadValue();
            m_scan.format = static_cast<unsigned>(value.number);
        } else if (key == "root" || key == "program" || key == "host") {
            if (!bText)
                return BadValue();
            std::string& field = key == "root" ? m_scan.root : key == "program" ? m_scan.head.program : m_scan.head.host;
            field = UnescapedName(*value.pText);
            frame.seen |= key == "root" ? kSeenRoot : 0;
        } else if (key == "started") {
            const auto started = bText ? ScanFileHead::FromUtcText(*value.pText) : std::nullopt;
            if (!started)
                return BadValue();
            m_nStarted = *started;
            m_bHasStarted = true;
        } else if (key == "seconds") {
            // Milliseconds held in 64 bits: far beyond any walk.
            constexpr double kMostSeconds = 1e15;
            if (IsUnsigned(value) && value.number <= static_cast<std::uint64_t>(kMostSeconds))
                m_scan.head.milliseconds = value.number * 1000;
            else if (value.type == Scalar::Type::Float && value.real >= 0 && value.real <= kMostSeconds)
                m_scan.head.milliseconds = static_cast<std::uint64_t>(std::llround(value.real * 1000));
            else
                return BadValue();
        } else if (key == "ending") {
            const auto ending = bText ? ScanFileHead::EndingFromKey(*value.pText) : std::nullopt;
            if (!ending)
                return BadValue();
            m_scan.head.ending = *ending;
        } else {
            for (const CounterField& field : kCounterFields) {
                if (key != field.key)
                    continue;
                if (!IsUnsigned(value))
                    return BadValue();
                m_counters.*field.member = value.number;
                frame.seen |= key == "files" ? kSeenFiles : key == "bytes" ? kSeenBytes : 0;
            }
        }
        return true;
    case Role::Options:
        if (key == "one_file_system" || key == "links_once" || key == "extensions_only") {
            if (value.type != Scalar::Type::Bool)
                return BadValue();
            WalkChoices& choices = m_scan.head.choices;
            (key == "one_file_system" ? choices.oneFileSystem : key == "links_once" ? choices.linksOnce
                                                                                     : choices.extensionsOnly) = value.truth;
        }
        return true;
    case Role::Exclude:
        if (!bText)
            return BadValue();
        m_scan.head.choices.exclude.push_back(UnescapedName(*value.pText));
        return true;
    case Role::Row:
    case Role::NoExtension:
        if (key == "ext" && frame.role == Role::Row) {
            if (!bText)
                return BadValue();
            m_szName = ExtensionFolding::Folded(UnescapedName(*value.pText));
            if (!IsExtension(m_szName))
                return BadValue();
            frame.seen |= kSeenExt;
        } else if (key == "count" || key == "bytes" || key == "disk_bytes") {
            if (!IsUnsigned(value))
                return BadValue();
            (key == "count" ? m_nCount : key == "bytes" ? m_nBytes : m_nDiskBytes) = value.number;
            frame.seen |= key == "count" ? kSeenCount : key == "bytes" ? kSeenRowBytes : 0;
        }
        return true;
    case Role::LargestItem:
        if (key == "path") {
            if (!bText)
                return BadValue();
            m_szName = UnescapedName(*value.pText);
            frame.seen |= kSeenPath;
        } else if (key == "bytes") {
            if (!IsUnsigned(value))
                return BadValue();
            m_nBytes = value.number;
            frame.seen |= kSeenSecond;
        } else if (key == "mtime") {
            if (value.type == Scalar::Type::Negative)
                m_nMtime = value.negative;
            else if (IsUnsigned(value) && value.number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                m_nMtime = static_cast<std::int64_t>(value.number);
            else
                return BadValue();
        }
        return true;
    case Role::ProblemItem:
        if (key == "path" || key == "kind" || key == "reason") {
            if (!bText)
                return BadValue();
            if (key == "path") {
                m_szName = UnescapedName(*value.pText);
                frame.seen |= kSeenPath;
            } else if (key == "kind") {
                m_szKind = *value.pText;
                frame.seen |= kSeenSecond;
            } else {
                m_szReason = *value.pText;
            }
        }
        return true;
    case Role::Rows:
    case Role::Largest:
    case Role::Problems:
        return BadValue();   // their elements are objects
    default:
        return true;         // Skip: a field this program does not know
    }
}

bool ScanFileParser::TakeExportScalar(Frame& frame, const Scalar& value)
{
    const std::string& key = frame.key;
    switch (frame.role) {
    case Role::ExportTop:
        if (frame.index == 0 && (!IsUnsigned(value) || value.number != 1))
            return BadValue();   // the major version: an incompatible export has another
        if (frame.index == 1 && !IsUnsigned(value))
            return BadValue();
        if (frame.index == 1)
            m_scan.format = 1;
        return frame.index < 2 || frame.index > 3 ? true : BadValue();
    case Role::ExportMeta:
        if (key == "progname" || key == "progver") {
            if (value.type != Scalar::Type::String)
                return BadValue();
            (key == "progname" ? m_szProgName : m_szProgVersion) = *value.pText;
        } else if (key == "timestamp") {
            if (!IsUnsigned(value) || value.number > static_cast<std::uint64_t>(ScanFileHead::kLastSecond))
                return BadValue();
            m_nStarted = static_cast<std::int64_t>(value.number);
            m_bHasStarted = true;
        }
        return true;
    case Role::ExportDir:
        return BadValue();   // a folder holds objects (its entries) and arrays (its subfolders)
    case Role::ExportItem:
        if (key == "name") {
            if (value.type != Scalar::Type::String)
                return BadValue();
            // A name's bytes that were not UTF-8 reach here written \xHH (CappedFileBuffer). A
            // name that itself holds a backslash, "x" and two hex digits reads as that byte:
            // only its extension is taken from it, and no walk meets such a name in practice.
            m_szName = UnescapedName(*value.pText);
            // Below the top folder a name is one entry's: a "/" or a zero byte cannot be in it.
            const Frame& parent = m_frames[m_frames.size() - 2];
            const bool bTopFolder = parent.index == 0 && parent.bRootFolder;
            if (!bTopFolder && m_szName.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
                return BadValue();
            frame.seen |= kSeenName;
        } else if (key == "asize" || key == "dsize") {
            if (!IsUnsigned(value))
                return BadValue();
            (key == "asize" ? m_nBytes : m_nDiskBytes) = value.number;
        } else if (key == "excluded") {
            if (value.type != Scalar::Type::String)
                return BadValue();
            m_szExcluded = *value.pText;
        } else if (key == "read_error") {
            if (value.type != Scalar::Type::Bool)
                return BadValue();
            m_bReadError = value.truth;
        }
        return true;
    default:
        return true;
    }
}

bool ScanFileParser::ChildRole(const Frame& parent, bool bArray, Role& role)
{
    const std::string& key = parent.key;
    role = Role::Skip;
    switch (parent.role) {
    case Role::KestrumTop:
        if (key == "options")
            role = Role::Options;
        else if (key == "extensions")
            role = Role::Rows;
        else if (key == "no_extension")
            role = Role::NoExtension;
        else if (key == "largest")
            role = Role::Largest;
        else if (key == "problems")
            role = Role::Problems;
        else if (key == "format" || key == "root" || key == "program" || key == "host" || key == "started" ||
                 key == "seconds" || key == "ending")
            return BadValue();
        else
            for (const CounterField& field : kCounterFields)
                if (key == field.key)
                    return BadValue();
        break;
    case Role::Options:
        if (key == "exclude")
            role = Role::Exclude;
        else if (key == "one_file_system" || key == "links_once" || key == "extensions_only")
            return BadValue();
        break;
    case Role::Rows: role = Role::Row; break;
    case Role::Largest: role = Role::LargestItem; break;
    case Role::Problems: role = Role::ProblemItem; break;
    case Role::Exclude: return BadValue();
    case Role::Row:
    case Role::NoExtension:
        if (key == "ext" || key == "count" || key == "bytes" || key == "disk_bytes")
            return BadValue();
        break;
    case Role::LargestItem:
    case Role::ProblemItem:
        if (key == "path" || key == "bytes" || key == "mtime" || key == "kind" || key == "reason")
            return BadValue();
        break;
    case Role::ExportTop:
        if (parent.index < 2)
            return BadValue();
        if (parent.index == 2)
            role = Role::ExportMeta;
        else if (parent.index == 3)
            role = Role::ExportDir;
        break;
    case Role::ExportMeta:
        if (key == "progname" || key == "progver" || key == "timestamp")
            return BadValue();
        break;
    case Role::ExportDir:
        role = parent.index == 0 || !bArray ? Role::ExportItem : Role::ExportDir;
        if (parent.index == 0 && bArray)
            return BadValue();   // a folder's first element describes it
        break;
    case Role::ExportItem:
        if (key == "name" || key == "asize" || key == "dsize" || key == "excluded" || key == "read_error")
            return BadValue();
        break;
    case Role::Skip: break;
    }
    const bool bWantsArray = role == Role::Exclude || role == Role::Rows || role == Role::Largest ||
                             role == Role::Problems || role == Role::ExportDir;
    if (role != Role::Skip && bWantsArray != bArray)
        return BadValue();
    return true;
}

bool ScanFileParser::Open(bool bArray)
{
    Role role = bArray ? Role::ExportTop : Role::KestrumTop;
    if (m_frames.empty())
        m_bExport = bArray;
    else if (!ChildRole(m_frames.back(), bArray, role))
        return false;
    Frame frame;
    frame.role = role;
    frame.bArray = bArray;
    if (role == Role::ExportDir)
        frame.bRootFolder = m_frames.back().role == Role::ExportTop;
    if (role == Role::Row || role == Role::NoExtension || role == Role::LargestItem || role == Role::ProblemItem ||
        role == Role::ExportItem) {
        m_szName.clear();
        m_nCount = m_nBytes = m_nDiskBytes = 0;
        m_szExcluded.clear();
        m_bReadError = false;
        m_nMtime = 0;
        m_szKind.clear();
        m_szReason.clear();
    }
    m_bHasHead = m_bHasHead || role == Role::Options;
    m_frames.push_back(std::move(frame));
    return true;
}

bool ScanFileParser::Close()
{
    const Frame& frame = m_frames.back();
    switch (frame.role) {
    case Role::KestrumTop:
        if (!(frame.seen & kSeenRoot))
            return Missing("root");
        if (!(frame.seen & kSeenFiles))
            return Missing("files");
        if (!(frame.seen & kSeenBytes))
            return Missing("bytes");
        if (!(frame.seen & kSeenExtensions))
            return Missing("extensions");
        break;
    case Role::Row:
        if (!(frame.seen & kSeenExt))
            return Missing("ext");
        if (!(frame.seen & kSeenCount))
            return Missing("count");
        if (!(frame.seen & kSeenRowBytes))
            return Missing("bytes");
        if (!CloseRow())
            return false;
        break;
    case Role::NoExtension:
        m_bNoExtObject = true;
        m_counters.nNoExtFiles = m_nCount;
        m_counters.nNoExtBytes = m_nBytes;
        m_counters.nNoExtDiskBytes = m_nDiskBytes;
        break;
    case Role::LargestItem:
        if (!(frame.seen & kSeenPath))
            return Missing("path");
        if (!(frame.seen & kSeenSecond))
            return Missing("bytes");
        m_largest.push_back({m_szName, m_nBytes, m_nMtime});
        break;
    case Role::ProblemItem: {
        if (!(frame.seen & kSeenPath))
            return Missing("path");
        if (!(frame.seen & kSeenSecond))
            return Missing("kind");
        ScanProblem problem{m_szName, ProblemKind::NotListed, ErrorOfReason(m_szReason)};
        bool bKnown = false;
        for (std::size_t kind = 0; kind < kProblemKinds && !bKnown; ++kind) {
            problem.kind = static_cast<ProblemKind>(kind);
            bKnown = ProblemKindKey(problem.kind) == m_szKind;
        }
        if (!bKnown) {
            m_frames.back().key = "kind";   // the pointer names the field at fault
            return BadValue();
        }
        m_problems.push_back(std::move(problem));
        break;
    }
    case Role::ExportTop:
        if (frame.index < 4)
            return Missing(std::to_string(frame.index).c_str());
        break;
    case Role::ExportDir:
        if (frame.index == 0)
            return Missing("0");
        break;
    case Role::ExportItem:
        if (!(frame.seen & kSeenName))
            return Missing("name");
        if (!CloseExportItem())
            return false;
        break;
    default:
        break;
    }
    m_frames.pop_back();
    if (!m_frames.empty() && m_frames.back().role == Role::KestrumTop && m_frames.back().key == "extensions")
        m_frames.back().seen |= kSeenExtensions;
    NextSlot();
    return true;
}

bool ScanFileParser::AddToRecord(std::string_view foldedExt, std::uint64_t count, std::uint64_t bytes,
                                 std::uint64_t diskBytes, bool bNew)
{
    EXTINFO* pRecord = m_index.Find(foldedExt);
    if (pRecord && bNew) {
        m_error.fault = ScanFileFault::Twice;
        m_error.where = std::string(foldedExt);
        return false;
    }
    if (!pRecord) {
        auto record = std::make_unique<EXTINFO>();
        record->szExt = std::string(foldedExt);
        if (!m_index.Insert(record.get()))
            throw std::bad_alloc();
        pRecord = record.release();
        pRecord->pNext = m_pRecords;
        m_pRecords = pRecord;
        ++m_nRecords;
    }
    pRecord->nCount += count;
    AddSaturating(pRecord->nBytes, bytes);
    AddSaturating(pRecord->nDiskBytes, diskBytes);
    return true;
}

bool ScanFileParser::CloseRow()
{
    if (m_szName.empty()) {
        // The "(none)" row repeats "no_extension"; a second one is a row twice all the same.
        if (m_bNoExtFromRow) {
            m_error.fault = ScanFileFault::Twice;
            m_error.where.clear();
            return false;
        }
        m_bNoExtFromRow = true;
        m_noExtRow.nCount = m_nCount;
        m_noExtRow.nBytes = m_nBytes;
        m_noExtRow.nDiskBytes = m_nDiskBytes;
        return true;
    }
    return AddToRecord(m_szName, m_nCount, m_nBytes, m_nDiskBytes, true);
}

// An entry of an export counted as the walk counts it: a folder (the first element of its
// array) with its own size, except the top folder, which names the root; a file with its
// extension; an entry left out by a pattern as excluded, a folder on another file system or a
// kernel file system as counted but not entered.
bool ScanFileParser::CloseExportItem()
{
    const Frame& parent = m_frames[m_frames.size() - 2];
    const bool bFolder = parent.index == 0;
    if (bFolder && parent.bRootFolder) {
        m_scan.root = m_szName;
        m_counters.nNotListed += m_bReadError ? 1 : 0;
        return true;
    }
    if (!bFolder && !m_szExcluded.empty() && m_szExcluded != "otherfs" && m_szExcluded != "kernfs" &&
        m_szExcluded != "frmlnk") {
        ++m_counters.nExcluded;
        return true;
    }
    AddSaturating(m_counters.nBytes, m_nBytes);
    AddSaturating(m_counters.nDiskBytes, m_nDiskBytes);
    if (bFolder || !m_szExcluded.empty()) {
        ++m_counters.nFolders;
        m_counters.nNotListed += bFolder && m_bReadError ? 1 : 0;
        m_counters.nNotEntered += bFolder ? 0 : 1;
        return true;
    }
    ++m_counters.nFiles;
    m_counters.nNotExamined += m_bReadError ? 1 : 0;
    const std::string_view ext = ExtensionFolding::ExtensionOf(m_szName);
    if (ext.empty()) {
        ++m_counters.nNoExtFiles;
        AddSaturating(m_counters.nNoExtBytes, m_nBytes);
        AddSaturating(m_counters.nNoExtDiskBytes, m_nDiskBytes);
        return true;
    }
    return AddToRecord(ExtensionFolding::Folded(ext), 1, m_nBytes, m_nDiskBytes, false);
}

bool ScanFileParser::Finish(SavedScan& scan)
{
    if (!m_frames.empty() || m_error.fault != ScanFileFault::None) {
        if (m_error.fault == ScanFileFault::None)
            m_error.fault = ScanFileFault::NotJson;
        return false;
    }
    if (m_bExport) {
        m_scan.kind = m_szProgName == "gdu" ? ScanFileKind::Gdu : ScanFileKind::Ncdu;
        m_scan.head.program = m_szProgVersion.empty() ? m_szProgName : m_szProgName + ' ' + m_szProgVersion;
    } else if (!m_bNoExtObject && m_bNoExtFromRow) {
        m_counters.nNoExtFiles = m_noExtRow.nCount;
        m_counters.nNoExtBytes = m_noExtRow.nBytes;
        m_counters.nNoExtDiskBytes = m_noExtRow.nDiskBytes;
    }
    m_scan.bHasChoices = !m_bExport && m_scan.format >= 2 && m_bHasHead;
    m_scan.bHasStarted = m_bHasStarted;
    m_scan.head.started = m_nStarted;
    const ScanEnding ending = m_scan.head.ending == ScanFileEnding::Finished ? ScanEnding::Finished : ScanEnding::Stopped;
    m_scan.result = ScanResult(m_counters, std::exchange(m_pRecords, nullptr), m_nRecords, ending,
                               std::move(m_largest), std::move(m_problems));
    m_scan.result.Stamp(m_nStarted, m_scan.head.milliseconds, m_scan.head.choices);
    m_index.Clear();
    scan = std::move(m_scan);
    return true;
}
