// A memory device context that draws straight into a bitmap the caller owns (typically a
// CDibSection), so the caller can read the pixels as soon as each GDI call returns.
#pragma once

#include "framework/Dc.h"

#include <memory>

class COffscreenDC : public CDC {
public:
    explicit COffscreenDC(HBITMAP bitmap);
    // Puts the context's previous bitmap back; the caller's bitmap is never deleted.
    ~COffscreenDC() override;

private:
    HGDIOBJ m_oldBitmap = nullptr;
    std::unique_ptr<CBitmap> m_bitmap;  // holds, never owns, the caller's bitmap
};
