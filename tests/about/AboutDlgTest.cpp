// The about box in this process, opened modally over a stand-in for the main window: a
// timer inside the box's modal loop looks at the box and then ends it.
#include "AboutTestPaths.h"
#include "AppProcess.h"
#include "Waiting.h"
#include "about/AboutDlg.h"
#include "framework/WinUtil.h"
#include "app/resource.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

std::string Text(HWND hwnd) {
    wchar_t buf[512] = {};
    ::GetWindowTextW(hwnd, buf, 512);
    return ToUtf8(buf);
}

RECT DialogUnits(HWND dlg, int x, int y, int cx, int cy) {
    RECT r{x, y, x + cx, y + cy};
    ::MapDialogRect(dlg, &r);
    return r;
}

RECT ChildRect(HWND dlg, HWND child) {
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRectEq(const RECT& a, const RECT& b, const char* what) {
    EXPECT_EQ(a.left, b.left) << what;
    EXPECT_EQ(a.top, b.top) << what;
    EXPECT_EQ(a.right, b.right) << what;
    EXPECT_EQ(a.bottom, b.bottom) << what;
}

// A window like the main one, registered as the application's main window while the tests
// run. One serves them all: every window that goes away costs Wine a wait without a window
// manager.
class AboutBoxOverOwner : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_owner = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                       &AboutBoxOverOwner::PlainDlgProc, 0);
        if (s_owner == nullptr) return;
        // Away from the screen's centre, so that centring over the owner shows.
        ::SetWindowPos(s_owner, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ::ShowWindow(s_owner, SW_SHOW);
        s_ownerWnd = new CWnd;
        s_ownerWnd->SubclassWindow(s_owner);
    }
    static void TearDownTestSuite() {
        delete s_ownerWnd;
        s_ownerWnd = nullptr;
        if (s_owner != nullptr) ::DestroyWindow(s_owner);
        s_owner = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(s_owner, nullptr);
        m_owner = s_owner;
        AfxGetApp()->m_pMainWnd = s_ownerWnd;
    }
    void TearDown() override { AfxGetApp()->m_pMainWnd = nullptr; }

    // Runs the box; inspect is called once the box is up, then close ends it.
    INT_PTR Run(const std::function<void(HWND)>& inspect, void (*close)(HWND)) {
        s_self = this;
        m_inspect = inspect;
        m_close = close;
        m_seen = false;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &AboutBoxOverOwner::OnTimer);
        CAboutDlg dlg;
        INT_PTR result = dlg.DoModal();
        ::KillTimer(nullptr, timer);
        EXPECT_TRUE(m_seen) << "the about box never showed";
        return result;
    }

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        AboutBoxOverOwner* self = s_self;
        if (self->m_seen) return;
        HWND box = ::GetLastActivePopup(self->m_owner);
        if (box == nullptr || box == self->m_owner || !::IsWindowVisible(box)) return;
        self->m_seen = true;
        self->m_inspect(box);
        self->m_close(box);
    }

    static INT_PTR CALLBACK PlainDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
    static void PressOk(HWND box) { ::PostMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }
    static void PressCloseBox(HWND box) { ::PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }

    static HWND s_owner;
    static CWnd* s_ownerWnd;
    HWND m_owner = nullptr;
    std::function<void(HWND)> m_inspect;
    void (*m_close)(HWND) = nullptr;
    bool m_seen = false;
    static AboutBoxOverOwner* s_self;
};
AboutBoxOverOwner* AboutBoxOverOwner::s_self = nullptr;
HWND AboutBoxOverOwner::s_owner = nullptr;
CWnd* AboutBoxOverOwner::s_ownerWnd = nullptr;


TEST_F(AboutBoxOverOwner, ShowsTheNameVersionAndCopyrightOfTheProgram) {
    // The test program carries the program's own resources.
    std::string copyright = WideQuery(ExePath(), L"LegalCopyright");
    ASSERT_NE(copyright, "-");
    std::string version, copyLine;
    Run(
        [&](HWND box) {
            version = Text(::GetDlgItem(box, IDC_VERSION_LINE));
            copyLine = Text(::GetDlgItem(box, IDC_COPYRIGHT_LINE));
        },
        PressOk);
    EXPECT_EQ(version, "Dustwhirl Version 1.0");
    EXPECT_EQ(copyLine, copyright);
}

TEST_F(AboutBoxOverOwner, TheVersionLineStartsWithWhateverTheApplicationIsCalled) {
    std::wstring saved = AfxGetAppName();
    AfxSetAppName(L"Q&A Tool");
    std::string version;
    Run([&](HWND box) { version = Text(::GetDlgItem(box, IDC_VERSION_LINE)); }, PressOk);
    AfxSetAppName(AfxGetApp()->m_pszAppName);
    EXPECT_EQ(saved, AfxGetAppName());
    EXPECT_EQ(version, "Q&A Tool Version 1.0");
}

TEST_F(AboutBoxOverOwner, HasTheTemplatesCaptionFrameAndControls) {
    Run(
        [&](HWND box) {
            EXPECT_EQ(Text(box), "バージョン情報");
            DWORD style = static_cast<DWORD>(::GetWindowLongA(box, GWL_STYLE));
            EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
                      static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
            EXPECT_EQ(style & WS_THICKFRAME, 0UL);
            RECT client;
            ::GetClientRect(box, &client);
            RECT want = DialogUnits(box, 0, 0, 249, 55);
            EXPECT_EQ(client.right, want.right);
            EXPECT_EQ(client.bottom, want.bottom);

            HWND version = ::GetDlgItem(box, IDC_VERSION_LINE);
            HWND copyright = ::GetDlgItem(box, IDC_COPYRIGHT_LINE);
            HWND ok = ::GetDlgItem(box, IDOK);
            ASSERT_TRUE(version && copyright && ok);
            ExpectRectEq(ChildRect(box, version), DialogUnits(box, 40, 10, 119, 8), "version line");
            ExpectRectEq(ChildRect(box, copyright), DialogUnits(box, 40, 25, 166, 8), "copyright line");
            ExpectRectEq(ChildRect(box, ok), DialogUnits(box, 192, 7, 50, 14), "OK");
            LONG vs = ::GetWindowLongA(version, GWL_STYLE);
            EXPECT_NE(vs & SS_NOPREFIX, 0) << "an ampersand in the name or version is shown as it is";
            EXPECT_NE(vs & WS_GROUP, 0);
            LONG cs = ::GetWindowLongA(copyright, GWL_STYLE);
            EXPECT_EQ(cs & SS_NOPREFIX, 0) << "the template's copyright line is a plain static text";
            EXPECT_NE(cs & WS_GROUP, 0);
            LONG os = ::GetWindowLongA(ok, GWL_STYLE);
            EXPECT_EQ(os & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            EXPECT_NE(os & WS_TABSTOP, 0);
            EXPECT_EQ(Text(ok), "OK");

            // The icon is the one static control without an id of its own.
            HWND icon = nullptr;
            for (HWND c = ::GetWindow(box, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
                if ((::GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = c;
            }
            ASSERT_NE(icon, nullptr);
            EXPECT_EQ(static_cast<WORD>(::GetDlgCtrlID(icon)), 0xFFFF);
            EXPECT_NE(::SendMessageA(icon, STM_GETICON, 0, 0), 0);
            RECT ir = ChildRect(box, icon);
            RECT want_ir = DialogUnits(box, 11, 17, 20, 20);
            EXPECT_EQ(ir.left, want_ir.left);
            EXPECT_EQ(ir.top, want_ir.top);
        },
        PressOk);
}

TEST_F(AboutBoxOverOwner, IsModalAndCentredOverTheMainWindow) {
    Run(
        [&](HWND box) {
            EXPECT_EQ(::GetWindow(box, GW_OWNER), m_owner);
            EXPECT_FALSE(::IsWindowEnabled(m_owner)) << "the main window waits while the box is open";
            ExpectCentredOver(box, m_owner);
        },
        PressOk);
    EXPECT_TRUE(::IsWindow(m_owner));
    EXPECT_TRUE(::IsWindowEnabled(m_owner));
}

TEST_F(AboutBoxOverOwner, OkAndTheCloseBoxEndTheBox) {
    auto nothing = [](HWND) {};
    EXPECT_EQ(Run(nothing, PressOk), IDOK);
    EXPECT_EQ(Run(nothing, PressCloseBox), IDCANCEL);
    EXPECT_TRUE(::IsWindowVisible(m_owner));
    EXPECT_TRUE(::IsWindowEnabled(m_owner));
}

}  // namespace
