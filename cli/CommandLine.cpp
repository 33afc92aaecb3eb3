#include "CommandLine.h"

#include "ExclusionRule.h"
#include "ExtensionQuery.h"
#include "FileTypeCategories.h"
#include "Resource.h"
#include "StringTable.h"
#include "TextEscape.h"
#include "WalkPool.h"

#include <getopt.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

namespace {

// Long options without a short form take values from here on, out of the way of any character.
enum LongOnly : int {
    kSort = 256,
    kCsv,
    kJson,
    kExtensionsOnly,
    kExclude,
    kExcludeFrom,
    kOnDisk,
    kLinksOnce,
    kSi,
    kTop,
    kLargest,
    kExt,
    kHelp,
    kVersion,
    kBy,
    kCategory,
    kCompare,
    kFilesFrom,
    kMerge,
};

constexpr option kOptions[] = {
    {"sort", required_argument, nullptr, kSort},
    {"csv", no_argument, nullptr, kCsv},
    {"json", no_argument, nullptr, kJson},
    {"threads", required_argument, nullptr, 'j'},
    {"one-file-system", no_argument, nullptr, 'x'},
    {"exclude", required_argument, nullptr, kExclude},
    {"exclude-from", required_argument, nullptr, kExcludeFrom},
    {"extensions-only", no_argument, nullptr, kExtensionsOnly},
    {"on-disk", no_argument, nullptr, kOnDisk},
    {"links-once", no_argument, nullptr, kLinksOnce},
    {"human-readable", no_argument, nullptr, 'h'},
    {"si", no_argument, nullptr, kSi},
    {"top", required_argument, nullptr, kTop},
    {"largest", required_argument, nullptr, kLargest},
    {"ext", required_argument, nullptr, kExt},
    {"category", required_argument, nullptr, kCategory},
    {"by", required_argument, nullptr, kBy},
    {"compare", required_argument, nullptr, kCompare},
    {"files0-from", required_argument, nullptr, kFilesFrom},
    {"merge", no_argument, nullptr, kMerge},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// Leading ':' has getopt report a missing value as ':' instead of printing its own message.
constexpr char kShortOptions[] = ":j:xhq";

// Most largest files one run may ask for: the list is kept whole in memory.
constexpr std::size_t kMaxLargest = 1'000'000;

// The option getopt just refused, as the user typed it: "--threads" (up to any "="), the unknown
// long word, or "-j" for a short one, also inside a bundle like "-xj". A long option has always
// moved optind past its word; a short one inside a bundle may not have, so the word before optind
// counts as the one refused only when it is the long form of the same option.
std::string RefusedOption(const char* const* argv, int refusedOption)
{
    const std::string word = optind > 1 ? argv[optind - 1] : "";
    const std::string name = word.substr(0, word.find('='));
    if (name.size() > 2 && name.compare(0, 2, "--") == 0) {
        if (refusedOption == 0)
            return name;
        // The word may be an abbreviation of the option's name.
        for (const option& known : kOptions)
            if (known.name && known.val == refusedOption && std::string_view(known.name).substr(0, name.size() - 2) == name.substr(2))
                return name;
    }
    return std::string("-") + static_cast<char>(refusedOption);
}

// The options whose long names start with what the user typed after "--" in `refused` (up to any
// "="), each as " '--name'", in the order --help lists them; empty unless there are several and
// none is named in full: getopt_long refuses such an abbreviation as it refuses an unknown word.
std::string AmbiguousPossibilities(const std::string& refused)
{
    if (refused.size() <= 2 || refused.compare(0, 2, "--") != 0)
        return {};
    const std::string_view typed = std::string_view(refused).substr(2);
    std::string possibilities;
    std::size_t matches = 0;
    for (const option& known : kOptions) {
        if (!known.name || !std::string_view(known.name).starts_with(typed))
            continue;
        if (typed == known.name)
            return {};
        ++matches;
        possibilities += FormatString(IDS_CLI_POSSIBILITY, {known.name});
    }
    return matches > 1 ? possibilities : std::string();
}

} // namespace

CCommandLine::Action CCommandLine::Parse(int argc, const char* const* argv)
{
    // getopt_long permutes its argv, so it gets a copy; the strings themselves are not written.
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(const_cast<char*>(argv[i]));
    arguments.push_back(nullptr);

    optind = 0;   // 0, not 1: GNU getopt starts afresh, so Parse may run more than once
    opterr = 0;
    for (;;) {
        const int option = getopt_long(argc, arguments.data(), kShortOptions, kOptions, nullptr);
        if (option == -1)
            break;
        if (option == '?') {
            const std::string refused = RefusedOption(arguments.data(), optopt);
            const std::string possibilities = optopt == 0 ? AmbiguousPossibilities(refused) : std::string();
            if (!possibilities.empty()) {
                Fail(FormatString(IDS_CLI_AMBIGUOUS, {TerminalEscape(refused), possibilities}));
                return Action::Error;
            }
            // A known long option refused with "=value" is one that takes none.
            const bool bGivenValue = optopt != 0 && refused.size() > 2 && refused[1] == '-';
            Fail(FormatString(bGivenValue ? IDS_CLI_NO_VALUE : IDS_CLI_UNKNOWN_OPTION, {TerminalEscape(refused)}));
            return Action::Error;
        }
        if (option == ':') {
            Fail(FormatString(IDS_CLI_MISSING_VALUE, {TerminalEscape(RefusedOption(arguments.data(), optopt))}));
            return Action::Error;
        }
        if (!ApplyOption(option, optarg))
            return Action::Error;
    }
    if (m_bHelp)
        return Action::Help;
    if (m_bVersion)
        return Action::Version;
    if (!TakeOperands(argc, arguments.data(), optind))
        return Action::Error;
    if (m_bExtensionsGiven && m_walk.largest.count == 0) {
        Fail(std::string(LoadString(IDS_CLI_EXT_NEEDS_LARGEST)));
        return Action::Error;
    }
    if (!m_walk.largest.categories.empty() && m_walk.largest.count == 0) {
        Fail(std::string(LoadString(IDS_CLI_CATEGORY_NEEDS_LARGEST)));
        return Action::Error;
    }
    if (!m_szCompare.empty()) {
        if (m_report.byCategory) {
            Fail(std::string(LoadString(IDS_CLI_COMPARE_BY_CATEGORY)));
            return Action::Error;
        }
        // While comparing, the largest growth comes first unless another order was asked for.
        if (!m_bSortGiven)
            m_report.byChange = true;
    }
    return Action::Scan;
}

bool CCommandLine::TakeOperands(int argc, const char* const* argv, int first)
{
    if (m_bMerge) {
        if (!m_szCompare.empty() || !m_szFilesFrom.empty())
            return Fail(FormatString(IDS_CLI_MERGE_WITH, {m_szCompare.empty() ? "--files0-from" : "--compare"}));
        m_mergeFiles.assign(argv + first, argv + argc);
        return !m_mergeFiles.empty() || Fail(std::string(LoadString(IDS_CLI_MERGE_NO_FILES)));
    }
    if (!m_szFilesFrom.empty()) {
        if (first < argc)
            return Fail(FormatString(IDS_CLI_FILES0_WITH_FOLDER, {TerminalEscape(argv[first])}));
        return true;
    }
    if (first < argc && first + 1 < argc)
        return Fail(FormatString(IDS_CLI_EXTRA_ARGUMENT, {TerminalEscape(argv[first + 1])}));
    if (first < argc)
        m_szFolder = argv[first];
    // An empty folder text is refused as the window refuses it ("Specify folder, please").
    if (m_szFolder.empty())
        return Fail(std::string(LoadString(IDS_CLI_NO_FOLDER)));
    return true;
}

bool CCommandLine::ApplyOption(int option, const char* value)
{
    const std::string text = value ? value : "";
    switch (option) {
    case kSort: return SetSort(text);
    case kCsv: return SetFormat(OutputFormat::Csv);
    case kJson: return SetFormat(OutputFormat::Json);
    case kExtensionsOnly: m_report.noExtRow = false; return true;
    case 'j': return SetCount("--threads", text, 1, WalkPool::kMaxThreads, m_walk.threads);
    case 'x': m_walk.oneFileSystem = true; return true;
    case 'q': m_bQuiet = true; return true;
    case kExclude: return AddExclude(text);
    case kExcludeFrom: return AddExcludesFrom(text);
    case kOnDisk: m_report.measure = SizeMeasure::OnDisk; return true;
    case kLinksOnce: m_walk.linksOnce = true; return true;
    case 'h':
        if (m_report.sizes == SizeStyle::Grouped)
            m_report.sizes = SizeStyle::Binary;
        return true;
    case kSi: m_report.sizes = SizeStyle::Si; return true;
    case kTop: return SetCount("--top", text, 1, SIZE_MAX, m_report.top);
    case kLargest:
        m_report.largest = true;
        return SetCount("--largest", text, 1, kMaxLargest, m_walk.largest.count);
    case kExt: return SetExtensions(text);
    case kCategory: return AddCategories(text);
    case kBy: return SetBy(text);
    case kCompare:
        if (text.empty())
            return Fail(std::string(LoadString(IDS_CLI_NO_FOLDER)));
        m_szCompare = text;
        return true;
    case kFilesFrom:
        if (text.empty())
            return Fail(std::string(LoadString(IDS_CLI_NO_FOLDER)));
        m_szFilesFrom = text;
        return true;
    case kMerge: m_bMerge = true; return true;
    case kHelp: m_bHelp = true; return true;
    case kVersion: m_bVersion = true; return true;
    }
    return false;
}

bool CCommandLine::SetSort(const std::string& value)
{
    m_bSortGiven = true;
    m_report.byChange = value == "change";
    if (m_report.byChange)
        m_report.sortColumn = ExtColumn::Size;   // a scan alone has grown by all it holds
    else if (value == "ext")
        m_report.sortColumn = ExtColumn::Ext;
    else if (value == "count")
        m_report.sortColumn = ExtColumn::Count;
    else if (value == "size")
        m_report.sortColumn = ExtColumn::Size;
    else
        return Fail(FormatString(IDS_CLI_BAD_SORT, {TerminalEscape(value)}));
    return true;
}

bool CCommandLine::SetFormat(OutputFormat format)
{
    if (m_bFormatGiven && m_format != format)
        return Fail(std::string(LoadString(IDS_CLI_ONE_FORMAT)));
    m_format = format;
    m_bFormatGiven = true;
    return true;
}

// A whole number from low to high, digits only (no sign, no spaces, no "0x"); leading zeros are
// allowed, and a number too large for any count is out of the range like any other.
bool CCommandLine::SetCount(const char* option, const std::string& value, std::size_t low, std::size_t high,
                            std::size_t& count)
{
    std::size_t number = 0;
    bool bValid = !value.empty();
    bool bInRange = true;
    for (char c : value) {
        bValid = bValid && c >= '0' && c <= '9';
        if (!bValid)
            break;
        const auto digit = static_cast<std::size_t>(c - '0');
        if (number > (SIZE_MAX - digit) / 10)
            bInRange = false;
        else
            number = number * 10 + digit;
    }
    if (!bValid || !bInRange || number < low || number > high) {
        const std::string range = FormatString(IDS_CLI_RANGE, {std::to_string(low), std::to_string(high)});
        return Fail(FormatString(IDS_CLI_BAD_NUMBER, {option, range, TerminalEscape(value)}));
    }
    count = number;
    return true;
}

// ExclusionRule decides which patterns can match; a pattern that never could is refused here.
bool CCommandLine::AddExclude(const std::string& pattern)
{
    if (!ExclusionRule::Check(pattern))
        return Fail(FormatString(IDS_CLI_EXCLUDE_PATH, {TerminalEscape(pattern)}));
    m_walk.excludePatterns.push_back(pattern);
    return true;
}

// The file is read as the window's box is: one pattern a line (ExclusionRule::PatternsFromText).
bool CCommandLine::AddExcludesFrom(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return Fail(FormatString(IDS_CLI_CANNOT_READ, {TerminalEscape(file), std::strerror(errno)}));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return Fail(FormatString(IDS_CLI_CANNOT_READ, {TerminalEscape(file), std::strerror(errno)}));
    for (const std::string& pattern : ExclusionRule::PatternsFromText(text.str()))
        if (!AddExclude(pattern))
            return false;
    return true;
}

// ".iso,.img", "iso", "" (files without an extension) or "." (names that end in a dot, which
// have a row of their own), read by ExtensionQuery. Repeated --ext options add up.
bool CCommandLine::SetExtensions(const std::string& list)
{
    m_bExtensionsGiven = true;
    for (std::string& extension : ExtensionQuery::FromList(list)) {
        if (!ExtensionQuery::Check(extension))
            return Fail(FormatString(IDS_CLI_BAD_EXTENSION, {TerminalEscape(extension)}));
        m_walk.largest.extensions.push_back(std::move(extension));
    }
    return true;
}

bool CCommandLine::SetBy(const std::string& value)
{
    if (value == "extension")
        m_report.byCategory = false;
    else if (value == "category")
        m_report.byCategory = true;
    else
        return Fail(FormatString(IDS_CLI_BAD_BY, {TerminalEscape(value)}));
    return true;
}

// "video", "Video" or "video,audio"; repeated --category options add up, and add to --ext. The
// database is read here, before the walk, so that no walking thread waits for it.
bool CCommandLine::AddCategories(const std::string& list)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string key = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::optional<FileTypeCategory> category = FileTypeCategories::FromKey(key);
        if (!category) {
            std::string keys;
            for (const FileTypeCategory known : FileTypeCategories::kAll)
                keys += (keys.empty() ? "" : ", ") + std::string(FileTypeCategories::Key(known));
            return Fail(FormatString(IDS_CLI_BAD_CATEGORY, {keys, TerminalEscape(key)}));
        }
        m_walk.largest.categories.push_back(*category);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    m_walk.largest.pCategories = &FileTypeCategories::System();
    return true;
}

bool CCommandLine::Fail(std::string text)
{
    m_szError = std::move(text);
    return false;
}
