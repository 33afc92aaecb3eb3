// Sizes as people read them (-h and --si): "512 B", "1.5 KiB", "23 MiB", "4.0 GB".
#pragma once

#include <cstdint>
#include <string>

enum class SizeStyle { Grouped, Binary, Si };

// bytes in the largest unit (powers of 1024 for Binary, 1000 for Si) that leaves a number below
// the next power; one decimal below 10. Rounded up, as du rounds, so a size is never shown
// smaller than it is. The decimal point is the locale's. Not for SizeStyle::Grouped.
std::string HumanSize(std::uint64_t bytes, SizeStyle style);
