// Device contexts and GDI objects, one ownership model for both:
//   CDC, CBitmap, CFont, CBrush         own their handle and delete it
//   CDCHandle, CBitmapHandle, ...       use a handle that someone else releases
//   CPaintDC, CClientDC                 BeginPaint/EndPaint and GetDC/ReleaseDC for one scope
//   CSelectObject                       selects an object into a context for one scope
// The drawing calls are thin pass-throughs of the GDI calls of the same name.
#pragma once

#include "Afx.h"

#include <cstring>
#include <utility>

template <bool t_bOwns>
class CDCT {
public:
    CDCT() = default;
    explicit CDCT(HDC hdc) : m_hDC(hdc) {}
    ~CDCT() {
        if (t_bOwns && m_hDC != nullptr) ::DeleteDC(m_hDC);
    }
    CDCT(const CDCT&) = delete;
    CDCT& operator=(const CDCT&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    // A memory context compatible with the given one (null: the screen).
    bool CreateCompatibleDC(HDC dc) {
        static_assert(t_bOwns, "only an owning context creates one");
        if (m_hDC != nullptr) return false;
        m_hDC = ::CreateCompatibleDC(dc);
        return m_hDC != nullptr;
    }

    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    int DrawText(const wchar_t* text, RECT* rect, UINT format) { return ::DrawTextW(m_hDC, text, -1, rect, format); }
    // An empty text still measures (to an empty rectangle): a count of 0 would leave rect as it was.
    int DrawText(const CString& text, RECT* rect, UINT format) { return DrawText(text.c_str(), rect, format); }
    SIZE GetTextExtent(const wchar_t* text) const {
        SIZE size{};
        ::GetTextExtentPoint32W(m_hDC, text, static_cast<int>(std::wcslen(text)), &size);
        return size;
    }
    BOOL TextOut(int x, int y, const wchar_t* text) {
        return ::TextOutW(m_hDC, x, y, text, static_cast<int>(std::wcslen(text)));
    }
    BOOL FillRect(const RECT* rect, HBRUSH brush) { return ::FillRect(m_hDC, rect, brush); }
    // A solid fill that needs no brush: ExtTextOut with an opaque rectangle and no text.
    void FillSolidRect(const RECT* rect, COLORREF color) {
        COLORREF old = ::SetBkColor(m_hDC, color);
        ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
        ::SetBkColor(m_hDC, old);
    }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

    HDC m_hDC = nullptr;
};

using CDC = CDCT<true>;
using CDCHandle = CDCT<false>;

class CPaintDC : public CDCHandle {
public:
    explicit CPaintDC(HWND hwnd) : m_hWnd(hwnd) { m_hDC = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// The client area of a window (or the screen for a null window).
class CClientDC : public CDCHandle {
public:
    explicit CClientDC(HWND hwnd) : CDCHandle(::GetDC(hwnd)), m_hWnd(hwnd) {}
    ~CClientDC() {
        if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, m_hDC);
    }

private:
    HWND m_hWnd;
};

template <class T, bool t_bOwns>
class CGdiObjectT {
public:
    CGdiObjectT() = default;
    explicit CGdiObjectT(T handle) : m_hObject(handle) {}
    ~CGdiObjectT() { DeleteObject(); }
    CGdiObjectT(CGdiObjectT&& other) noexcept : m_hObject(std::exchange(other.m_hObject, nullptr)) {}
    CGdiObjectT& operator=(CGdiObjectT&& other) noexcept {
        if (this != &other) {
            DeleteObject();
            m_hObject = std::exchange(other.m_hObject, nullptr);
        }
        return *this;
    }
    CGdiObjectT(const CGdiObjectT&) = delete;
    CGdiObjectT& operator=(const CGdiObjectT&) = delete;

    operator T() const { return m_hObject; }
    T GetSafeHandle() const { return m_hObject; }
    void Attach(T handle) {
        DeleteObject();
        m_hObject = handle;
    }
    T Detach() { return std::exchange(m_hObject, nullptr); }
    // Deletes an owned object; a borrowed one is only forgotten.
    void DeleteObject() {
        T handle = Detach();
        if (t_bOwns && handle != nullptr) ::DeleteObject(handle);
    }

private:
    T m_hObject = nullptr;
};

using CBitmap = CGdiObjectT<HBITMAP, true>;
using CFont = CGdiObjectT<HFONT, true>;
using CBrush = CGdiObjectT<HBRUSH, true>;
using CBitmapHandle = CGdiObjectT<HBITMAP, false>;

// Selects an object into a context and puts the previous one back at the end of the scope.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj != nullptr ? ::SelectObject(dc, obj) : nullptr) {}
    ~CSelectObject() {
        if (m_old != nullptr) ::SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};
