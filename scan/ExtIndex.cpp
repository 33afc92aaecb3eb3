#include "ExtIndex.h"

#include "ExtInfo.h"

#include <new>

EXTINFO* ExtIndex::Find(std::string_view foldedExt) const
{
    const auto found = m_records.find(foldedExt);
    return found == m_records.end() ? nullptr : found->second;
}

bool ExtIndex::Insert(EXTINFO* pRecord)
{
    try {
        return m_records.emplace(std::string_view(pRecord->szExt), pRecord).second;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void ExtIndex::Clear()
{
    m_records.clear();
}
