#include "ScreenPixels.h"

#include <algorithm>

ScreenPixels::ScreenPixels(const RECT& r) : m_width(r.right - r.left), m_height(r.bottom - r.top) {
    m_bgr.resize(static_cast<size_t>(m_width) * m_height * 3);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), m_width, -m_height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, m_width, m_height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const int stride = (m_width * 3 + 3) & ~3;
    for (int y = 0; y < m_height; ++y) {
        const BYTE* src = static_cast<const BYTE*>(bits) + y * stride;
        std::copy(src, src + m_width * 3, m_bgr.begin() + static_cast<ptrdiff_t>(y) * m_width * 3);
    }
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
}

COLORREF ScreenPixels::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return CLR_INVALID;
    const BYTE* p = &m_bgr[(static_cast<size_t>(y) * m_width + x) * 3];
    return RGB(p[2], p[1], p[0]);
}

ScreenPixels CaptureClient(HWND hwnd) {
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    POINT origin{0, 0};
    ::ClientToScreen(hwnd, &origin);
    ::OffsetRect(&rc, origin.x, origin.y);
    return ScreenPixels(rc);
}

namespace {
void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        // Absolute input is on a 0..65535 scale of the primary screen.
        in.mi.dx = (x * 65536 + ::GetSystemMetrics(SM_CXSCREEN) - 1) / ::GetSystemMetrics(SM_CXSCREEN);
        in.mi.dy = (y * 65536 + ::GetSystemMetrics(SM_CYSCREEN) - 1) / ::GetSystemMetrics(SM_CYSCREEN);
    }
    ::SendInput(1, &in, sizeof(in));
}
}  // namespace

void MouseMoveTo(int x, int y) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y); }
void MouseDown() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void MouseUp() { SendMouse(MOUSEEVENTF_LEFTUP); }
