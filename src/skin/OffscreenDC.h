// A memory device context that draws straight into a bitmap the caller owns (typically a
// CDibSection), so the caller can read the pixels as soon as each GDI call returns.
#pragma once

#include "framework/Gdi.h"
#include "skin/PackedDib.h"

#include <functional>
#include <optional>

class COffscreenDC : public CDC {
public:
    explicit COffscreenDC(HBITMAP bitmap);

private:
    // Put back before the base deletes the context; the caller's bitmap is never deleted.
    std::optional<CSelectObject> m_selectBitmap;
};

// Draws on the rows [top, bottom) of picture (24-bit), in the picture's own coordinates, through
// a DIB section that holds only those rows; they come back drawn, and the other rows are never
// touched. False, with picture unchanged, when the rows are empty or GDI refuses the section.
bool DrawOnRows(CPackedDib& picture, int top, int bottom, const std::function<void(CDC&)>& draw);
