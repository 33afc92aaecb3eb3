#include "ProgressText.h"

#include "CountsText.h"
#include "LabelledText.h"
#include "Resource.h"
#include "StringTable.h"

std::string ProgressText(const ScanCounters& counters, SizeMeasure measure)
{
    const unsigned sizeLabel = measure == SizeMeasure::OnDisk ? IDS_CLI_SIZE_ON_DISK : IDS_CLI_SIZE;
    return FormatString(IDS_CLI_STATUS, {LabelledText(IDS_CLI_CONTAINS, ContainsText(counters.nFolders, counters.nFiles)),
                                         LabelledText(sizeLabel, SizeText(MeasuredTotal(counters, measure)))});
}
