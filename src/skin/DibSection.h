// A GDI DIB section whose pixels can be read and written directly while GDI draws into it.
// Bottom-up; the width given to GDI is padded so that a row is a whole number of 32-bit
// words without extra bytes, so its pitch differs from a CPackedDib's stride.
#pragma once

#include "framework/Gdi.h"

#include <memory>

class CDibSection {
public:
    CDibSection() = default;
    virtual ~CDibSection();
    CDibSection(const CDibSection&) = delete;
    CDibSection& operator=(const CDibSection&) = delete;

    // 8, 16, 24 or 32 bits per pixel; false for any other count or when GDI refuses.
    virtual bool Create(int width, int height, int bitCount);
    void Release();

    HBITMAP Bitmap() const { return m_bitmap.GetSafeHandle(); }
    BYTE* Bits() const { return static_cast<BYTE*>(m_bits); }
    int PaddedWidth() const { return m_paddedWidth; }
    int BytesPerPixel() const { return m_bytesPerPixel; }
    int Height() const { return m_height; }
    int Width() const { return m_width; }
    int ImageSize() const { return m_imageSize; }
    // Bytes from one row to the next.
    int Pitch() const { return m_paddedWidth * m_bytesPerPixel; }
    RGBQUAD* Colors() const { return m_colors; }

private:
    std::unique_ptr<BYTE[]> m_infoBlock;  // the BITMAPINFO and its colour table
    RGBQUAD* m_colors = nullptr;
    int m_paddedWidth = 0;
    int m_imageSize = 0;
    int m_width = 0;
    int m_height = 0;
    int m_bytesPerPixel = 0;
    void* m_bits = nullptr;
    CBitmap m_bitmap;
};
