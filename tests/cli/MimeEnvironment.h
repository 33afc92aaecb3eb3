// Points the MIME database kestrum-scan reads at a folder of the test's own while it lives:
// $XDG_DATA_HOME and $XDG_DATA_DIRS name `dataDir` (whose "mime/globs2" is the whole database,
// or which has none), so no test depends on the machine's shared-mime-info.
#pragma once

#include <optional>
#include <string>

class CMimeEnvironment {
public:
    explicit CMimeEnvironment(const std::string& dataDir);
    ~CMimeEnvironment();
    CMimeEnvironment(const CMimeEnvironment&) = delete;
    CMimeEnvironment& operator=(const CMimeEnvironment&) = delete;

private:
    std::optional<std::string> m_dataHome;
    std::optional<std::string> m_dataDirs;
};
