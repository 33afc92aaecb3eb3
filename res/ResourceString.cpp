#include "ResourceString.h"

#include "StringTable.h"

QString LoadQString(unsigned id)
{
    const std::string_view text = LoadString(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
