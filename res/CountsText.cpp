#include "CountsText.h"

#include "Format.h"
#include "Resource.h"
#include "StringTable.h"

std::string ContainsText(std::uint64_t nFolders, std::uint64_t nFiles)
{
    return FormatString(IDS_FMT_FOLDERS, {FormatNumber(nFolders)}) + FormatString(IDS_FMT_FILES, {FormatNumber(nFiles)});
}

std::string SizeText(std::uint64_t nBytes)
{
    return FormatString(IDS_FMT_BYTES, {FormatNumber(nBytes)});
}

