#include "skin/OffscreenDC.h"

COffscreenDC::COffscreenDC(HBITMAP bitmap) {
    if (CreateCompatibleDC(nullptr)) m_selectBitmap.emplace(m_hDC, bitmap);
}
