// Figures of a cleaning under Wine, at several cache sizes in one run (default 3000, 10000
// and 24000 entries; 1/6 of them history, which stays), each by the wall clock and by the CPU
// time of this process, as medians of rounds that alternate the program and the bare work:
//   - the collection (the walk alone) against one bare enumeration pass, on an unchanged cache;
//   - a whole cleaning, click to question (the keep list, the Protected Mode cache's copy as
//     this system reaches it, the walk, all on a worker under the wait window) plus Yes to
//     WM_DELETE_DONE (the progress dialog and its worker), against the bare API work: one
//     enumeration pass and one DeleteUrlCacheEntry per deleted entry; the CPU time runs until
//     the dialog has closed and includes the probing threads';
//   - the progress messages;
//   - the longest a window of the clicking thread took to answer WM_NULL between click and
//     question, and the longest the progress dialog took while deleting.
// Prints the figures; judges nothing.
#include "BenchClock.h"
#include "CleanUrlCache.h"
#include "app/resource.h"
#include "clean/CacheEnumeration.h"
#include "clean/Cleaning.h"
#include "clean/EntrySelection.h"
#include "clean/ProgressDlg.h"
#include "framework/AppMessages.h"
#include "framework/Event.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

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

constexpr int kWalkRounds = 5;

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
    Clocks total, walk;
    size_t walked = 0;
};
Bare BareApiWork(bool deleteToo) {
    const Clocks start = Clocks::Now();
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
    const Clocks walked = Clocks::Now();
    if (deleteToo) {
        for (const std::string& name : names) ::DeleteUrlCacheEntryA(name.c_str());
    }
    return {Clocks::Now() - start, walked - start, count};
}

// The walk a cleaning plans with, alone.
Clocks Collection(SelectedEntries& chosen) {
    const Clocks start = Clocks::Now();
    CollectEntries(true, true, chosen);
    return Clocks::Now() - start;
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
    Clocks cpuWalk, whole;
    size_t entries = 0;
    int progress = 0, probes = 0, windowProbes = 0;
    double worstReply = 0, worstWindowReply = 0;
    std::string status;
};

// From the click: the planning under its wait, then the progress dialog and its worker until
// WM_DELETE_DONE, with a second thread probing the dialog until its close button shows.
// probeWindow: a third thread probes a window of this thread from the click to the question
// (its requests through the Wine server slow the walk: the timed rounds go without it).
Run Cleaning(bool probeWindow) {
    Run run;
    g_progressMessages = 0;
    g_doneAt = 0;
    std::atomic<CProgressDlg*> dialog{nullptr};
    // The probe sleeps through the collection: a thread that polled all along would charge
    // its wake-ups to the process's CPU time, and to the collection's share of it.
    CEvent dialogMade(true);
    std::thread driver([&] {
        ::WaitForSingleObject(dialogMade.Handle(), INFINITE);
        HWND hwnd = nullptr;
        while ((hwnd = dialog.load()->GetSafeHwnd()) == nullptr || !::IsWindowVisible(hwnd)) {
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
        wchar_t text[256] = {};
        ::GetDlgItemTextW(hwnd, IDC_STATUS, text, 256);
        run.status = ToUtf8(text);
        ::PostMessageA(button, BM_CLICK, 0, 0);
    });
    HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, WatchQueue, nullptr, ::GetCurrentThreadId());
    // A window of the clicking thread, as the main window is, probed from another thread
    // between the click and the question.
    HWND window = ::CreateWindowExW(0, L"STATIC", L"Dustwhirl", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    std::atomic<bool> planning{true}, probing{true};
    std::thread windowProbe([&] {
        while (planning && probeWindow) {
            const double s = Now();
            DWORD_PTR r = 0;
            ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r);
            run.worstWindowReply = std::max(run.worstWindowReply, Now() - s);
            ++run.windowProbes;
            ::Sleep(5);
        }
        probing = false;
    });
    const Clocks yesClocks = Clocks::Now();
    const double yes = Now();
    CCleaning cleaning({true, true, KeepListSource(), ProtectedCacheReach::OfThisProcess()});
    const CCleaning::Planned planned = cleaning.PlanUnder(nullptr);
    run.cpuWalk = Clocks::Now() - yesClocks;
    run.walk = Now() - yes;
    planning = false;
    // The probe may be waiting for this thread's answer: answered until it has stopped.
    for (MSG m; probing;) {
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
        ::Sleep(1);
    }
    windowProbe.join();
    ::DestroyWindow(window);
    run.entries = cleaning.First().entries.size();
    if (planned != CCleaning::Planned::Yes) std::printf("warning: the planning did not end in a plan\n");
    {
        CProgressDlg progress([&](CProgressSink& sink) {
            cleaning.Run(sink);
            return cleaning.CompletionText();
        }, nullptr);
        g_dialogObject = &progress;
        dialog = &progress;
        dialogMade.SetEvent();
        progress.DoModal();
        driver.join();
        g_dialogObject = nullptr;
    }
    ::UnhookWindowsHookEx(hook);
    run.whole = Clocks::Now() - yesClocks;
    run.yesToDone = g_doneAt - yes;
    run.shown -= yes + run.walk;
    run.progress = g_progressMessages;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    CWinApp app;
    app.Enable3dControlsStatic();
    app.SetAppName(L"Dustwhirl");
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {3000, 10000, 24000};

    const double benchStart = Now();
    for (int total : sizes) {
        ClearUrlCache();
        std::vector<std::string> toDelete;
        const std::vector<std::string> names = MixedNames(total, toDelete);
        double t = Now();
        if (!SeedUrlCache(names)) std::printf("warning: the cache refused some entries\n");
        const double seeding = Now() - t;
        std::printf("%d entries (%zu to delete), seeded in %.1f s\n", total, toDelete.size(), seeding);

        // The collection against one bare pass, in alternating rounds on an unchanged cache.
        std::vector<double> bareWall, bareCpu, collWall, collCpu;
        size_t collected = 0;
        // Either goes first in every other round: the one that follows the other runs on the
        // state the other left (the file cache, Wine's mapping of the index), which favours it.
        const int walkRounds = total >= 20000 ? kWalkRounds : 2 * kWalkRounds - 1;
        for (int r = 0; r < walkRounds; ++r) {
            for (int turn = 0; turn < 2; ++turn) {
                if ((r + turn) % 2 == 0) {
                    const Bare bare = BareApiWork(false);
                    bareWall.push_back(bare.walk.wall);
                    bareCpu.push_back(bare.walk.cpu);
                } else {
                    SelectedEntries chosen;
                    const Clocks c = Collection(chosen);
                    collWall.push_back(c.wall);
                    collCpu.push_back(c.cpu);
                    collected = chosen.size();
                }
            }
        }
        std::printf("  walk, median of %d alternating rounds: collection %.3f s wall / %.3f s CPU, bare pass %.3f s "
                    "wall / %.3f s CPU; ratio %.3f by wall clock, %.3f by CPU time (%zu collected)\n",
                    walkRounds, Median(collWall) / 1000, Median(collCpu) / 1000, Median(bareWall) / 1000,
                    Median(bareCpu) / 1000, Median(collWall) / Median(bareWall),
                    Median(bareCpu) > 0 ? Median(collCpu) / Median(bareCpu) : 0.0, collected);

        // Whole cleanings (click to question, then Yes to WM_DELETE_DONE) against the bare work, alternating, with the
        // entries to delete seeded again before each. At the largest size the seeding takes far
        // longer than the runs, so one round there; the walk rounds above carry the comparison.
        const int rounds = total >= 20000 ? 1 : kWalkRounds;
        std::vector<double> runWall, runCpu, runWalkWall, runWalkCpu, bWall, bCpu, bWalkWall, bWalkCpu;
        Run last;
        for (int r = 0; r < rounds; ++r) {
            for (int turn = 0; turn < 2; ++turn) {
                SeedUrlCache(toDelete);
                if ((r + turn) % 2 == 0) {
                    const Bare bare = BareApiWork(true);
                    bWall.push_back(bare.total.wall);
                    bCpu.push_back(bare.total.cpu);
                    bWalkWall.push_back(bare.walk.wall);
                    bWalkCpu.push_back(bare.walk.cpu);
                } else {
                    last = Cleaning(false);
                    runWall.push_back(last.yesToDone * 1000);
                    runCpu.push_back(last.whole.cpu);
                    runWalkWall.push_back(last.cpuWalk.wall);
                    runWalkCpu.push_back(last.cpuWalk.cpu);
                }
            }
        }
        std::printf("  whole cleaning, median of %d alternating rounds: run %.2f s wall / %.2f s CPU, bare work %.2f s "
                    "wall / %.2f s CPU; ratio %.3f by wall clock, %.3f by CPU time\n",
                    rounds, Median(runWall) / 1000, Median(runCpu) / 1000, Median(bWall) / 1000, Median(bCpu) / 1000,
                    Median(runWall) / Median(bWall), Median(bCpu) > 0 ? Median(runCpu) / Median(bCpu) : 0.0);
        std::printf("    its click to question %.3f s wall / %.3f s CPU against the bare pass %.3f s / %.3f s: ratio %.3f "
                    "by wall clock, %.3f by CPU time\n",
                    Median(runWalkWall) / 1000, Median(runWalkCpu) / 1000, Median(bWalkWall) / 1000,
                    Median(bWalkCpu) / 1000, Median(runWalkWall) / Median(bWalkWall),
                    Median(bWalkCpu) > 0 ? Median(runWalkCpu) / Median(bWalkCpu) : 0.0);
        std::printf("    last run: click to question %.3f s, dialog up %.3f s after the question, deleting %.2f s, "
                    "%d posts, WM_NULL answered within %.1f ms (%d probes), %zu entries\n",
                    last.walk, last.shown, last.yesToDone - last.walk - last.shown, last.progress,
                    last.worstReply * 1000, last.probes, last.entries);
        if (total <= 10000) {
            SeedUrlCache(toDelete);
            const Run probed = Cleaning(true);
            std::printf("    a run with the clicking thread's window probed: click to question %.3f s, the window "
                        "answered WM_NULL within %.1f ms (%d probes)\n",
                        probed.walk, probed.worstWindowReply * 1000, probed.windowProbes);
        }
        std::printf("    completion: %s\n", last.status.c_str());
        std::fflush(stdout);
    }
    ClearUrlCache();
    std::printf("targets: collection <= 1.05 x the bare pass, whole cleaning <= 1.10 x the bare work, posts <= 99, "
                "the clicking thread's window answers within 100 ms, the progress dialog within 50 ms\n");
    std::printf("benchmark run time %.0f s\n", Now() - benchStart);
    return 0;
}
