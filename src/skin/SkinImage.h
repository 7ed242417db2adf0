// One skin picture: a PNG resource decoded into a CPackedDib, drawn at the origin of a context.
// The art exists at 96 DPI (ids 130-145) and at 192 DPI (the same ids plus kLargeArtOffset);
// other scales are resampled from the nearest larger art, so only one of them is decoded.
#pragma once

#include "skin/DpiScale.h"
#include "skin/PackedDib.h"

constexpr UINT kLargeArtOffset = 100;
constexpr int kLargeArtDpi = 2 * kDesignDpi;

class CSkinImage {
public:
    CSkinImage() = default;
    virtual ~CSkinImage() = default;
    CSkinImage(const CSkinImage&) = delete;
    CSkinImage& operator=(const CSkinImage&) = delete;

    // Decodes PNG resource pngId as drawn for dpi; a decoding message is shown in a message box.
    bool Load(UINT pngId, int dpi = kDesignDpi);
    // Draws the image at (0, 0) of the context.
    void Draw(HDC dc);

    CPackedDib& Image() { return m_image; }
    const CPackedDib& Image() const { return m_image; }

private:
    CPackedDib m_image;
};
