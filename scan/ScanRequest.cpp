#include "ScanRequest.h"

#include "ExclusionRule.h"
#include "ExtensionQuery.h"
#include "RootAndLinkRule.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

RequestVerdict ValidateRoot(std::string_view typedRoot)
{
    const std::string walked = RootAndLinkRule::RootFromTyped(typedRoot);
    std::uint64_t size = 0;
    if (RootAndLinkRule::RootIsFile(walked, size))
        return {};
    const int descriptor = RootAndLinkRule::OpenRootFolder(walked);
    if (descriptor >= 0) {
        ::close(descriptor);
        return {};
    }
    const int error = errno;
    const bool bMissing = error == ENOENT || error == ENOTDIR;
    return {bMissing ? RequestFault::RootMissing : RequestFault::RootUnreadable, std::string(typedRoot), error};
}

RequestVerdict ValidateRequest(const ScanRequest& request)
{
    for (const std::string& pattern : request.walk.excludePatterns)
        if (!ExclusionRule::Check(pattern))
            return {RequestFault::ExcludeHasSlash, pattern, 0};
    for (const std::string& extension : request.walk.largest.extensions)
        if (!ExtensionQuery::Check(ExtensionQuery::Normalize(extension)))
            return {RequestFault::ExtensionInvalid, extension, 0};
    return ValidateRoot(request.typedRoot);
}
