// The main dialog run in-process: what only its own process can see (the system menu) and
// the layout it computes.
#include "MainWindowFixtures.h"
#include "app/CreditLine.h"
#include "framework/WinUtil.h"
#include "app/MainDlg.h"
#include "app/resource.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string MenuText(HMENU menu, int pos) {
    wchar_t buf[128] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(pos), buf, 128, MF_BYPOSITION);
    return ToUtf8(buf);
}

bool IsSeparator(HMENU menu, int pos) { return (::GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION) & MF_SEPARATOR) != 0; }

TEST(MainDialog, SystemMenuEndsWithTheFolderAndVersionCommands) {
    RunMainDialog([](CMainDlg& dlg) {
        HMENU menu = ::GetSystemMenu(dlg.m_hWnd, FALSE);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(::GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1)) << "no Size";
        EXPECT_EQ(::GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1)) << "no Maximize";
        EXPECT_NE(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1)) << "Close stays";

        int n = ::GetMenuItemCount(menu);
        ASSERT_GE(n, 5);
        EXPECT_TRUE(IsSeparator(menu, n - 5));
        EXPECT_EQ(::GetMenuItemID(menu, n - 4), static_cast<UINT>(IDM_OPEN_CACHE_FOLDER));
        EXPECT_EQ(MenuText(menu, n - 4), "キャッシュフォルダを開く(&A)");
        EXPECT_EQ(::GetMenuItemID(menu, n - 3), static_cast<UINT>(IDM_OPEN_COOKIE_FOLDER));
        EXPECT_EQ(MenuText(menu, n - 3), "クッキーフォルダを開く(&O)");
        EXPECT_TRUE(IsSeparator(menu, n - 2));
        EXPECT_EQ(::GetMenuItemID(menu, n - 1), static_cast<UINT>(IDM_ABOUTBOX));
        EXPECT_EQ(MenuText(menu, n - 1), "バージョン情報(&A)...");
    });
}

TEST(MainDialog, CreditLineEndsAt495AndItsLinksCoverTheNames) {
    RunMainDialog([](CMainDlg& dlg) {
        // Measure the names independently, with a font made like the window's.
        CreditLayout layout = MeasureCreditLine();
        const int* seg = layout.widths;
        const RECT& first = dlg.LinkRect(0);
        const RECT& second = dlg.LinkRect(1);
        EXPECT_EQ(second.right, 495);
        EXPECT_EQ(second.left, 495 - seg[3]);
        EXPECT_EQ(first.right - first.left, seg[1]);
        EXPECT_EQ(first.right + seg[2], second.left) << "the second label sits between the names";
        EXPECT_EQ(first.left - seg[0], 495 - (seg[0] + seg[1] + seg[2] + seg[3]));
        for (const RECT* r : {&first, &second}) {
            EXPECT_EQ(r->top, 263);
            EXPECT_EQ(r->bottom, 263 + layout.height);
        }
        EXPECT_STREQ(kCreditSegments[1], L"Harrowmint");
        EXPECT_STREQ(kCreditSegments[3], L"Quillimore");
    });
}

}  // namespace
