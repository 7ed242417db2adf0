// What the main window hands to the shell: the maker sites, the help pages and the two
// folders, observed for real through a recording program registered in the Wine prefix.
#include "AdServer.h"
#include "MainWindowFixtures.h"
#include "ScreenPixels.h"
#include "ShellRecorder.h"
#include "Waiting.h"
#include "app/resource.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class MainWindowShell : public RunningMainWindow {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_shell.Installed());
        m_shell.Clear();
        RunningMainWindow::SetUp();
    }
    void ClickAt(int x, int y) {
        POINT pt{x, y};
        ::ClientToScreen(m_main, &pt);
        MouseMoveTo(pt.x, pt.y);
        PumpFor(200);
        MouseDown();
        MouseUp();
        PumpFor(200);
    }
    ShellRecorder m_shell;
};

TEST_F(MainWindowShell, MakerNamesOpenTheirSitesAndTheBodyOpensNothing) {
    ClickAt(250, 60);
    ClickAt(5, 270);
    PumpFor(1500);
    EXPECT_TRUE(m_shell.Records().empty()) << "a click elsewhere in the body does nothing";

    CreditLayout layout = MeasureCreditLine();
    const int first = layout.left[1], second = layout.left[3];
    ClickAt(first + 2, 267);
    ASSERT_TRUE(m_shell.WaitForRecords(1, 15000));
    ClickAt(second + 2, 267);
    ASSERT_TRUE(m_shell.WaitForRecords(2, 15000));
    std::vector<std::string> r = m_shell.Records();
    EXPECT_EQ(r[0], DUSTWHIRL_MAKER_SERVER "/");
    EXPECT_EQ(r[1], DUSTWHIRL_SECOND_MAKER_SITE "/");
}

TEST_F(MainWindowShell, HelpButtonOpensTheHelpPages) {
    PostClick(::GetDlgItem(m_main, IDC_HELP_BUTTON));
    ASSERT_TRUE(m_shell.WaitForRecords(1, 15000));
    EXPECT_EQ(m_shell.Records()[0], DUSTWHIRL_MAKER_SERVER "/dustwhirl/help/");
    EXPECT_TRUE(m_app.IsRunning());
}

std::string FolderOf(int csidl) {
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    std::string s = path;
    while (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

TEST_F(MainWindowShell, SystemMenuOpensTheCacheAndCookieFolders) {
    ::PostMessageA(m_main, WM_SYSCOMMAND, IDM_OPEN_CACHE_FOLDER, 0);
    ASSERT_TRUE(m_shell.WaitForRecords(1, 15000));
    ::PostMessageA(m_main, WM_SYSCOMMAND, IDM_OPEN_COOKIE_FOLDER, 0);
    ASSERT_TRUE(m_shell.WaitForRecords(2, 15000));
    std::vector<std::string> r = m_shell.Records();
    std::string cache = FolderOf(CSIDL_INTERNET_CACHE), cookies = FolderOf(CSIDL_COOKIES);
    ASSERT_FALSE(cache.empty());
    EXPECT_EQ(_stricmp(r[0].c_str(), cache.c_str()), 0) << r[0] << " vs " << cache;
    EXPECT_EQ(_stricmp(r[1].c_str(), cookies.c_str()), 0) << r[1] << " vs " << cookies;
    EXPECT_TRUE(m_app.IsRunning());
}

TEST(MainWindowClose, DuringAStalledAdDownloadEndsWithinTheStopLimit) {
    AdServer server;
    ASSERT_TRUE(server.Stall());
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return server.ListRequests() >= 1; }, 10000)) << "the download is under way";
    DWORD start = ::GetTickCount();
    PostClick(::GetDlgItem(main, IDCANCEL));
    bool ended = app.WaitForExit(25000);
    DWORD elapsed = ::GetTickCount() - start;
    server.Reset();
    EXPECT_TRUE(ended) << "closing never hangs";
    std::printf("closing during a stalled download took %lu ms\n", static_cast<unsigned long>(elapsed));
}

}  // namespace
