#include "Dc.h"

#include <cstring>

BOOL CGdiObject::Attach(HGDIOBJ handle) {
    if (handle == nullptr || m_hObject != nullptr) return FALSE;
    m_hObject = handle;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ handle = m_hObject;
    m_hObject = nullptr;
    return handle;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    return ::DeleteObject(Detach());
}

CDC::~CDC() { DeleteDC(); }

BOOL CDC::Attach(HDC hdc) {
    if (hdc == nullptr || m_hDC != nullptr) return FALSE;
    m_hDC = m_hAttribDC = hdc;
    return TRUE;
}

HDC CDC::Detach() {
    HDC hdc = m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    return hdc;
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr) return FALSE;
    return ::DeleteDC(Detach());
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
    return Attach(::CreateCompatibleDC(dc != nullptr ? dc->m_hDC : nullptr));
}

SIZE CDC::GetTextExtent(const char* text) const {
    SIZE size{};
    ::GetTextExtentPoint32A(m_hAttribDC, text, static_cast<int>(std::strlen(text)), &size);
    return size;
}

SIZE CDC::GetTextExtent(const CString& text) const {
    SIZE size{};
    ::GetTextExtentPoint32A(m_hAttribDC, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

BOOL CDC::TextOut(int x, int y, const char* text) {
    return ::TextOutA(m_hDC, x, y, text, static_cast<int>(std::strlen(text)));
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
    // ExtTextOut with an opaque rectangle fills without creating a brush.
    COLORREF old = ::SetBkColor(m_hDC, color);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}
