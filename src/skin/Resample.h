// Resizing of skin art between display scales. Shrinking averages the source pixels that each
// target pixel covers (an area filter, as a vector renderer's anti-aliasing does); enlarging
// interpolates linearly. The mapping uses the exact scale ratio, not the ratio of the rounded
// sizes, so features land where the vector art puts them at that scale.
#pragma once

#include "skin/PackedDib.h"

// Fills target (24-bit) with source (24-bit, drawn for sourceDpi) redrawn for targetDpi, at
// width x height pixels. False, with target empty, for any other bit count or an empty source.
bool ResampleDib(const CPackedDib& source, int sourceDpi, CPackedDib& target, int targetDpi, int width, int height);
