// A folder tree built at run time in a fresh temporary folder, removed with the object.
#pragma once

#include <cstdint>
#include <string>

class TempTree {
public:
    TempTree();    // Root() is empty when the folder could not be made
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& relative) const { return m_root + "/" + relative; }

    // Each returns false on failure; paths are relative to the root and parents must exist.
    bool MakeFolder(const std::string& relative) const;
    // size bytes, sparse (ftruncate), so large files cost no disk.
    bool MakeFile(const std::string& relative, std::uint64_t size) const;
    bool MakeSymlink(const std::string& relative, const std::string& target) const;
    // The entry's own (lstat) size: what a walk adds for it. Fails the test when missing.
    std::uint64_t SizeOf(const std::string& relative) const;

private:
    std::string m_root;
};
