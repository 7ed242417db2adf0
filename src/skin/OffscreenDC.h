// A memory device context that draws straight into a bitmap the caller owns (typically a
// CDibSection), so the caller can read the pixels as soon as each GDI call returns.
#pragma once

#include "framework/Gdi.h"

#include <optional>

class COffscreenDC : public CDC {
public:
    explicit COffscreenDC(HBITMAP bitmap);

private:
    // Put back before the base deletes the context; the caller's bitmap is never deleted.
    std::optional<CSelectObject> m_selectBitmap;
};
