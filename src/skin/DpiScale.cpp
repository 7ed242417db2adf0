#include "skin/DpiScale.h"

#include "framework/Gdi.h"
#include "framework/SystemLibrary.h"

namespace {

int SystemDpi() { return ::GetDeviceCaps(CClientDC(nullptr), LOGPIXELSY); }

// The first DPI of a window before Windows 10 1607: per monitor on 8.1 (shcore), else the
// system's. Looked up at run time: the program also runs on Windows versions without it.
int MonitorDpi(HWND wnd) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    static const auto getDpiForMonitor = SystemFunction<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    if (getDpiForMonitor != nullptr && wnd != nullptr) {
        UINT x = 0, y = 0;
        HMONITOR monitor = ::MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST);
        if (monitor != nullptr && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y != 0) {
            return static_cast<int>(y);
        }
    }
    return SystemDpi();
}

}  // namespace

CDpiScale CDpiScale::ForWindow(HWND wnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && wnd != nullptr) {
        const UINT dpi = getDpiForWindow(wnd);
        if (dpi != 0) return CDpiScale(static_cast<int>(dpi));
    }
    return CDpiScale(MonitorDpi(wnd));
}

int CDpiScale::Metric(int index) const {
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = reinterpret_cast<GetSystemMetricsForDpiFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    if (forDpi != nullptr) return forDpi(index, static_cast<UINT>(m_dpi));
    const int systemDpi = SystemDpi();
    return ::MulDiv(::GetSystemMetrics(index), m_dpi, systemDpi > 0 ? systemDpi : kDesignDpi);
}
