// Writes a file whole or not at all: the text goes to a temporary file beside the target, which
// is renamed over the target only once every byte is on the disk. A failed write leaves the
// target as it was and no temporary file behind.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// write(file) puts the contents; it returns false to give up (memory short, say). Returns false
// with `error` set to the reason (strerror's wording, or `giveUpText` when write gave up).
bool ReplaceFileContents(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         const std::string& giveUpText, std::string& error);
