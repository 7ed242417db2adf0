#include "WinUtil.h"

#include "WinApp.h"

#include <commctrl.h>
#include <shlobj.h>
#include "SystemLibrary.h"

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
    CString path(MAX_PATH, L'\0');
    for (;;) {
        DWORD len = ::GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
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
    static const auto getFolderPath = SystemFunction<decltype(&::SHGetFolderPathW)>(L"shell32.dll", "SHGetFolderPathW");
    wchar_t path[MAX_PATH] = {};
    // The path comes without a trailing backslash.
    if (getFolderPath == nullptr || getFolderPath(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) {
        return CString();
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

std::string FromWide(const wchar_t* text, size_t length, UINT codePage) {
    const int units = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(codePage, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string converted(static_cast<size_t>(bytes), '\0');
    if (::WideCharToMultiByte(codePage, 0, text, units, converted.data(), bytes, nullptr, nullptr) == 0) {
        return std::string();
    }
    return converted;
}

CString DecimalText(ULONGLONG value) {
    wchar_t digits[24];
    wchar_t* p = digits + 24;
    *--p = L'\0';
    do {
        *--p = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return p;
}

CString HexText(ULONGLONG value, int minDigits) {
    CString text;
    for (int i = 0; value != 0 || i < minDigits; ++i, value >>= 4) {
        text.insert(text.begin(), L"0123456789abcdef"[value & 0xF]);
    }
    return text;
}

CString DisplayEntryName(const char* name) {
    const int length = static_cast<int>(std::strlen(name));
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, length, nullptr, 0) > 0 || length == 0) {
        return ToWide(name, static_cast<size_t>(length), CP_UTF8);
    }
    return ToWide(name, static_cast<size_t>(length), CP_ACP);
}

namespace {

// "C:\..." from its start.
bool IsDrivePath(const std::wstring& path) {
    return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && path[2] == L'\\';
}

// "server\share\..." from its start (what follows "\\" or "\\?\UNC\"). A server named "."
// or "?" is the system's device namespace, not a server.
bool IsSharePath(const std::wstring& path) {
    const size_t serverEnd = path.find(L'\\');
    if (serverEnd == 0 || serverEnd == std::wstring::npos || serverEnd + 1 >= path.size()) return false;
    const std::wstring server = path.substr(0, serverEnd);
    return server != L"." && server != L"?" && path[serverEnd + 1] != L'\\';
}

}  // namespace

std::wstring LongPathForm(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    constexpr wchar_t kLong[] = L"\\\\?\\";
    if (path.compare(0, 4, kLong) == 0) {
        const std::wstring rest = path.substr(4);
        const bool file = IsDrivePath(rest) || (rest.compare(0, 4, L"UNC\\") == 0 && IsSharePath(rest.substr(4)));
        return file ? path : std::wstring();
    }
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::wstring();
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return std::wstring();
    full.resize(length);
    if (IsDrivePath(full)) return kLong + full;
    // "\\server\share\..." becomes "\\?\UNC\server\share\...".
    if (full.compare(0, 2, L"\\\\") == 0 && IsSharePath(full.substr(2))) return kLong + (L"UNC\\" + full.substr(2));
    // A device ("NUL" is "\\.\NUL" by now) or another of the system's namespaces: never
    // written or read as if it were a file.
    return std::wstring();
}

HCURSOR GetAppCursor(UINT id) {
    // Resource cursors are shared by the system and never destroyed, so one load serves all.
    static std::vector<std::pair<UINT, HCURSOR>> loaded;
    for (const auto& entry : loaded) {
        if (entry.first == id) return entry.second;
    }
    HCURSOR cursor = ::LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
    if (cursor != nullptr) loaded.emplace_back(id, cursor);
    return cursor;
}

CFont CreateAppFont(int dpi) {
    return CFont(::CreateFontW(::MulDiv(12, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック"));
}

void TrackMouseLeave(HWND wnd) {
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, wnd, 0};
    ::_TrackMouseEvent(&tme);
}
