#include "skin/SkinImage.h"

#include "skin/PngResource.h"
#include "skin/Resample.h"

bool CSkinImage::Load(UINT pngId, int dpi) {
    const int artDpi = dpi > kDesignDpi ? kLargeArtDpi : kDesignDpi;
    const WORD artId = static_cast<WORD>(artDpi == kLargeArtDpi ? pngId + kLargeArtOffset : pngId);
    if (dpi == artDpi) return LoadPngResource(m_image, artId, nullptr);

    CPackedDib art;
    if (!LoadPngResource(art, artId, nullptr)) {
        m_image.Release();
        return false;
    }
    // Sizes follow the 96-DPI design, as every other coordinate of the window does.
    const CDpiScale scale(dpi);
    const int designWidth = ::MulDiv(art.Width(), kDesignDpi, artDpi);
    const int designHeight = ::MulDiv(art.Height(), kDesignDpi, artDpi);
    return ResampleDib(art, artDpi, m_image, dpi, scale.Scale(designWidth), scale.Scale(designHeight));
}

void CSkinImage::Draw(HDC dc) { m_image.Draw(dc, 0, 0); }
