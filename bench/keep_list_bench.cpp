// Opening the keep list's editor over many cookies (default 10,000, each of its own site): the
// time from the system menu's command to the dialog shown with every row, as the user waits
// for it, with the cache walk and the list-view filling apart. An optional second argument
// keeps the dialog open that many milliseconds (for a screenshot). Prints figures; judges nothing.
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

double g_start = 0, g_opened = 0;
DWORD g_holdMs = 0;

BOOL CALLBACK FindEditor(HWND w, LPARAM found) {
    if (::GetDlgItem(w, IDC_KEEP_HOSTS) != nullptr) *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
}

// The first timer message comes once the dialog is up and its modal loop runs.
void CALLBACK Opened(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HWND editor = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindEditor, reinterpret_cast<LPARAM>(&editor));
    if (editor == nullptr) return;
    ::UpdateWindow(editor);
    g_opened = NowMs() - g_start;
    if (g_holdMs != 0) {
        const double until = NowMs() + g_holdMs;
        MSG msg;
        while (NowMs() < until) {
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            ::Sleep(20);
        }
    }
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

    std::printf("%6s %12s %12s %12s\n", "round", "walk ms", "open ms", "rows");
    for (int round = 1; round <= 3; ++round) {
        t = NowMs();
        std::map<std::string, size_t> hosts;
        CollectCookieHosts(hosts);
        const double walk = NowMs() - t;
        g_start = NowMs();
        ::SetTimer(nullptr, 0, 0, Opened);
        EditKeepList({path, false}, nullptr);
        std::printf("%6d %12.0f %12.0f %12zu\n", round, walk, g_opened, hosts.size() + 1);
        g_holdMs = 0;
    }
    ::DeleteFileW(path.c_str());
    ClearUrlCache();
    return 0;
}
