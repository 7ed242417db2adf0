// Figures of a cleaning under Wine, at several cache sizes in one run (default 3000, 10000
// and 50000 entries; 1/6 of them history, which stays):
//   - Yes to WM_DELETE_DONE (the walk, the progress dialog and its worker) against the bare
//     API work: one enumeration pass and one DeleteUrlCacheEntry per deleted entry;
//   - the worker's pauses and progress messages;
//   - the longest the progress dialog took to answer WM_NULL while deleting.
// Prints the figures; judges nothing.
#include "CleanUrlCache.h"
#include "app/resource.h"
#include "clean/EntrySelection.h"
#include "clean/ProgressDlg.h"
#include "framework/WinApp.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// One in six history entries, two in six cookies, the rest pages.
std::vector<std::string> MixedNames(int count, std::vector<std::string>& deleted) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string n;
        switch (i % 6) {
        case 0: n = "Visited:bench@http://www" + std::to_string(i % 97) + ".example.test/" + std::to_string(i); break;
        case 1:
        case 4: n = "Cookie:bench@site" + std::to_string(i) + ".example.test/"; break;
        default: n = "http://www" + std::to_string(i % 97) + ".example.test/page/" + std::to_string(i) + ".html";
        }
        if (i % 6 != 0) deleted.push_back(n);
        names.push_back(n);
    }
    return names;
}

// The least any cleaning has to ask of the cache: one unfiltered pass with one buffer, one
// call per entry, then one deletion per name.
double BareApiWork(const std::vector<std::string>& toDelete, size_t* walked) {
    const double start = Now();
    std::vector<char> buffer(4096);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    DWORD size = static_cast<DWORD>(buffer.size());
    size_t count = 0;
    HANDLE h = ::FindFirstUrlCacheEntryA(nullptr, info, &size);
    if (h != nullptr) {
        do {
            if (info->lpszSourceUrlName != nullptr) ++count;
            size = static_cast<DWORD>(buffer.size());
        } while (::FindNextUrlCacheEntryA(h, info, &size));
        ::FindCloseUrlCache(h);
    }
    for (const std::string& name : toDelete) ::DeleteUrlCacheEntryA(name.c_str());
    *walked = count;
    return Now() - start;
}

// What the dialog's thread took from its queue during a deletion run.
CWnd* g_dialogObject = nullptr;
int g_progressMessages = 0;
double g_doneAt = 0;
LRESULT CALLBACK WatchQueue(int code, WPARAM removed, LPARAM lp) {
    auto* m = reinterpret_cast<MSG*>(lp);
    if (code == HC_ACTION && removed == PM_REMOVE && g_dialogObject != nullptr &&
        m->hwnd == g_dialogObject->GetSafeHwnd()) {
        if (m->message == WM_DELETE_PROGRESS) ++g_progressMessages;
        if (m->message == WM_DELETE_DONE && g_doneAt == 0) g_doneAt = Now();
    }
    return ::CallNextHookEx(nullptr, code, removed, lp);
}

struct Run {
    double yesToDone = 0, walk = 0;
    size_t entries = 0;
    int pauses = 0, progress = 0, probes = 0;
    double worstReply = 0;
    std::string status;
};

// From Yes: the walk, then the progress dialog and its worker until WM_DELETE_DONE, with a
// second thread probing the dialog until its close button shows.
Run Cleaning() {
    Run run;
    g_progressMessages = 0;
    g_doneAt = 0;
    std::atomic<CProgressDlg*> dialog{nullptr};
    std::thread driver([&] {
        HWND hwnd = nullptr;
        while (dialog == nullptr || (hwnd = dialog.load()->GetSafeHwnd()) == nullptr || !::IsWindowVisible(hwnd)) {
            ::Sleep(1);
        }
        HWND button = ::GetDlgItem(hwnd, IDC_END_BUTTON);
        while (!::IsWindowVisible(button)) {
            const double s = Now();
            DWORD_PTR r = 0;
            ::SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r);
            run.worstReply = std::max(run.worstReply, Now() - s);
            ++run.probes;
            ::Sleep(5);
        }
        char text[256] = {};
        ::GetDlgItemTextA(hwnd, IDC_STATUS, text, sizeof(text));
        run.status = text;
        ::PostMessageA(button, BM_CLICK, 0, 0);
    });
    HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, WatchQueue, nullptr, ::GetCurrentThreadId());
    const double yes = Now();
    SelectedEntries chosen;
    CollectEntries(true, true, chosen);
    run.walk = Now() - yes;
    run.entries = chosen.size();
    {
        CProgressDlg progress(&chosen, nullptr);
        g_dialogObject = &progress;
        dialog = &progress;
        progress.DoModal();
        driver.join();
        g_dialogObject = nullptr;
        run.pauses = progress.m_pWorker->m_pauses;
    }
    ::UnhookWindowsHookEx(hook);
    run.yesToDone = g_doneAt - yes;
    run.progress = g_progressMessages;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    CWinApp app;
    app.Enable3dControlsStatic();
    app.m_pszAppName = strdup("Dustwhirl");
    AfxSetAppName(app.m_pszAppName);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {3000, 10000, 50000};

    const double benchStart = Now();
    std::printf("%8s %8s %9s %9s %9s %7s %7s %9s %8s %9s\n", "entries", "deleted", "bare s", "run s", "ratio",
                "pauses", "posts", "WM_NULL", "walk s", "seed s");
    for (int total : sizes) {
        ClearUrlCache();
        std::vector<std::string> toDelete;
        const std::vector<std::string> names = MixedNames(total, toDelete);
        double t = Now();
        if (!SeedUrlCache(names)) std::printf("warning: the cache refused some entries\n");
        const double seeding = Now() - t;

        // Bare work before and after the cleaning, each on the same cache: history plus the
        // entries to delete, seeded again after every run.
        size_t walked = 0;
        const double bareBefore = BareApiWork(toDelete, &walked);
        SeedUrlCache(toDelete);
        const Run run = Cleaning();
        SeedUrlCache(toDelete);
        const double bareAfter = BareApiWork(toDelete, &walked);
        const double bare = (bareBefore + bareAfter) / 2;
        std::printf("%8d %8zu %9.2f %9.2f %9.3f %7d %7d %6.1f ms %8.2f %9.1f\n", total, run.entries, bare,
                    run.yesToDone, run.yesToDone / bare, run.pauses, run.progress, run.worstReply * 1000, run.walk,
                    seeding);
        std::printf("         bare before %.2f s, after %.2f s; %zu entries walked; %d WM_NULL probes; \"%s\"\n",
                    bareBefore, bareAfter, walked, run.probes, run.status.c_str());
        std::fflush(stdout);
    }
    ClearUrlCache();
    std::printf("targets: ratio <= 1.10 at every size, pauses <= 100, posts <= 99, WM_NULL <= 50 ms\n");
    std::printf("benchmark run time %.0f s\n", Now() - benchStart);
    return 0;
}
