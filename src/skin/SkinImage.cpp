#include "skin/SkinImage.h"

#include "framework/Dc.h"
#include "skin/PngResource.h"

bool CSkinImage::Load(UINT pngId) { return LoadPngResource(m_image, static_cast<WORD>(pngId), nullptr); }

void CSkinImage::Draw(CDC* dc) { m_image.Draw(dc != nullptr ? dc->GetSafeHdc() : nullptr, 0, 0); }
