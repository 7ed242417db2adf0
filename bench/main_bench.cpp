// main_bench DUSTWHIRL_EXE BARE_EXE [ROUNDS]
// Start-up of Dustwhirl.exe to a painted, idle window against a bare dialog program, the cost of
// one hover repaint of the main window (measured in-process), and the executable's size.
// main_bench --threads DUSTWHIRL_EXE BARE_EXE
// One start-up of each after a warming one, printing the id of each one's main thread and of the
// thread that closes them: the script counts each main thread's requests in a Wine server trace
// taken meanwhile, up to the close message.
#include "BenchClock.h"
#include "Waiting.h"
#include "app/MainDlg.h"
#include "app/resource.h"
#include "framework/WinApp.h"
#include "skin/PngResource.h"
#include "skin/Resample.h"
#include "skin/SkinImage.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() { return NowMs(); }

struct FindCtx {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND w, LPARAM lp) {
    auto* c = reinterpret_cast<FindCtx*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == c->pid && ::IsWindowVisible(w)) {
        c->found = w;
        return FALSE;
    }
    return TRUE;
}

// From process creation until its window is visible and it waits for input: the wall clock,
// and the CPU time the process was charged by then (read before it is asked to close).
struct Start {
    double wall = -1, cpu = -1;
};
Start StartOnce(const std::string& exe, DWORD* mainThread = nullptr) {
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    double t0 = Now();
    if (!::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
    if (mainThread != nullptr) *mainThread = pi.dwThreadId;
    FindCtx ctx{pi.dwProcessId, nullptr};
    while (ctx.found == nullptr && Now() - t0 < 20000) {
        ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&ctx));
        if (ctx.found == nullptr) ::Sleep(1);
    }
    ::WaitForInputIdle(pi.hProcess, 20000);
    const Start start{Now() - t0, CpuMs(pi.hProcess)};
    if (ctx.found != nullptr) ::PostMessageA(ctx.found, WM_COMMAND, IDCANCEL, 0);
    if (::WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return start;
}

long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return static_cast<long>(a.nFileSizeLow);
}

// The art of the window's first picture (the background and each button's normal face) at this
// scale: decoded whole and then resized where the scale has no art of its own, and as the window
// loads it.
// Medians of the totals of 15 rounds; nothing of it waits for anything.
void MeasureArt(int dpi) {
    const UINT ids[] = {IDB_BACKGROUND, IDB_HELP_NORMAL, IDB_EXIT_NORMAL, IDB_CACHE_NORMAL, IDB_COOKIE_NORMAL,
                        IDB_CACHE_COOKIE_NORMAL};
    const int artDpi = dpi > kDesignDpi ? kLargeArtDpi : kDesignDpi;
    std::vector<double> decode, resize, load;
    for (int round = 0; round < 15; ++round) {
        double decoding = 0, resizing = 0;
        for (UINT id : ids) {
            CPackedDib art, scaled;
            double t0 = Now();
            LoadPngResource(art, static_cast<WORD>(artDpi == kDesignDpi ? id : id + kLargeArtOffset), nullptr);
            double t1 = Now();
            if (dpi != artDpi) {
                const CDpiScale scale(dpi);
                ResampleDib(art, artDpi, scaled, dpi, scale.Scale(::MulDiv(art.Width(), kDesignDpi, artDpi)),
                            scale.Scale(::MulDiv(art.Height(), kDesignDpi, artDpi)));
            }
            resizing += Now() - t1;
            decoding += t1 - t0;
        }
        decode.push_back(decoding);
        resize.push_back(resizing);
        double t0 = Now();
        for (UINT id : ids) CSkinImage().Load(id, dpi);
        load.push_back(Now() - t0);
    }
    std::printf("first picture's art at %d DPI (6 images, from %d-DPI art): decoded whole %.2f ms, then resized"
                " %.2f ms; loaded as the window does (row by row where it resizes): %.2f ms\n",
                dpi, artDpi, Median(decode), Median(resize), Median(load));
}

CMainDlg* g_dlg = nullptr;
double g_hoverMs = 0, g_fullMs = 0;
constexpr int kHoverRounds = 500;

void CALLBACK MeasureRepaints(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HWND w = g_dlg->m_hWnd;
    const RECT& link = g_dlg->LinkRect(0);
    LPARAM on = MAKELPARAM(link.left + 2, link.top + 2), off = MAKELPARAM(250, 60);
    ::UpdateWindow(w);
    double t0 = Now();
    for (int i = 0; i < kHoverRounds; ++i) {
        ::SendMessageA(w, WM_MOUSEMOVE, 0, on);  // underline appears: one row invalidated
        ::UpdateWindow(w);
        ::SendMessageA(w, WM_MOUSEMOVE, 0, off);  // and goes
        ::UpdateWindow(w);
    }
    g_hoverMs = (Now() - t0) / (2.0 * kHoverRounds);
    t0 = Now();
    for (int i = 0; i < 50; ++i) {
        ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    g_fullMs = (Now() - t0) / 50.0;
    g_dlg->EndDialog(IDCANCEL);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: main_bench DUSTWHIRL_EXE BARE_EXE [ROUNDS]\n");
        return 2;
    }
    if (std::string(argv[1]) == "--threads") {
        if (argc < 4) return 2;
        StartOnce(argv[2]);
        StartOnce(argv[3]);
        DWORD program = 0, bare = 0;
        StartOnce(argv[2], &program);
        StartOnce(argv[3], &bare);
        // In the server trace's own notation.
        std::printf("%04lx %04lx %04lx\n", program, bare, ::GetCurrentThreadId());
        return 0;
    }
    CWinApp app;
    app.SetAppName(L"Dustwhirl");
    app.Enable3dControlsStatic();

    int rounds = std::max(1, argc > 3 ? std::atoi(argv[3]) : 7);
    std::vector<double> programWall, programCpu, bareWall, bareCpu;
    StartOnce(argv[1]);  // warm the prefix and the file cache
    StartOnce(argv[2]);
    for (int i = 0; i < rounds; ++i) {
        // Either goes first in every other round, so that neither always follows the other.
        Start p, b;
        if (i % 2 == 0) {
            p = StartOnce(argv[1]);
            b = StartOnce(argv[2]);
        } else {
            b = StartOnce(argv[2]);
            p = StartOnce(argv[1]);
        }
        programWall.push_back(p.wall);
        programCpu.push_back(p.cpu);
        bareWall.push_back(b.wall);
        bareCpu.push_back(b.cpu);
    }
    const double pw = Median(programWall), bw = Median(bareWall), pc = Median(programCpu), bc = Median(bareCpu);
    std::printf("start-up to a painted, idle window (medians of %d alternating rounds):\n", rounds);
    std::printf("                  wall clock    CPU time\n");
    std::printf("  Dustwhirl.exe   %8.1f ms  %8.1f ms  (%ld bytes)\n", pw, pc, FileSize(argv[1]));
    std::printf("  bare dialog     %8.1f ms  %8.1f ms  (%ld bytes)\n", bw, bc, FileSize(argv[2]));
    std::printf("  ratio           %8.2f     %8.2f     (target <= 1.2)\n", pw / bw, bc > 0 ? pc / bc : 0.0);

    HDC screen = ::GetDC(nullptr);
    MeasureArt(::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(nullptr, screen);

    CMainDlg dlg;
    g_dlg = &dlg;
    app.m_pMainWnd = &dlg;
    ::SetTimer(nullptr, 0, 500, MeasureRepaints);
    dlg.DoModal();
    app.m_pMainWnd = nullptr;
    std::printf("hover repaint (one underline row: clipped copy + 1-pixel fill): %.3f ms\n", g_hoverMs);
    std::printf("full-window repaint, for comparison:                          %.3f ms\n", g_fullMs);
    return 0;
}
