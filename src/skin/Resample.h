// Resizing of skin art between display scales. Shrinking averages the source pixels that each
// target pixel covers (an area filter, as a vector renderer's anti-aliasing does); enlarging
// interpolates linearly. The mapping uses the exact scale ratio, not the ratio of the rounded
// sizes, so features land where the vector art puts them at that scale.
#pragma once

#include "skin/PackedDib.h"

#include <cstdint>
#include <memory>
#include <vector>

// Fills target (24-bit) with source (24-bit, drawn for sourceDpi) redrawn for targetDpi, at
// width x height pixels. False, with target empty, for any other bit count or an empty source.
bool ResampleDib(const CPackedDib& source, int sourceDpi, CPackedDib& target, int targetDpi, int width, int height);

// For each target pixel along one axis, the first source pixel it draws on and the weights of
// `span` source pixels from there, side by side in one array.
struct ResampleTaps {
    int span = 0;
    std::vector<int> first;
    std::vector<int32_t> weights;
};

// The same resampling fed one source row at a time, top row first, as a decoder delivers them:
// a target row is written as soon as the last source row it covers has come, so the source
// picture is never held whole (at start-up, the 192-DPI art is not laid out in memory only to
// be shrunk).
class CRowResampler {
public:
    // Prepares target (width x height, 24-bit) for a source of sourceWidth x sourceHeight 24-bit
    // pixels drawn for sourceDpi. False, with target empty, for what ResampleDib refuses.
    bool Begin(int sourceWidth, int sourceHeight, int sourceDpi, CPackedDib& target, int targetDpi, int width,
               int height);
    // The next source row: sourceWidth pixels, blue-green-red.
    void Row(const BYTE* pixels);
    // Whether every target row has been written.
    bool Done() const { return m_target != nullptr && m_nextTarget == m_target->Height(); }

private:
    ResampleTaps m_across, m_down;
    CPackedDib* m_target = nullptr;
    std::unique_ptr<uint16_t[]> m_store;  // the last m_down.span rows across, row r in slot r mod span
    size_t m_samples = 0;
    int m_nextSource = 0;
    int m_nextTarget = 0;
    // Flat art repeats whole rows (nine in ten of the background's): a source row equal to the
    // one before is not resampled across again, and a target row drawn only from such a run of
    // equal rows, like the target row before it, is that row again.
    std::vector<BYTE> m_lastSource;  // the last source row, as it came
    int m_runStart = 0;              // the first source row of the run of equal rows that ends there
};
