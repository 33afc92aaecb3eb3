#include "LabelledText.h"

#include "Resource.h"
#include "StringTable.h"

std::string LabelledText(unsigned labelId, const std::string& field)
{
    return FormatString(IDS_CLI_FIELD, {LoadString(labelId), field});
}
