#include "skin/DpiScale.h"

CDpiScale CDpiScale::ForWindow(HWND wnd) {
    // Looked up at run time: the program also runs on Windows versions without it.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && wnd != nullptr) {
        const UINT dpi = getDpiForWindow(wnd);
        if (dpi != 0) return CDpiScale(static_cast<int>(dpi));
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return CDpiScale(dpi);
}
