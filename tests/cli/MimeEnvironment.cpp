#include "MimeEnvironment.h"

#include <stdlib.h>

namespace {

std::optional<std::string> Saved(const char* name)
{
    const char* value = ::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void Restore(const char* name, const std::optional<std::string>& value)
{
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

} // namespace

CMimeEnvironment::CMimeEnvironment(const std::string& dataDir)
    : m_dataHome(Saved("XDG_DATA_HOME")), m_dataDirs(Saved("XDG_DATA_DIRS"))
{
    ::setenv("XDG_DATA_HOME", dataDir.c_str(), 1);
    ::setenv("XDG_DATA_DIRS", dataDir.c_str(), 1);
}

CMimeEnvironment::~CMimeEnvironment()
{
    Restore("XDG_DATA_HOME", m_dataHome);
    Restore("XDG_DATA_DIRS", m_dataDirs);
}
