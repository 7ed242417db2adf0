// The yardstick of the start-up benchmark: the same main dialog template, shown by the system's
// own dialog box with nothing composed, decoded or downloaded.
#include <windows.h>

namespace {
INT_PTR CALLBACK BareProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
        ::EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
    ::DialogBoxParamW(inst, MAKEINTRESOURCEW(102), nullptr, BareProc, 0);
    return 0;
}
