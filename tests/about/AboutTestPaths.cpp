#include "AboutTestPaths.h"

#include "framework/WinUtil.h"
#include "AppProcess.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

std::string ExePath() { return EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe"); }

std::string AboutBuildFile(const char* name) {
    std::string dir = EnvOr("DUSTWHIRL_BINARY_DIR", ".");
    std::string path = "Z:" + dir + "/tests/about/" + name;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string WideQuery(const std::string& path, const wchar_t* key) {
    std::wstring wpath(path.begin(), path.end());  // the paths used here are plain ASCII
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(wpath.c_str(), &handle);
    if (size == 0) return "-";
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(wpath.c_str(), 0, size, block.data())) return "-";
    WORD* trans = nullptr;
    UINT len = 0;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&trans), &len) ||
        len < 4) {
        return "-";
    }
    wchar_t query[128];
    std::swprintf(query, 128, L"\\StringFileInfo\\%04X%04X\\%ls", trans[0], trans[1], key);
    wchar_t* value = nullptr;
    if (!::VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &len)) return "-";
    if (len == 0) return std::string();
    return ToUtf8(std::wstring(value, ::wcsnlen(value, len)));
}

void ExpectCentredOver(HWND box, HWND owner) {
    RECT o, b;
    ::GetWindowRect(owner, &o);
    ::GetWindowRect(box, &b);
    EXPECT_NEAR((b.left + b.right) / 2, (o.left + o.right) / 2, 1);
    EXPECT_NEAR((b.top + b.bottom) / 2, (o.top + o.bottom) / 2, 1);
}
