// Device contexts and GDI objects in the framework's manner: a CDC wraps an HDC and offers
// the drawing calls the program uses; CGdiObject/CBitmap wrap a GDI handle that can be
// attached and detached again, so that a wrapper need not own what it holds.
#pragma once

#include "Afx.h"

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    // Takes hold of a handle without taking ownership away from anyone: Detach gives it back.
    BOOL Attach(HGDIOBJ handle);
    HGDIOBJ Detach();
    // Deletes the held object (if any) and forgets it.
    BOOL DeleteObject();

    HGDIOBJ m_hObject = nullptr;
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CDC {
public:
    CDC() = default;
    // A context still attached at destruction is deleted: detach what is only borrowed.
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    BOOL Attach(HDC hdc);
    HDC Detach();
    BOOL DeleteDC();
    // A memory context compatible with the given one (null: the screen).
    BOOL CreateCompatibleDC(CDC* dc);

    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    HGDIOBJ SelectObject(HGDIOBJ obj) { return ::SelectObject(m_hDC, obj); }
    HGDIOBJ SelectObject(CGdiObject* obj) { return ::SelectObject(m_hDC, obj != nullptr ? obj->m_hObject : nullptr); }
    int DrawText(const char* text, RECT* rect, UINT format) { return ::DrawTextA(m_hDC, text, -1, rect, format); }
    int DrawText(const CString& text, RECT* rect, UINT format) {
        return ::DrawTextA(m_hDC, text.c_str(), static_cast<int>(text.size()), rect, format);
    }
    SIZE GetTextExtent(const char* text) const;
    SIZE GetTextExtent(const CString& text) const;
    BOOL TextOut(int x, int y, const char* text);
    BOOL TextOut(int x, int y, const CString& text) {
        return ::TextOutA(m_hDC, x, y, text.c_str(), static_cast<int>(text.size()));
    }
    void FillSolidRect(const RECT* rect, COLORREF color);
    BOOL BitBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, width, height, src != nullptr ? src->m_hDC : nullptr, srcX, srcY, rop);
    }

    HDC m_hDC = nullptr;        // output context
    HDC m_hAttribDC = nullptr;  // attribute context; the same context in this program
};

// A CDC lent an existing context for one call (an owner-draw request, an erase): it is
// detached again, never deleted.
class CBorrowedDC : public CDC {
public:
    explicit CBorrowedDC(HDC hdc) { Attach(hdc); }
    ~CBorrowedDC() override { Detach(); }
};
