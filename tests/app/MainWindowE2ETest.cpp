// Dustwhirl.exe as a real process: its window's geometry, dragging, and the about box.
#include "MainWindowFixtures.h"
#include "ScreenPixels.h"
#include "Waiting.h"
#include "app/resource.h"

#include <gtest/gtest.h>

namespace {

class RunningApp : public RunningMainWindow {
protected:
    LRESULT HitTest(int x, int y) const {
        POINT pt = ToScreen(x, y);
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(m_main, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y), SMTO_ABORTIFHUNG, 5000, &result);
        return static_cast<LRESULT>(result);
    }
};

TEST_F(RunningApp, WindowIs510By310CentredWithoutCaption) {
    RECT rc;
    ::GetWindowRect(m_main, &rc);
    EXPECT_EQ(rc.right - rc.left, 510);
    EXPECT_EQ(rc.bottom - rc.top, 310);
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((rc.left + rc.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((rc.top + rc.bottom) / 2, (work.top + work.bottom) / 2, 1);
    RECT client;
    ::GetClientRect(m_main, &client);
    EXPECT_EQ(client.right, 510) << "no frame: client and window coincide";
    EXPECT_EQ(client.bottom, 310);
    EXPECT_EQ(WindowText(m_main), "Dustwhirl");
    DWORD style = static_cast<DWORD>(::GetWindowLongA(m_main, GWL_STYLE));
    EXPECT_EQ(style & WS_CAPTION, 0UL);
    EXPECT_NE(style & WS_SYSMENU, 0UL);
}

TEST_F(RunningApp, TopStripLeftOfTheButtonsIsTheCaption) {
    EXPECT_EQ(HitTest(0, 0), HTCAPTION);
    EXPECT_EQ(HitTest(200, 18), HTCAPTION);
    EXPECT_EQ(HitTest(404, 35), HTCAPTION);
    EXPECT_EQ(HitTest(405, 10), HTCLIENT) << "from x 405 on the help and exit buttons answer";
    EXPECT_EQ(HitTest(404, 36), HTCLIENT);
    EXPECT_EQ(HitTest(250, 60), HTCLIENT) << "the grey body is not draggable";
    EXPECT_EQ(HitTest(5, 300), HTCLIENT);
}

TEST_F(RunningApp, DraggingTheStripMovesTheWindow) {
    RECT before;
    ::GetWindowRect(m_main, &before);
    POINT start = ToScreen(200, 18);
    MouseMoveTo(start.x, start.y);
    PumpFor(200);
    MouseDown();
    PumpFor(200);
    for (int step = 1; step <= 6; ++step) {
        MouseMoveTo(start.x + 10 * step, start.y + 5 * step);
        PumpFor(60);
    }
    MouseUp();
    PumpFor(500);
    RECT after;
    ::GetWindowRect(m_main, &after);
    EXPECT_EQ(after.left - before.left, 60);
    EXPECT_EQ(after.top - before.top, 30);
    EXPECT_EQ(after.right - after.left, 510) << "moved, not resized";
}

TEST_F(RunningApp, PressOnTheBodyDoesNotMoveTheWindow) {
    RECT before;
    ::GetWindowRect(m_main, &before);
    POINT start = ToScreen(250, 60);
    MouseMoveTo(start.x, start.y);
    PumpFor(100);
    MouseDown();
    MouseMoveTo(start.x + 40, start.y + 20);
    PumpFor(200);
    MouseUp();
    PumpFor(300);
    RECT after;
    ::GetWindowRect(m_main, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_TRUE(m_app.IsRunning());
}

HWND WaitForAboutBox(const AppProcess& app) { return app.WaitForWindow("#32770", "バージョン情報", 10000); }

TEST_F(RunningApp, AboutBoxOpensCentredOverTheMainWindowAndClosesTwoWays) {
    ::PostMessageA(m_main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = WaitForAboutBox(m_app);
    ASSERT_NE(about, nullptr);
    PumpFor(300);
    EXPECT_EQ(::GetWindow(about, GW_OWNER), m_main);
    EXPECT_FALSE(::IsWindowEnabled(m_main)) << "modal over the main window";
    RECT a, m;
    ::GetWindowRect(about, &a);
    ::GetWindowRect(m_main, &m);
    EXPECT_NEAR((a.left + a.right) / 2, (m.left + m.right) / 2, 1);
    EXPECT_NEAR((a.top + a.bottom) / 2, (m.top + m.bottom) / 2, 1);
    EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_VERSION_LINE)), "Dustwhirl Version 1.0");
    std::string copyright = WindowText(::GetDlgItem(about, IDC_COPYRIGHT_LINE));
    EXPECT_NE(copyright.find("Harrowmint"), std::string::npos) << copyright;

    PostClick(::GetDlgItem(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, 5000)) << "OK closes it";
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(m_main) != FALSE; }, 2000));
    EXPECT_TRUE(m_app.IsRunning()) << "the main window stays open";

    ::PostMessageA(m_main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    about = WaitForAboutBox(m_app);
    ASSERT_NE(about, nullptr);
    ::PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, 5000)) << "the close box closes it";
    PumpFor(300);
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_TRUE(::IsWindow(m_main));
}

}  // namespace
