#include "CountsText.h"

#include "Format.h"
#include "Resource.h"
#include "ScanCounters.h"
#include "StringTable.h"

#include <string_view>

namespace {

// Appends "<n> <what>" in the wording for count, after a separator when text has a part. The
// catalogue holds the singular and plural as one message named by the singular's id.
void AppendPart(std::string& text, std::string_view separator, std::uint64_t count, unsigned nIDOne,
                [[maybe_unused]] unsigned nIDMany)
{
    if (count == 0)
        return;
    if (!text.empty())
        text += separator;
    text += FormatCountString(nIDOne, count, {FormatNumber(count)});
}

std::string JoinedParts(const ScanCounters& counters, std::string_view separator)
{
    std::string text;
    AppendPart(text, separator, counters.nNotListed, IDS_FMT_NOT_LISTED_ONE, IDS_FMT_NOT_LISTED_MANY);
    AppendPart(text, separator, counters.nNotEntered, IDS_FMT_NOT_ENTERED_ONE, IDS_FMT_NOT_ENTERED_MANY);
    AppendPart(text, separator, counters.nVanished, IDS_FMT_VANISHED_ONE, IDS_FMT_VANISHED_MANY);
    AppendPart(text, separator, counters.nNotExamined, IDS_FMT_NOT_EXAMINED_ONE, IDS_FMT_NOT_EXAMINED_MANY);
    AppendPart(text, separator, counters.nNotInRows, IDS_FMT_NOT_IN_ROWS_ONE, IDS_FMT_NOT_IN_ROWS_MANY);
    AppendPart(text, separator, counters.nNotInLargest, IDS_FMT_NOT_IN_LARGEST_ONE, IDS_FMT_NOT_IN_LARGEST_MANY);
    AppendPart(text, separator, counters.nLinksUnchecked, IDS_FMT_LINKS_UNCHECKED_ONE, IDS_FMT_LINKS_UNCHECKED_MANY);
    AppendPart(text, separator, counters.nNotFound, IDS_FMT_NOT_FOUND_ONE, IDS_FMT_NOT_FOUND_MANY);
    AppendPart(text, separator, counters.nRepeated, IDS_FMT_REPEATED_ONE, IDS_FMT_REPEATED_MANY);
    AppendPart(text, separator, counters.nEmptyNames, IDS_FMT_EMPTY_NAMES_ONE, IDS_FMT_EMPTY_NAMES_MANY);
    // Left out as asked, so no part of an incomplete count, but said all the same: a total that
    // leaves something out never does so silently.
    AppendPart(text, separator, counters.nExcluded, IDS_FMT_EXCLUDED_ONE, IDS_FMT_EXCLUDED_MANY);
    return text;
}

} // namespace

std::string ContainsText(std::uint64_t nFolders, std::uint64_t nFiles)
{
    return FormatCountString(IDS_FMT_FOLDERS, nFolders, {FormatNumber(nFolders)})
        + FormatCountString(IDS_FMT_FILES, nFiles, {FormatNumber(nFiles)});
}

std::string SizeText(std::uint64_t nBytes)
{
    return FormatCountString(IDS_FMT_BYTES, nBytes, {FormatNumber(nBytes)});
}

std::string IncompleteText(const ScanCounters& counters)
{
    return JoinedParts(counters, LoadString(IDS_INCOMPLETE_SEPARATOR));
}

std::string IncompleteLines(const ScanCounters& counters)
{
    return JoinedParts(counters, "\n");
}
