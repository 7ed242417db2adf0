// A small program that opens the about box over a plain owner window, so that tests can
// drive the box in a process of its own with the version resource of their choice.
// The owner stays open after the box has ended, until it is closed itself; the exit code
// is the box's result.
#include "about/AboutDlg.h"
#include "framework/WinApp.h"

#include <cstdlib>
#include <cstring>

namespace {

class HostApp : public CWinApp {};

class OwnerWnd : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_DESTROY) ::PostQuitMessage(0);
        return CWnd::WindowProc(msg, wp, lp);
    }
};

HWND CreateOwner() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "DustwhirlAboutHostOwner";
    ::RegisterClassA(&wc);
    // Off the screen's centre, so that a box centred on the screen is told from one centred
    // over its owner.
    return ::CreateWindowExA(0, wc.lpszClassName, "Dustwhirl", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 60, 510, 310,
                             nullptr, nullptr, wc.hInstance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HostApp app;
    app.Enable3dControlsStatic();
    app.SetAppName(L"Dustwhirl");

    OwnerWnd owner;
    if (!owner.SubclassWindow(CreateOwner())) return 100;
    app.m_pMainWnd = &owner;

    INT_PTR result;
    {
        CAboutDlg dlg;
        result = dlg.DoModal();
    }

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    app.m_pMainWnd = nullptr;
    return static_cast<int>(result);
}
