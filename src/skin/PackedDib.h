// An opaque device-independent bitmap held as one packed block (header, colour table, rows),
// drawn 1:1 with StretchDIBits. Rows are bottom-up and padded to 32 bits.
#pragma once

#include "framework/Afx.h"

#include <memory>

// Bytes in one pixel row of a DIB: the row's bits rounded up to whole 32-bit words.
int StrideFor(int width, int bitCount);

class CPackedDib {
public:
    CPackedDib() = default;
    virtual ~CPackedDib();
    CPackedDib(const CPackedDib&) = delete;
    CPackedDib& operator=(const CPackedDib&) = delete;

    // A fresh, zero-filled image of 1, 4, 8, 16, 24 or 32 bits per pixel; false (and empty)
    // for any other bit count. The previous block is freed first.
    bool Create(int width, int height, int bitCount);
    // Copies 2^bitCount entries; only for images of 8 bits or less.
    void SetColorTable(const RGBQUAD* colors);
    // One StretchDIBits at the image's own size; returns its result (0 for an empty image).
    int Draw(HDC hdc, int x, int y) const;
    void Release();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitCount() const { return m_bitCount; }
    int Stride() const { return m_stride; }
    BYTE* Bits() const { return m_bits; }
    RGBQUAD* Colors() const { return m_colors; }
    // The whole block as Windows reads it (header, table, rows); null while empty.
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(m_block.get()); }
    int Size() const { return m_size; }
    bool IsEmpty() const { return m_block == nullptr; }

private:
    int m_size = 0;
    std::unique_ptr<BYTE[]> m_block;
    int m_width = 0;
    int m_height = 0;
    int m_bitCount = 0;
    RGBQUAD* m_colors = nullptr;
    BYTE* m_bits = nullptr;
    int m_stride = 0;
};
