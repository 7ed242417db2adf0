#include "skin/OffscreenDC.h"

#include "skin/DibSection.h"

#include <algorithm>
#include <cstring>

COffscreenDC::COffscreenDC(HBITMAP bitmap) {
    if (CreateCompatibleDC(nullptr)) m_selectBitmap.emplace(m_hDC, bitmap);
}

bool DrawOnRows(CPackedDib& picture, int top, int bottom, const std::function<void(CDC&)>& draw) {
    top = std::max(top, 0);
    bottom = std::min(bottom, picture.Height());
    if (top >= bottom || picture.BitCount() != 24) return false;
    CDibSection band;
    if (!band.Create(picture.Width(), bottom - top, 24)) return false;
    // Both are bottom-up: the band's first row is the picture's row bottom - 1.
    BYTE* lowest = picture.Bits() + static_cast<size_t>(picture.Height() - bottom) * picture.Stride();
    const auto copyRows = [&](bool intoBand) {
        for (int row = 0; row < bottom - top; ++row) {
            BYTE* inBand = band.Bits() + static_cast<size_t>(row) * band.Pitch();
            BYTE* inPicture = lowest + static_cast<size_t>(row) * picture.Stride();
            std::memcpy(intoBand ? inBand : inPicture, intoBand ? inPicture : inBand, static_cast<size_t>(picture.Width()) * 3);
        }
    };
    copyRows(true);
    {
        COffscreenDC dc(band.Bitmap());
        ::SetViewportOrgEx(dc.GetSafeHdc(), 0, -top, nullptr);
        draw(dc);
    }
    ::GdiFlush();  // GDI may batch its drawing: done before the bits are read
    copyRows(false);
    return true;
}
