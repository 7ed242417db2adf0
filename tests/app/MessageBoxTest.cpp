// Message boxes that the program shows carry its name as caption and sit over the main window.
#include "AppProcess.h"
#include "Waiting.h"
#include "app/MainDlg.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

struct BoxSeen {
    std::atomic<bool> found{false};
    std::string caption;
    std::string text;
    HWND owner = nullptr;
};

BoxSeen* g_seen = nullptr;
CMainDlg* g_dlg = nullptr;

// A message box is a dialog with its text in static control 0xFFFF; read it and answer it.
BOOL CALLBACK InspectBox(HWND w, LPARAM) {
    if (ClassName(w) != "#32770" || ::GetDlgItem(w, 0xFFFF) == nullptr) return TRUE;
    g_seen->caption = WindowText(w);
    g_seen->text = MessageBoxText(w);
    g_seen->owner = ::GetWindow(w, GW_OWNER);
    g_seen->found = true;
    ::PostMessageA(w, WM_COMMAND, IDOK, 0);
    return FALSE;
}

// Runs inside the main dialog's modal loop: shows a framework message box, then ends the dialog.
void CALLBACK ShowBoxFromLoop(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    AfxMessageBox(L"テスト");
    g_dlg->SendMessage(WM_COMMAND, IDCANCEL, 0);
}

TEST(FrameworkMessageBox, CaptionIsTheApplicationNameWhileTheMainWindowIsOpen) {
    BoxSeen seen;
    g_seen = &seen;
    DWORD uiThread = ::GetCurrentThreadId();

    // A watcher reads the box as another thread would see it and answers it.
    std::thread watcher([&] {
        for (int i = 0; i < 500 && !seen.found; ++i) {
            ::Sleep(20);
            ::EnumThreadWindows(uiThread, InspectBox, 0);
        }
    });

    CMainDlg dlg;
    g_dlg = &dlg;
    AfxGetApp()->m_pMainWnd = &dlg;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 300, ShowBoxFromLoop);
    ASSERT_NE(timer, 0u);
    INT_PTR result = dlg.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;
    watcher.join();

    EXPECT_EQ(result, IDCANCEL);
    ASSERT_TRUE(seen.found) << "no message box appeared";
    EXPECT_EQ(seen.caption, "Dustwhirl");
    EXPECT_EQ(seen.text, "テスト");
    EXPECT_NE(seen.owner, nullptr) << "owned by the main window";
}

}  // namespace
