// The string table seen from the Qt side: texts as QString, decoded from UTF-8.
#pragma once

#include <QString>

// The text of `id`, or an empty string when the table has none.
QString LoadQString(unsigned id);
