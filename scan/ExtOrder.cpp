#include "ExtOrder.h"

#include "ExtInfo.h"

#include <cstring>

namespace {

template <typename T>
int CompareValues(T a, T b)
{
    return (a < b) ? -1 : (b < a) ? 1 : 0;
}

int CompareExtensions(const EXTINFO& a, const EXTINFO& b)
{
    // Names may hold NUL-free bytes only, so strcoll sees the whole extension.
    return CompareValues(std::strcoll(a.szExt.c_str(), b.szExt.c_str()), 0);
}

} // namespace

int CompareExtInfo(const EXTINFO& a, const EXTINFO& b, ExtColumn column, bool ascending, SizeMeasure measure)
{
    int result = 0;
    switch (column) {
    case ExtColumn::Count:
        result = CompareValues(a.nCount, b.nCount);
        break;
    case ExtColumn::Size:
    case ExtColumn::Percent:
        result = measure == SizeMeasure::OnDisk ? CompareValues(a.nDiskBytes, b.nDiskBytes)
                                                : CompareValues(a.nBytes, b.nBytes);
        break;
    case ExtColumn::Ext:
        break;
    }
    if (result == 0)
        result = CompareExtensions(a, b);
    return ascending ? result : -result;
}
