// A hash index beside the record list: finds the record of a folded extension in constant time.
#pragma once

#include <string_view>
#include <unordered_map>

struct EXTINFO;

class ExtIndex {
public:
    // The record whose szExt equals foldedExt, or null.
    EXTINFO* Find(std::string_view foldedExt) const;
    // Indexes pRecord under its own szExt, which must not change while indexed. False when out of memory.
    bool Insert(EXTINFO* pRecord);
    void Clear();
    std::size_t Size() const { return m_records.size(); }

private:
    // Keys view the records' own szExt, so the index holds no second copy of any extension.
    std::unordered_map<std::string_view, EXTINFO*> m_records;
};
