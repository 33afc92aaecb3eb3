// A hash index beside the record list: finds the record of a folded extension in constant time.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

struct EXTINFO;

class ExtIndex {
public:
    // The record whose szExt equals foldedExt, or null.
    EXTINFO* Find(std::string_view foldedExt) const;
    // Indexes pRecord under its own szExt, which must not change while indexed and must not be
    // indexed yet. False when out of memory.
    bool Insert(EXTINFO* pRecord);
    void Clear();
    // The records indexed.
    std::size_t Size() const { return m_nRecords; }

private:
    // Open addressing with linear probing: one contiguous array, no allocation per record, and a
    // stored hash so that most probes never touch a record they do not want.
    struct Slot {
        std::size_t hash = 0;
        EXTINFO* pRecord = nullptr; // null: the slot is free
    };

    static std::size_t Hash(std::string_view text);
    bool Grow();
    void Place(std::size_t hash, EXTINFO* pRecord);

    std::vector<Slot> m_slots; // empty, or a power of two long and at most three quarters full
    std::size_t m_nRecords = 0;
};
