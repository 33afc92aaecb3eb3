// The live status line of kestrum-scan while it walks: "Contains: ...   Size: ..." with the size
// of the measure the report shows ("Size on disk:" with --on-disk).
#pragma once

#include "SizeMeasure.h"

#include <string>

struct ScanCounters;

std::string ProgressText(const ScanCounters& counters, SizeMeasure measure);
