// The order of extension records in the list view and the command-line tool.
#pragma once

#include "SizeMeasure.h"

struct EXTINFO;

enum class ExtColumn : unsigned { Ext = 0, Count = 1, Size = 2, Percent = 3 };

// Negative, 0 or positive as a sorts before, with or after b. Count compares nCount; Size and
// Percent compare the bytes of the measure shown (nBytes or nDiskBytes); Ext, and every tie,
// compare szExt by the locale's collation (case matters). A descending order reverses the whole
// result, ties included.
int CompareExtInfo(const EXTINFO& a, const EXTINFO& b, ExtColumn column, bool ascending,
                   SizeMeasure measure = SizeMeasure::Apparent);
