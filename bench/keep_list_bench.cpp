// Opening the keep list's editor over many cookies (default 10,000, each of its own site): the
// time from the system menu's command to the dialog shown and to every row filled in, with a
// bare walk over the cookies as the yardstick; and how long a walk takes to end when a dialog
// closed early stops it. An optional second argument keeps the filled dialog
// open that many milliseconds (for a screenshot). Prints figures; judges nothing.
#include "BenchClock.h"
#include "CleanUrlCache.h"
#include "app/KeepListDlg.h"
#include "app/resource.h"
#include "framework/FileReplace.h"
#include "framework/WinApp.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

double g_start = 0, g_shown = 0, g_filled = 0;
DWORD g_holdMs = 0;

BOOL CALLBACK FindEditor(HWND w, LPARAM found) {
    if (::GetDlgItem(w, IDC_KEEP_HOSTS) != nullptr) *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
}

void Pump(double ms) {
    const double until = NowMs() + ms;
    MSG msg;
    do {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(1);
    } while (NowMs() < until);
}

// The first timer message comes once the dialog is up and its modal loop runs.
void CALLBACK Opened(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HWND editor = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindEditor, reinterpret_cast<LPARAM>(&editor));
    if (editor == nullptr) return;
    ::UpdateWindow(editor);
    g_shown = NowMs() - g_start;
    while (::GetWindowTextLengthW(::GetDlgItem(editor, IDC_KEEP_STATUS)) != 0) Pump(1);
    ::UpdateWindow(editor);
    g_filled = NowMs() - g_start;
    Pump(g_holdMs);
    ::PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

int main(int argc, char** argv) {
    CWinApp app;
    app.Enable3dControlsStatic();
    app.SetAppName(L"Dustwhirl");
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    g_holdMs = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 0;

    ClearUrlCache();
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("Cookie:bench@site" + std::to_string(i) + ".example.test/");
    double t = NowMs();
    if (!SeedUrlCache(names)) std::printf("warning: the cache refused some entries\n");
    std::printf("seeded %d cookies in %.0f ms\n", count, NowMs() - t);

    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"dw-bench-keep.txt";
    ReplaceFileWith(path, "# bench\r\nsite7.example.test\r\nmail.example.jp\r\n");

    std::printf("%6s %10s %10s %10s %10s\n", "round", "walk ms", "shown ms", "filled ms", "rows");
    for (int round = 1; round <= 3; ++round) {
        t = NowMs();
        std::map<std::string, size_t> hosts;
        CollectCookieHosts(hosts);
        const double walk = NowMs() - t;
        g_start = NowMs();
        ::SetTimer(nullptr, 0, 0, Opened);
        EditKeepList({path, false}, std::nullopt, nullptr);  // the usual cache alone, as the walk above
        std::printf("%6d %10.0f %10.0f %10.0f %10zu\n", round, walk, g_shown, g_filled, hosts.size() + 1);
        g_holdMs = 0;
    }
    // A dialog closed early stops its walk; the wait for that is all the closing adds.
    for (DWORD after : {10, 200, 1000}) {
        CCookieHostWalk walk(nullptr);
        walk.Start();
        ::Sleep(after);
        t = NowMs();
        walk.Stop();
        std::printf("walk stopped after %lu ms: ended in %.0f ms\n", static_cast<unsigned long>(after), NowMs() - t);
    }
    ::DeleteFileW(path.c_str());
    ClearUrlCache();
    return 0;
}
