#include "ExtIndex.h"

#include "ExtInfo.h"

#include <functional>
#include <new>

namespace {

constexpr std::size_t kInitialSlots = 64;

} // namespace

std::size_t ExtIndex::Hash(std::string_view text)
{
    return std::hash<std::string_view>{}(text);
}

EXTINFO* ExtIndex::Find(std::string_view foldedExt) const
{
    if (m_slots.empty())
        return nullptr;
    const std::size_t hash = Hash(foldedExt);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (!slot.pRecord)
            return nullptr;
        if (slot.hash == hash && slot.pRecord->szExt == foldedExt)
            return slot.pRecord;
    }
}

bool ExtIndex::Insert(EXTINFO* pRecord)
{
    if ((m_nRecords + 1) * 4 > m_slots.size() * 3 && !Grow())
        return false;
    Place(Hash(pRecord->szExt), pRecord);
    ++m_nRecords;
    return true;
}

void ExtIndex::Clear()
{
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_nRecords = 0;
}

bool ExtIndex::Grow()
{
    std::vector<Slot> old;
    try {
        old.resize(m_slots.empty() ? kInitialSlots : m_slots.size() * 2);
    } catch (const std::bad_alloc&) {
        return false;
    }
    old.swap(m_slots);
    for (const Slot& slot : old)
        if (slot.pRecord)
            Place(slot.hash, slot.pRecord);
    return true;
}

void ExtIndex::Place(std::size_t hash, EXTINFO* pRecord)
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = hash & mask;
    while (m_slots[i].pRecord)
        i = (i + 1) & mask;
    m_slots[i] = Slot{hash, pRecord};
}
