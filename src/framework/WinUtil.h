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

// Narrow text of a code page (CP_UTF8, CP_ACP, ...) as UTF-16, and back. Malformed input and
// characters the target lacks are replaced rather than failing the whole text. Empty when the
// system cannot convert at all.
CString ToWide(const char* text, size_t length, UINT codePage);
std::string FromWide(const wchar_t* text, size_t length, UINT codePage);
inline CString FromUtf8(const std::string& utf8) { return ToWide(utf8.data(), utf8.size(), CP_UTF8); }
inline std::string ToUtf8(const CString& text) { return FromWide(text.data(), text.size(), CP_UTF8); }

// A number in decimal, and in lower-case hexadecimal with at least minDigits digits. Written
// out by hand: the C library's wide formatting would add tens of kilobytes to the program.
CString DecimalText(ULONGLONG value);
CString HexText(ULONGLONG value, int minDigits = 1);

// A URL cache entry's name for people to read. The name itself is bytes that only the cache
// interprets: UTF-8 where it is valid UTF-8 (paths, in today's caches), else the system's
// code page. The name the program hands back to the cache is always the original bytes.
CString DisplayEntryName(const char* name);

// The path in the form the wide file functions take beyond MAX_PATH: a full path with the
// "\\?\" prefix (relative paths are resolved against the current folder; "\\?\unc\" in any
// case, and "\\?\Volume{GUID}\" paths, are taken as they are). Empty on failure, and for
// anything but a file on a drive, a network share or a volume: a device in any form ("NUL",
// "C:\dir\con.txt", "\\.\..."), a stream ("x.log:s"), or another of the system's namespaces.
CString LongPathForm(const CString& path);

// A cursor resource of the program, loaded once; null when there is none.
HCURSOR GetAppCursor(UINT id);

// The program's text font: "ＭＳ Ｐゴシック", 12 pixels high at 96 DPI, scaled to dpi.
CFont CreateAppFont(int dpi = 96);

// Asks for one WM_MOUSELEAVE when the mouse leaves wnd.
void TrackMouseLeave(HWND wnd);
