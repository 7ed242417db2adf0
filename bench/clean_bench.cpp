// Figures of a cleaning over 10,000 URL cache entries, in one run under Wine:
//   - the cache walk of a cleaning against a bare loop of the same two-call pattern;
//   - the time from Yes to WM_DELETE_DONE against a bare DeleteUrlCacheEntry + Sleep(1) loop;
//   - the number of progress messages, and the longest the progress dialog took to answer.
// Prints the figures; judges nothing.
#include "CleanUrlCache.h"
#include "app/resource.h"
#include "clean/EntrySelection.h"
#include "clean/ProgressDlg.h"
#include "clean/UrlCache.h"
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

std::vector<std::string> MixedNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        switch (i % 10) {
        case 0: names.push_back("Visited:bench@http://www" + std::to_string(i % 97) + ".example.test/" + std::to_string(i)); break;
        case 1:
        case 2:
        case 3: names.push_back("Cookie:bench@site" + std::to_string(i) + ".example.test/"); break;
        default: names.push_back("http://www" + std::to_string(i % 97) + ".example.test/page/" + std::to_string(i) + ".html");
        }
    }
    return names;
}

// The two-call pattern and nothing else: what any walk over the cache has to pay.
size_t BareWalk() {
    size_t count = 0;
    DWORD size = 0;
    ::FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (size == 0) return 0;
    void* buffer = std::malloc(size);
    HANDLE h = ::FindFirstUrlCacheEntryA(nullptr, static_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer), &size);
    for (;;) {
        if (static_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer)->lpszSourceUrlName != nullptr) ++count;
        std::free(buffer);
        size = 0;
        ::FindNextUrlCacheEntryA(h, nullptr, &size);
        if (size == 0) break;
        buffer = std::malloc(size);
        ::FindNextUrlCacheEntryA(h, static_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer), &size);
    }
    ::FindCloseUrlCache(h);
    return count;
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

// The real cache, with the moments of the first and the last deletion written down.
class TimedCache : public CSystemUrlCache {
public:
    BOOL DeleteEntry(const char* url) override {
        double t = Now();
        if (first == 0) first = t;
        BOOL r = CSystemUrlCache::DeleteEntry(url);
        last = Now();
        return r;
    }
    std::atomic<double> first{0}, last{0};
};

double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

int main(int argc, char** argv) {
    CWinApp app;
    app.Enable3dControlsStatic();
    app.m_pszAppName = strdup("Dustwhirl");
    AfxSetAppName(app.m_pszAppName);
    const int total = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = 5;

    ClearUrlCache();
    std::vector<std::string> names = MixedNames(total);
    double t = Now();
    if (!SeedUrlCache(names)) std::printf("warning: the cache refused some entries\n");
    std::printf("seeded %d entries (60%% content, 30%% cookie, 10%% history) in %.2f s\n", total, Now() - t);

    // Walks, alternating so that both see the same cache state.
    std::vector<double> bare, collect;
    CStringList list;
    for (int r = 0; r < rounds; ++r) {
        t = Now();
        size_t seen = BareWalk();
        bare.push_back(Now() - t);
        list.clear();
        t = Now();
        CollectEntries(true, true, list);
        collect.push_back(Now() - t);
        if (r == 0) std::printf("walk: %zu entries, %zu collected for cache && cookie\n", seen, list.size());
    }
    std::printf("walk rounds (bare/collection, ms):");
    for (int r = 0; r < rounds; ++r) std::printf(" %.0f/%.0f", bare[r] * 1000, collect[r] * 1000);
    std::printf("\n");
    // The fastest round of each: the machine and the cache only ever add time to a walk.
    const double walkRatio = Best(collect) / Best(bare);
    std::printf("walk: collection %.1f ms, bare two-call loop %.1f ms (best of %d), ratio %.3f (target <= 1.05)\n",
                Best(collect) * 1000, Best(bare) * 1000, rounds, walkRatio);

    // The bare equivalent of a cleaning, on a cache prepared the same way as for the real run
    // below (emptied and seeded again): the bare walk, then the bare deletion loop over the
    // very names a cleaning deletes.
    ClearUrlCache();
    SeedUrlCache(names);
    t = Now();
    BareWalk();
    const double bareWalk = Now() - t;
    auto bareDeleteLoop = [&] {
        double start = Now();
        for (const std::string& name : list) {
            ::DeleteUrlCacheEntryA(name.c_str());
            ::Sleep(1);
        }
        return Now() - start;
    };
    const double bareBefore = bareDeleteLoop();
    ClearUrlCache();
    SeedUrlCache(names);

    // From Yes: the walk, then the progress dialog and its worker until WM_DELETE_DONE.
    std::atomic<bool> done{false};
    std::atomic<double> worstReply{0};
    std::atomic<int> replies{0};
    CStringList chosen;
    HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, WatchQueue, nullptr, ::GetCurrentThreadId());
    CProgressDlg* dialog = nullptr;
    std::thread driver([&] {
        HWND hwnd = nullptr;
        while ((dialog == nullptr || (hwnd = dialog->GetSafeHwnd()) == nullptr || !::IsWindowVisible(hwnd))) ::Sleep(1);
        HWND button = ::GetDlgItem(hwnd, IDC_END_BUTTON);
        while (!::IsWindowVisible(button)) {
            double s = Now();
            DWORD_PTR r = 0;
            ::SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r);
            double took = Now() - s;
            if (took > worstReply) worstReply = took;
            ++replies;
            ::Sleep(5);
        }
        done = true;
        ::PostMessageA(button, BM_CLICK, 0, 0);
    });
    TimedCache timed;
    IUrlCache* previous = SetUrlCache(&timed);
    const double yes = Now();
    CollectEntries(true, true, chosen);
    const double collected = Now();
    {
        CProgressDlg progress(&chosen, nullptr);
        dialog = &progress;
        g_dialogObject = &progress;
        progress.DoModal();
        g_dialogObject = nullptr;
        driver.join();
        dialog = nullptr;
    }
    ::UnhookWindowsHookEx(hook);
    SetUrlCache(previous);
    const double run = g_doneAt - yes;
    // The bare loop once more after the real run, so that a drift of the machine shows.
    ClearUrlCache();
    SeedUrlCache(names);
    const double bareAfter = bareDeleteLoop();
    const double bareDelete = (bareBefore + bareAfter) / 2;
    std::printf("bare deletion loop: %.2f s before, %.2f s after the real run\n", bareBefore, bareAfter);
    const double deletion = g_doneAt - timed.first;
    std::printf("deletion: %zu entries; Yes to WM_DELETE_DONE %.2f s against the bare DeleteUrlCacheEntry + Sleep(1) "
                "loop %.2f s: ratio %.3f (target <= 1.05)\n",
                chosen.size(), run, bareDelete, run / bareDelete);
    std::printf("  the same against bare walk + bare loop (%.2f s + %.2f s): ratio %.3f\n", bareWalk, bareDelete,
                run / (bareWalk + bareDelete));
    std::printf("  of which: walk %.2f s, dialog shown until first deletion %.3f s, first deletion to WM_DELETE_DONE "
                "%.2f s (ratio to the bare loop %.3f)\n",
                collected - yes, timed.first - collected, deletion, deletion / bareDelete);
    std::printf("progress messages: %d (target <= 99)\n", g_progressMessages);
    std::printf("progress dialog: longest answer to WM_NULL %.1f ms over %d probes (target <= 50 ms)\n",
                worstReply * 1000, replies.load());
    ClearUrlCache();
    return 0;
}
