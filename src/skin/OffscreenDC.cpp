#include "skin/OffscreenDC.h"

COffscreenDC::COffscreenDC(HBITMAP bitmap) {
    CreateCompatibleDC(nullptr);
    m_bitmap = std::make_unique<CBitmap>();
    m_bitmap->Attach(bitmap);
    m_oldBitmap = SelectObject(m_bitmap.get());
}

COffscreenDC::~COffscreenDC() {
    SelectObject(m_oldBitmap);
    if (m_bitmap) {
        // Detached first, so that deleting the wrapper leaves the caller's bitmap alone.
        m_bitmap->Detach();
        m_bitmap.reset();
    }
    // The CDC base deletes the memory context.
}
