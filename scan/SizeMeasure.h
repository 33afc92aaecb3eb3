// Which size of a file the views show: its apparent size (st_size, what reading it gives) or the
// space allocated for it on disk (st_blocks x 512: a sparse file takes less, a small file a
// whole block). The walk always counts both.
#pragma once

enum class SizeMeasure { Apparent, OnDisk };

#include "ScanCounters.h"

#include <cstdint>

// The one place that picks a size by the measure shown.
inline std::uint64_t MeasuredBytes(std::uint64_t apparent, std::uint64_t onDisk, SizeMeasure measure)
{
    return measure == SizeMeasure::OnDisk ? onDisk : apparent;
}
// The scan's total bytes by the measure shown.
inline std::uint64_t MeasuredTotal(const ScanCounters& counters, SizeMeasure measure)
{
    return MeasuredBytes(counters.nBytes, counters.nDiskBytes, measure);
}
