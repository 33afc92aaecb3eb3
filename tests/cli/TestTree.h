// A folder tree built at run time under a fresh temporary folder and removed with the object.
#pragma once

#include <cstdint>
#include <string>

class CTestTree {
public:
    CTestTree();   // creates an empty root; Root() is empty when that failed
    ~CTestTree();  // removes the root and everything below it, links not followed
    CTestTree(const CTestTree&) = delete;
    CTestTree& operator=(const CTestTree&) = delete;

    const std::string& Root() const { return m_szRoot; }
    std::string Path(const std::string& relative) const { return m_szRoot + "/" + relative; }

    // Each returns false on failure. Paths are relative to the root; parents must exist.
    bool MakeFolder(const std::string& relative) const;
    // A file of `size` bytes; sparse (ftruncate, no data written) so large sizes cost nothing.
    bool MakeFile(const std::string& relative, std::uint64_t size) const;
    bool MakeSymlink(const std::string& relative, const std::string& target) const;
    // The apparent size (lstat) of an entry, for expected byte totals; 0 when it is missing.
    std::uint64_t SizeOf(const std::string& relative) const;

private:
    std::string m_szRoot;
};
