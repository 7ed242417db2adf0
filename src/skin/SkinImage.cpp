#include "skin/SkinImage.h"

#include "skin/PngResource.h"

bool CSkinImage::Load(UINT pngId) { return LoadPngResource(m_image, static_cast<WORD>(pngId), nullptr); }

void CSkinImage::Draw(HDC dc) { m_image.Draw(dc, 0, 0); }
