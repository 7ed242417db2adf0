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

CString ToWide(const char* text, size_t length, UINT codePage) {
    const int count = static_cast<int>(length);
    // Flags 0: replacement characters instead of a refusal.
    const int units = ::MultiByteToWideChar(codePage, 0, text, count, nullptr, 0);
    if (units <= 0) return CString();
    CString wide(static_cast<size_t>(units), L'\0');
    if (::MultiByteToWideChar(codePage, 0, text, count, wide.data(), units) == 0) return CString();
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

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }
wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }
bool StartsWithNoCase(const CString& text, const wchar_t* prefix) {
    for (size_t i = 0; prefix[i] != L'\0'; ++i) {
        if (i >= text.size() || UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
    }
    return true;
}

// The length of "C:\" at the start of path, or 0.
size_t DriveRoot(const CString& path) {
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\' ? 3 : 0;
}

// The length of "server\share\" at the start of path (what follows "\\" or "\\?\UNC\"), or 0.
// A server named "." or "?" is the system's device namespace, not a server.
size_t ShareRoot(const CString& path) {
    const size_t serverEnd = path.find(L'\\');
    if (serverEnd == 0 || serverEnd == CString::npos || serverEnd + 1 >= path.size()) return 0;
    const CString server = path.substr(0, serverEnd);
    if (server == L"." || server == L"?" || path[serverEnd + 1] == L'\\') return 0;
    const size_t shareEnd = path.find(L'\\', serverEnd + 1);
    return shareEnd == CString::npos ? path.size() : shareEnd + 1;
}

// The length of "Volume{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}\" at the start of path, or 0.
size_t VolumeRoot(const CString& path) {
    static const wchar_t kVolume[] = L"Volume{";
    constexpr size_t kOpen = 7, kGuid = 36, kLength = kOpen + kGuid + 2;
    if (path.size() < kLength || !StartsWithNoCase(path, kVolume) || path[kOpen + kGuid] != L'}' ||
        path[kOpen + kGuid + 1] != L'\\') {
        return 0;
    }
    for (size_t i = 0; i < kGuid; ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? path[kOpen + i] != L'-' : !IsHexDigit(path[kOpen + i])) return 0;
    }
    return kLength;
}

// A name that Windows takes for a device in any folder ("CON", "nul.txt", "COM1 ", ...).
bool IsDeviceName(const CString& component) {
    CString base = component.substr(0, component.find(L'.'));
    while (!base.empty() && (base.back() == L' ' || base.back() == L'.')) base.pop_back();
    for (wchar_t& c : base) c = UpperAscii(c);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (base == device) return true;
    }
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        const wchar_t n = base[3];
        return (n >= L'0' && n <= L'9') || n == 0x00B9 || n == 0x00B2 || n == 0x00B3;
    }
    return false;
}

// Whether the folders and file after a root name files: no ':' (a stream of the file, or of
// a folder) and no component that is a device's name.
bool NamesFiles(const CString& path, size_t root) {
    if (root == 0 || root >= path.size() || path.find(L':', root) != CString::npos) return false;
    for (size_t start = root; start < path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == CString::npos) end = path.size();
        if (IsDeviceName(path.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

CString LongPathForm(const CString& path) {
    if (path.empty()) return CString();
    constexpr wchar_t kLong[] = L"\\\\?\\";
    CString full;
    if (path.compare(0, 4, kLong) == 0) {
        full = path;
        // "\\?\unc\" is the same namespace as "\\?\UNC\"; written in its usual case.
        if (StartsWithNoCase(full.substr(4), L"UNC\\")) full.replace(4, 3, L"UNC");
    } else {
        const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        if (needed == 0) return CString();
        CString resolved(needed, L'\0');
        const DWORD length = ::GetFullPathNameW(path.c_str(), needed, resolved.data(), nullptr);
        if (length == 0 || length >= needed) return CString();
        resolved.resize(length);
        if (DriveRoot(resolved) != 0) {
            full = kLong + resolved;
        } else if (resolved.compare(0, 2, L"\\\\") == 0 && ShareRoot(resolved.substr(2)) != 0) {
            // "\\server\share\..." becomes "\\?\UNC\server\share\...".
            full = kLong + (L"UNC\\" + resolved.substr(2));
        } else {
            // A device ("NUL" is "\\.\NUL" by now) or another of the system's namespaces.
            return CString();
        }
    }
    const CString rest = full.substr(4);
    size_t root = DriveRoot(rest);
    if (root == 0 && rest.compare(0, 4, L"UNC\\") == 0) {
        const size_t share = ShareRoot(rest.substr(4));
        root = share != 0 ? 4 + share : 0;
    }
    if (root == 0) root = VolumeRoot(rest);
    // A device, a stream or anything else that is no file on a drive, share or volume is
    // never written or read as if it were one.
    return NamesFiles(rest, root) ? full : CString();
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
