// Small Win32 helpers shared by the windows of the program.
#pragma once

#include "Afx.h"
#include "Gdi.h"

// The mouse cursor's position in wnd's client coordinates, read now.
POINT GetCursorClientPos(HWND wnd);

// The full path of a module (null: the running program), however long it is; empty on failure.
CString GetModuleFilePath(HMODULE module = nullptr);

// The path of a shell folder (CSIDL_INTERNET_CACHE, CSIDL_COOKIES, ...) without a trailing
// backslash; empty when the shell does not know it.
CString GetSpecialFolderPath(int csidl);

// Text from one code page into another (CP_UTF8, CP_ACP, ...), through UTF-16. Malformed
// input and characters the target lacks are replaced rather than failing the whole text; the
// result ends at the first NUL. Empty when the system cannot convert at all.
CString ConvertCodePage(const char* text, size_t length, UINT from, UINT to);

// Narrow text of a code page as UTF-16, and back; the same replacement rules as above.
std::wstring ToWide(const char* text, size_t length, UINT codePage);
CString FromWide(const wchar_t* text, size_t length, UINT codePage);

// The path in the form the wide file functions take beyond MAX_PATH: a full path with the
// "\\?\" prefix (relative paths are resolved against the current folder). Empty on failure.
std::wstring LongPathForm(const std::wstring& path);

// A cursor resource of the program, loaded once; null when there is none.
HCURSOR GetAppCursor(UINT id);

// The program's text font: "ＭＳ Ｐゴシック", 12 pixels high at 96 DPI, scaled to dpi.
CFont CreateAppFont(int dpi = 96);

// Asks for one WM_MOUSELEAVE when the mouse leaves wnd.
void TrackMouseLeave(HWND wnd);
