#include "MainWindowFixtures.h"

#include "Waiting.h"
#include "app/CreditLine.h"
#include "app/MainDlg.h"
#include "app/resource.h"
#include "framework/WinApp.h"

#include <cstring>

void RunningMainWindow::SetUp() {
    ASSERT_TRUE(m_app.Start());
    m_main = m_app.WaitForMainWindow();
    ASSERT_NE(m_main, nullptr);
    PumpFor(500);
}

void RunningMainWindow::TearDown() {
    if (m_main != nullptr && m_app.IsRunning()) {
        PostClick(::GetDlgItem(m_main, IDCANCEL));
        m_app.WaitForExit(15000);
    }
}

POINT RunningMainWindow::ToScreen(int x, int y) const {
    POINT pt{x, y};
    ::ClientToScreen(m_main, &pt);
    return pt;
}

namespace {
std::function<void(CMainDlg&)> g_scenario;
CMainDlg* g_dialog = nullptr;

// The dialog's first idle moment has come (its system menu has the program's items): on a
// loaded host the scenario's timer can be due before it.
bool Settled(HWND dialog) {
    HMENU menu = ::GetSystemMenu(dialog, FALSE);
    return menu != nullptr && ::GetMenuState(menu, IDM_ABOUTBOX, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void CALLBACK PlayScenario(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    static int waits = 0;
    if (!Settled(g_dialog->GetSafeHwnd()) && ++waits < 500) {
        ::SetTimer(nullptr, 0, 20, PlayScenario);
        return;
    }
    waits = 0;
    g_scenario(*g_dialog);
    g_dialog->EndDialog(IDCANCEL);
}
}  // namespace

void RunMainDialog(const std::function<void(CMainDlg&)>& scenario) {
    CMainDlg dlg;
    RunMainDialog(dlg, scenario);
}

void RunMainDialog(CMainDlg& dlg, const std::function<void(CMainDlg&)>& scenario) {
    // This test program is no copy of Dustwhirl: a scenario that wants one names its own.
    dlg.SetProtectedCacheReach([] { return ProtectedCacheReach(); });
    g_dialog = &dlg;
    g_scenario = scenario;
    AfxGetApp()->m_pMainWnd = &dlg;
    ::SetTimer(nullptr, 0, 300, PlayScenario);
    dlg.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;
    g_dialog = nullptr;
}

CreditLayout MeasureCreditLine(int dpi) {
    CreditLayout layout{};
    HDC dc = ::GetDC(nullptr);
    HFONT font = ::CreateFontW(::MulDiv(12, dpi, 96), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"ＭＳ Ｐゴシック");
    HGDIOBJ old = ::SelectObject(dc, font);
    int total = 0;
    for (int i = 0; i < 4; ++i) {
        SIZE s;
        ::GetTextExtentPoint32W(dc, kCreditSegments[i], static_cast<int>(std::wcslen(kCreditSegments[i])), &s);
        layout.widths[i] = s.cx;
        layout.height = s.cy;
        total += s.cx;
    }
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::ReleaseDC(nullptr, dc);
    int x = ::MulDiv(495, dpi, 96) - total;
    for (int i = 0; i < 4; ++i) {
        layout.left[i] = x;
        x += layout.widths[i];
    }
    return layout;
}
