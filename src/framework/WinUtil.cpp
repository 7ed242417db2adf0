#include "WinUtil.h"

#include "WinApp.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <utility>
#include <vector>

POINT GetCursorClientPos(HWND wnd) {
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(wnd, &pt);
    return pt;
}

CString GetModuleFilePath(HMODULE module) {
    CString path(MAX_PATH, '\0');
    for (;;) {
        DWORD len = ::GetModuleFileNameA(module, &path[0], static_cast<DWORD>(path.size()));
        if (len == 0) return CString();
        // A path that fills the buffer may have been cut short (and left unterminated).
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        if (path.size() >= 32768) return CString();
        path.resize(path.size() * 2);
    }
}

CString GetSpecialFolderPath(int csidl) {
    char path[MAX_PATH] = {};
    LPITEMIDLIST idList = nullptr;
    if (::SHGetSpecialFolderLocation(nullptr, csidl, &idList) == S_OK) {
        ::SHGetPathFromIDListA(idList, path);
        ::CoTaskMemFree(idList);
        ::PathRemoveBackslashA(path);
    }
    return path;
}

std::wstring ToWide(const char* text, size_t length, UINT codePage) {
    const int count = static_cast<int>(length);
    // Flags 0: replacement characters instead of a refusal.
    const int units = ::MultiByteToWideChar(codePage, 0, text, count, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (::MultiByteToWideChar(codePage, 0, text, count, wide.data(), units) == 0) return std::wstring();
    return wide;
}

CString FromWide(const wchar_t* text, size_t length, UINT codePage) {
    const int units = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(codePage, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return CString();
    CString converted(static_cast<size_t>(bytes), '\0');
    if (::WideCharToMultiByte(codePage, 0, text, units, converted.data(), bytes, nullptr, nullptr) == 0) {
        return CString();
    }
    return converted;
}

CString ConvertCodePage(const char* text, size_t length, UINT from, UINT to) {
    const std::wstring wide = ToWide(text, length, from);
    CString converted = FromWide(wide.data(), wide.size(), to);
    converted.resize(std::strlen(converted.c_str()));
    return converted;
}

std::wstring LongPathForm(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::wstring();
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return std::wstring();
    full.resize(length);
    // "\\server\share\..." becomes "\\?\UNC\server\share\...".
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

HCURSOR GetAppCursor(UINT id) {
    // Resource cursors are shared by the system and never destroyed, so one load serves all.
    static std::vector<std::pair<UINT, HCURSOR>> loaded;
    for (const auto& entry : loaded) {
        if (entry.first == id) return entry.second;
    }
    HCURSOR cursor = ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
    if (cursor != nullptr) loaded.emplace_back(id, cursor);
    return cursor;
}

CFont CreateAppFont(int dpi) {
    return CFont(::CreateFontA(::MulDiv(12, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
}

void TrackMouseLeave(HWND wnd) {
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, wnd, 0};
    ::_TrackMouseEvent(&tme);
}
