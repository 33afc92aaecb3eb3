// Which size of a file the views show: its apparent size (st_size, what reading it gives) or the
// space allocated for it on disk (st_blocks x 512: a sparse file takes less, a small file a
// whole block). The walk always counts both.
#pragma once

enum class SizeMeasure { Apparent, OnDisk };
