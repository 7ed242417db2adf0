// Dustwhirl.exe as a real process: its main window, and the ways to close it.
#include "AppProcess.h"
#include "Waiting.h"

#include <gtest/gtest.h>

namespace {

TEST(Startup, MainWindowIsTitledCaptionlessAndOnTheTaskbar) {
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowText(main), "Dustwhirl");
    DWORD style = static_cast<DWORD>(::GetWindowLongA(main, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(main, GWL_EXSTYLE));
    EXPECT_EQ(style & WS_CAPTION, 0UL);
    EXPECT_NE(style & WS_POPUP, 0UL);
    EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0UL);
}

void ExpectClosedBy(void (*close)(HWND)) {
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    close(main);
    DWORD code = 0xDEAD;
    ASSERT_TRUE(app.WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u) << "InitInstance returns false and the program ends normally";
}

TEST(Startup, ExitButtonEndsTheProcess) {
    ExpectClosedBy([](HWND main) { PostClick(::GetDlgItem(main, IDCANCEL)); });
}

TEST(Startup, EscapeEndsTheProcess) {
    ExpectClosedBy([](HWND main) {
        ::SetForegroundWindow(main);
        PumpFor(200);
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(2, keys, sizeof(INPUT));
    });
}

TEST(Startup, SystemMenuCloseEndsTheProcess) {
    ExpectClosedBy([](HWND main) { ::PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); });
}

}  // namespace
