// Figures of a cleaning under Wine, at several cache sizes in one run (default 3000, 10000
// and 50000 entries; 1/6 of them history, which stays):
//   - Yes to WM_DELETE_DONE (the walk, the progress dialog and its worker) against the bare
//     API work: one enumeration pass and one DeleteUrlCacheEntry per deleted entry;
//   - the worker's pauses and progress messages;
//   - the longest the progress dialog took to answer WM_NULL while deleting.
// Prints the figures; judges nothing.
#include "BenchClock.h"
#include "CleanUrlCache.h"
#include "app/resource.h"
#include "clean/CacheEnumeration.h"
#include "clean/EntrySelection.h"
#include "clean/ProgressDlg.h"
#include "framework/WinApp.h"

#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

double Now() { return NowMs() / 1000.0; }  // seconds

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
// call per entry, then one deletion per entry that is not history, in the order of the walk.
struct Bare {
    double total = 0, walk = 0;
    size_t walked = 0;
};
Bare BareApiWork() {
    const double start = Now();
    std::vector<char> buffer(4096);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    DWORD size = static_cast<DWORD>(buffer.size());
    std::vector<std::string> names;
    size_t count = 0;
    HANDLE h = ::FindFirstUrlCacheEntryA(nullptr, info, &size);
    if (h != nullptr) {
        do {
            const char* name = info->lpszSourceUrlName;
            if (name != nullptr) {
                ++count;
                if (::_strnicmp(name, "visited:", 8) != 0) names.emplace_back(name);
            }
            size = static_cast<DWORD>(buffer.size());
        } while (::FindNextUrlCacheEntryA(h, info, &size));
        ::FindCloseUrlCache(h);
    }
    const double walked = Now();
    for (const std::string& name : names) ::DeleteUrlCacheEntryA(name.c_str());
    return {Now() - start, walked - start, count};
}

// The walk a cleaning of cookies adds to the unfiltered one.
double CookieWalk() {
    const double start = Now();
    CCacheEnumeration walk("cookie:");
    while (walk.Next() != nullptr) {
    }
    return Now() - start;
}

// Shift_JIS from the dialog, UTF-8 for the terminal.
std::string Utf8(const std::string& acp) {
    std::wstring wide(acp.size() + 1, L'\0');
    wide.resize(::MultiByteToWideChar(CP_ACP, 0, acp.c_str(), -1, &wide[0], static_cast<int>(wide.size())));
    std::string out(wide.size() * 3 + 1, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr,
                                     nullptr));
    if (!out.empty()) out.pop_back();
    return out;
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
    double yesToDone = 0, walk = 0, shown = 0;
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
        run.shown = Now();
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
    run.shown -= yes + run.walk;
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
    std::printf("%8s %8s %8s %9s %9s %7s %7s %9s %9s %9s %8s\n", "entries", "deleted", "rounds", "bare s", "run s",
                "ratio", "pauses", "posts", "WM_NULL", "walk s", "seed s");
    for (int total : sizes) {
        ClearUrlCache();
        std::vector<std::string> toDelete;
        const std::vector<std::string> names = MixedNames(total, toDelete);
        double t = Now();
        if (!SeedUrlCache(names)) std::printf("warning: the cache refused some entries\n");
        const double seeding = Now() - t;

        // The walk alone, on an unchanged cache: the bare pass against a cleaning's collection.
        double bareWalk = 1e9, collection = 1e9;
        const int walkRounds = total >= 20000 ? 2 : 5;
        for (int r = 0; r < walkRounds; ++r) {
            double t0 = Now();
            std::vector<char> buffer(4096);
            auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
            DWORD size = static_cast<DWORD>(buffer.size());
            HANDLE h = ::FindFirstUrlCacheEntryA(nullptr, info, &size);
            if (h != nullptr) {
                do size = static_cast<DWORD>(buffer.size());
                while (::FindNextUrlCacheEntryA(h, info, &size));
                ::FindCloseUrlCache(h);
            }
            bareWalk = std::min(bareWalk, Now() - t0);
            t0 = Now();
            SelectedEntries chosen;
            CollectEntries(true, true, chosen);
            collection = std::min(collection, Now() - t0);
        }

        // Rounds alternate bare work and cleaning on the same cache (the history, and the
        // entries to delete seeded again before each), with bare work last as well. The best
        // of each counts: the machine and the cache only ever add time.
        const int rounds = total >= 20000 ? 1 : 3;
        Bare bestBare;
        bestBare.total = 1e9;
        Run best;
        best.yesToDone = 1e9;
        std::string perRound;
        for (int r = 0; r <= rounds; ++r) {
            if (r > 0) SeedUrlCache(toDelete);
            const Bare bare = BareApiWork();
            if (bare.total < bestBare.total) bestBare = bare;
            if (r == rounds) break;
            SeedUrlCache(toDelete);
            const Run run = Cleaning();
            if (run.yesToDone < best.yesToDone) best = run;
            char line[64];
            std::snprintf(line, sizeof(line), " %.2f/%.2f", bare.total, run.yesToDone);
            perRound += line;
        }
        std::printf("%8d %8zu %8d %9.2f %9.2f %7.3f %7d %7d %6.1f ms %9.2f %8.1f\n", total, best.entries, rounds,
                    bestBare.total, best.yesToDone, best.yesToDone / bestBare.total, best.pauses, best.progress,
                    best.worstReply * 1000, best.walk, seeding);
        std::printf("         bare/run per round (s):%s; bare walk %.2f s over %zu entries; %d WM_NULL probes\n",
                    perRound.c_str(), bestBare.walk, bestBare.walked, best.probes);
        std::printf("         best run: walk %.2f s (of which the cookie walk %.2f s), dialog up %.3f s, deleting %.2f s\n",
                    best.walk, CookieWalk(), best.shown, best.yesToDone - best.walk - best.shown);
        std::printf("         walk alone (best of %d, cache unchanged): collection %.3f s, bare pass %.3f s, ratio %.3f\n",
                    walkRounds, collection, bareWalk, collection / bareWalk);
        std::printf("         completion: %s\n", Utf8(best.status).c_str());
        std::fflush(stdout);
    }
    ClearUrlCache();
    std::printf("targets: ratio <= 1.10 at every size, pauses <= 100, posts <= 99, WM_NULL <= 50 ms\n");
    std::printf("benchmark run time %.0f s\n", Now() - benchStart);
    return 0;
}
