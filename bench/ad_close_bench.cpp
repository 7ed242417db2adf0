// ad_close_bench DUSTWHIRL_EXE [ROUNDS]
// How long a press on the exit button takes to end Dustwhirl.exe, from the click until the
// process has gone: after the ad list was served, and while the maker's server holds the
// download without answering (it accepts the request and never sends a byte). The program is
// built with the loopback maker server that the script starts.
#include "BenchClock.h"
#include "AdServer.h"
#include "AppProcess.h"
#include "Waiting.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now() { return NowMs(); }

// One run of the program: started, its download begun (and, when served, given time to
// arrive and show), then closed with the exit button. Milliseconds to the process's end;
// negative when something went wrong.
double CloseOnce(const std::string& exe, AdServer& server, bool stalled) {
    if (!server.Reset()) return -1;
    if (!(stalled ? server.Stall() : server.ServeList("ad,http://127.0.0.1:28017/\n"))) return -1;
    AppProcess app;
    if (!app.Start(exe)) return -1;
    HWND main = app.WaitForMainWindow();
    if (main == nullptr || !WaitUntil([&] { return server.ListRequests() >= 1; }, 10000)) return -1;
    PumpFor(500);  // a served list has arrived by now; a stalled one still waits
    double t0 = Now();
    PostClick(::GetDlgItem(main, IDCANCEL));
    bool ended = app.WaitForExit(30000);
    double elapsed = Now() - t0;
    server.Reset();
    return ended ? elapsed : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ad_close_bench DUSTWHIRL_EXE [ROUNDS]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    AdServer server;
    if (!server.Reset()) {
        std::fprintf(stderr, "the ad server does not answer on port %u\n", AdServer::kPort);
        return 1;
    }
    CloseOnce(exe, server, false);  // warm the prefix and the file cache

    std::vector<double> served, stalled;
    for (int i = 0; i < rounds; ++i) {
        served.push_back(CloseOnce(exe, server, false));
        stalled.push_back(CloseOnce(exe, server, true));
    }
    if (*std::min_element(served.begin(), served.end()) < 0 || *std::min_element(stalled.begin(), stalled.end()) < 0) {
        std::fprintf(stderr, "a run failed (no window, no request, or no exit within 30 s)\n");
        return 1;
    }
    double s = Median(served), h = Median(stalled);
    std::printf("closing Dustwhirl.exe, click to process end, median of %d rounds:\n", rounds);
    std::printf("  after the list was served      %8.1f ms  (min %.1f, max %.1f)\n", s,
                *std::min_element(served.begin(), served.end()), *std::max_element(served.begin(), served.end()));
    std::printf("  during a stalled download      %8.1f ms  (min %.1f, max %.1f)\n", h,
                *std::min_element(stalled.begin(), stalled.end()), *std::max_element(stalled.begin(), stalled.end()));
    std::printf("  added by the stalled download  %8.1f ms  (goal: at most 300 ms)\n", h - s);
    return 0;
}
