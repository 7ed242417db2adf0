// Facts of the built executable's resources, read back through the Windows API.
#include "AppProcess.h"
#include "app/resource.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Loads Dustwhirl.exe as a data file and closes it again.
class ExeResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = ::LoadLibraryExA(EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override {
        if (m_module != nullptr) ::FreeLibrary(m_module);
    }
    const BYTE* Resource(LPCSTR type, WORD id, DWORD* size = nullptr) {
        HRSRC r = ::FindResourceA(m_module, MAKEINTRESOURCEA(id), type);
        if (r == nullptr) return nullptr;
        if (size != nullptr) *size = ::SizeofResource(m_module, r);
        return static_cast<const BYTE*>(::LockResource(::LoadResource(m_module, r)));
    }
    HMODULE m_module = nullptr;
};

// Reader of an extended dialog template (DLGTEMPLATEEX followed by DLGITEMTEMPLATEEX items).
struct DialogItem {
    DWORD style, exStyle;
    short x, y, cx, cy;
    DWORD id;
    std::wstring className, text;
    WORD classAtom = 0;
};
struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring title, font;
    WORD pointSize = 0;
    std::vector<DialogItem> items;
};

const WORD* Align(const WORD* p) {
    return reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3));
}
// A name-or-ordinal field: 0 (none), 0xFFFF followed by an ordinal, or a string.
const WORD* ReadSz(const WORD* p, std::wstring& out, WORD* ordinal = nullptr) {
    if (*p == 0xFFFF) {
        if (ordinal != nullptr) *ordinal = p[1];
        return p + 2;
    }
    while (*p != 0) out.push_back(static_cast<wchar_t>(*p++));
    return p + 1;
}

DialogTemplate ParseDialogEx(const BYTE* data) {
    DialogTemplate t;
    const WORD* p = reinterpret_cast<const WORD*>(data);
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 0xFFFF) << "an extended template";
    const BYTE* b = data + 8;  // dlgVer, signature, helpID
    std::memcpy(&t.exStyle, b, 4);
    std::memcpy(&t.style, b + 4, 4);
    WORD count;
    std::memcpy(&count, b + 8, 2);
    std::memcpy(&t.x, b + 10, 2);
    std::memcpy(&t.y, b + 12, 2);
    std::memcpy(&t.cx, b + 14, 2);
    std::memcpy(&t.cy, b + 16, 2);
    p = reinterpret_cast<const WORD*>(b + 18);
    std::wstring menu, cls;
    p = ReadSz(p, menu);
    p = ReadSz(p, cls);
    p = ReadSz(p, t.title);
    if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
        t.pointSize = *p++;
        p += 2;  // weight, italic + charset
        p = ReadSz(p, t.font);
    }
    for (WORD i = 0; i < count; ++i) {
        p = Align(p);
        DialogItem item;
        const BYTE* q = reinterpret_cast<const BYTE*>(p) + 4;  // helpID
        std::memcpy(&item.exStyle, q, 4);
        std::memcpy(&item.style, q + 4, 4);
        std::memcpy(&item.x, q + 8, 2);
        std::memcpy(&item.y, q + 10, 2);
        std::memcpy(&item.cx, q + 12, 2);
        std::memcpy(&item.cy, q + 14, 2);
        std::memcpy(&item.id, q + 16, 4);
        p = reinterpret_cast<const WORD*>(q + 20);
        p = ReadSz(p, item.className, &item.classAtom);
        p = ReadSz(p, item.text);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        t.items.push_back(item);
    }
    return t;
}

TEST_F(ExeResources, MainDialogTemplate) {
    const BYTE* data = Resource(reinterpret_cast<LPCSTR>(RT_DIALOG), IDD_MAIN);
    ASSERT_NE(data, nullptr);
    DialogTemplate t = ParseDialogEx(data);
    EXPECT_EQ(t.style, 0x92000040u);
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 281);
    EXPECT_EQ(t.cy, 201);
    EXPECT_EQ(t.title, L"");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.font, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");  // ＭＳ Ｐゴシック

    struct Expected {
        DWORD id;
        const wchar_t* text;
        short x, y, cx, cy;
    };
    const Expected expected[] = {
        {IDCANCEL, L"exit", 224, 7, 50, 14},
        {IDC_CACHE, L"cache", 7, 56, 78, 74},
        {IDC_COOKIE, L"cookie", 101, 55, 78, 74},
        {IDC_CACHE_COOKIE, L"cache && cookie", 196, 55, 78, 74},
        {IDC_HELP_BUTTON, L"help", 161, 7, 50, 14},
    };
    ASSERT_EQ(t.items.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const DialogItem& item = t.items[i];
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_EQ(item.text, expected[i].text);
        EXPECT_EQ(item.classAtom, 0x0080) << "a button";
        EXPECT_EQ(item.style, 0x50010000u);
        EXPECT_EQ(item.x, expected[i].x);
        EXPECT_EQ(item.y, expected[i].y);
        EXPECT_EQ(item.cx, expected[i].cx);
        EXPECT_EQ(item.cy, expected[i].cy);
    }
}

std::string VersionString(const std::vector<BYTE>& block, const char* key) {
    wchar_t* value = nullptr;
    UINT len = 0;
    const std::wstring path = L"\\StringFileInfo\\041104b0\\" + FromUtf8(key);
    if (!::VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &len)) return "<missing>";
    return value != nullptr ? ToUtf8(value) : std::string();
}

TEST(VersionResource, HoldsTheProgramsValues) {
    std::string exe = EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe");
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(::GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, DWORD{0});

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 0x04B0);

    EXPECT_EQ(VersionString(block, "FileDescription"), "IEキャッシュ＆クッキー削除ツール");
    EXPECT_EQ(VersionString(block, "FileVersion"), "1.0");
    EXPECT_EQ(VersionString(block, "ProductVersion"), "1.0");
    EXPECT_EQ(VersionString(block, "InternalName"), "Dustwhirl");
    EXPECT_EQ(VersionString(block, "ProductName"), "Dustwhirl");
    EXPECT_EQ(VersionString(block, "OriginalFilename"), "Dustwhirl.EXE");
    for (const char* empty : {"Comments", "CompanyName", "LegalTrademarks", "PrivateBuild", "SpecialBuild"}) {
        EXPECT_EQ(VersionString(block, empty), "") << empty;
    }
    std::string copyright = VersionString(block, "LegalCopyright");
    EXPECT_NE(copyright.find("Harrowmint"), std::string::npos) << copyright;
    EXPECT_EQ(copyright.find('\n'), std::string::npos) << "one line";
}

TEST_F(ExeResources, IconGroupHasAnImageOf256ColoursForEachScale) {
    const BYTE* group = Resource(reinterpret_cast<LPCSTR>(RT_GROUP_ICON), IDI_MAIN);
    ASSERT_NE(group, nullptr);
    WORD count;
    std::memcpy(&count, group + 4, 2);
    ASSERT_EQ(count, 5);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + 14 * i;  // GRPICONDIRENTRY
        WORD bitCount, id;
        std::memcpy(&bitCount, entry + 6, 2);
        std::memcpy(&id, entry + 12, 2);
        sizes.push_back(entry[0]);
        EXPECT_EQ(bitCount, 8) << "256 colours";
        const BYTE* image = Resource(reinterpret_cast<LPCSTR>(RT_ICON), id);
        ASSERT_NE(image, nullptr);
        BITMAPINFOHEADER bih;
        std::memcpy(&bih, image, sizeof(bih));
        EXPECT_EQ(bih.biBitCount, 8);
        EXPECT_EQ(bih.biWidth, entry[0]);
    }
    // 100 % first (what older systems show), then the sizes of 200 % and 150 %.
    EXPECT_EQ(sizes, (std::vector<int>{32, 16, 64, 48, 24}));
    for (int size : sizes) {
        HICON icon = static_cast<HICON>(::LoadImageA(m_module, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        ICONINFO info{};
        if (icon != nullptr && ::GetIconInfo(icon, &info)) {
            BITMAP bm{};
            ::GetObjectA(info.hbmMask, sizeof(bm), &bm);
            EXPECT_EQ(bm.bmWidth, size);
            ::DeleteObject(info.hbmMask);
            if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
        }
        if (icon != nullptr) ::DestroyIcon(icon);
    }
}

TEST_F(ExeResources, ManifestAsksForCommonControls6AndNoElevation) {
    DWORD size = 0;
    const BYTE* data = Resource(reinterpret_cast<LPCSTR>(RT_MANIFEST), 1, &size);
    ASSERT_NE(data, nullptr);
    std::string text(reinterpret_cast<const char*>(data), size);
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "Windows 10 and 11";
    EXPECT_NE(text.find(">true/pm</dpiAware>"), std::string::npos) << "per monitor on 8.1, system-aware before";
    EXPECT_NE(text.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos) << "Windows 10 1703 and later";
}

}  // namespace
