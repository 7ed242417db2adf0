// The binding of a window to its object: messages reach the object, the default processing is
// the window's own procedure, and an object that goes before its window leaves it working.
#include "framework/Wnd.h"

#include <gtest/gtest.h>

namespace {

class Counting : public CWnd {
public:
    int seen = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_APP) {
            ++seen;
            return 42;
        }
        return CWnd::WindowProc(msg, wp, lp);
    }
};

HWND CreateEdit() {
    return ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                             nullptr);
}

CString TextOf(HWND wnd) {
    wchar_t text[32] = {};
    ::GetWindowTextW(wnd, text, 32);
    return text;
}

TEST(WndBinding, AnEditControlBoundReleasedAndBoundAgainKeepsItsOwnBehaviour) {
    HWND edit = CreateEdit();
    ASSERT_NE(edit, nullptr);
    {
        Counting first;
        ASSERT_TRUE(first.SubclassWindow(edit));
        EXPECT_EQ(CWnd::FromHandle(edit), &first);
        EXPECT_FALSE(Counting().SubclassWindow(edit)) << "one object per window";
        EXPECT_EQ(::GetPropW(edit, L"Dustwhirl.PreviousProc"), nullptr) << "bound without a window property";
        EXPECT_EQ(::SendMessageW(edit, WM_APP, 0, 0), 42);
        EXPECT_EQ(first.seen, 1);
        first.SetWindowText(L"bound");
        EXPECT_EQ(TextOf(edit), L"bound");
    }
    EXPECT_EQ(CWnd::FromHandle(edit), nullptr);
    ::SetWindowTextW(edit, L"unbound");
    EXPECT_EQ(TextOf(edit), L"unbound");
    EXPECT_EQ(::SendMessageW(edit, WM_APP, 0, 0), 0);

    Counting second;
    ASSERT_TRUE(second.SubclassWindow(edit));
    EXPECT_EQ(::SendMessageW(edit, WM_APP, 0, 0), 42);
    EXPECT_TRUE(::DestroyWindow(edit));
    EXPECT_EQ(second.m_hWnd, nullptr) << "the last message unbinds";
}

WNDPROC g_below = nullptr;
LRESULT CALLBACK Above(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return ::CallWindowProcW(g_below, wnd, msg, wp, lp); }

TEST(WndBinding, AProcedureInstalledAboveOursStillReachesTheControlAfterTheObjectHasGone) {
    HWND edit = CreateEdit();
    ASSERT_NE(edit, nullptr);
    {
        Counting bound;
        ASSERT_TRUE(bound.SubclassWindow(edit));
        g_below = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Above)));
        EXPECT_EQ(::SendMessageW(edit, WM_APP, 0, 0), 42);
    }
    ::SetWindowTextW(edit, L"kept");
    EXPECT_EQ(TextOf(edit), L"kept");
    EXPECT_EQ(CWnd::FromHandle(edit), nullptr);
    EXPECT_TRUE(::DestroyWindow(edit));
}

}  // namespace
