// One skin picture: a PNG resource decoded into a CPackedDib, drawn at the origin of a context.
#pragma once

#include "skin/PackedDib.h"

class CSkinImage {
public:
    CSkinImage() = default;
    virtual ~CSkinImage() = default;
    CSkinImage(const CSkinImage&) = delete;
    CSkinImage& operator=(const CSkinImage&) = delete;

    // Decodes PNG resource pngId; a decoding message is shown in a message box.
    bool Load(UINT pngId);
    // Draws the image at (0, 0) of the context.
    void Draw(HDC dc);

    CPackedDib& Image() { return m_image; }
    const CPackedDib& Image() const { return m_image; }

private:
    CPackedDib m_image;
};
