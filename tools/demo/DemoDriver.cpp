// dw_demo seed FILE           fill the URL cache with sample entries of every kind, names into FILE
// dw_demo report FILE         print which of the sample entries are gone and which are kept
// dw_demo tour EXE DIR        run EXE through one cookie cleaning, saving a screenshot (BMP) of each step
// dw_demo hold URL SECONDS    hold the cached file of URL open that long, as a reader would: a
//                             cleaning meanwhile cannot delete that entry
#include "clean/CacheEnumeration.h"

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

struct Sample {
    const char* url;
    DWORD type;
    const char* body;  // content stored with the entry (null: none)
};

// A morning of browsing: pages and images, cookies, and the history that must survive.
const Sample kSamples[] = {
    {"http://www.example.jp/index.html", NORMAL_CACHE_ENTRY, "<html><body>top page</body></html>"},
    {"http://www.example.jp/images/logo.png", NORMAL_CACHE_ENTRY, "PNG..."},
    {"https://news.example.com/today/article.html", NORMAL_CACHE_ENTRY, "<html>news</html>"},
    {"https://shop.example.net/cart.js", NORMAL_CACHE_ENTRY, "var cart = [];"},
    {"Cookie:user@example.jp/", COOKIE_CACHE_ENTRY, "session\n1234\nexample.jp/\n"},
    {"Cookie:user@shop.example.net/", COOKIE_CACHE_ENTRY, "cart\nabcd\nshop.example.net/\n"},
    {"Visited: user@http://www.example.jp/index.html", URLHISTORY_CACHE_ENTRY, nullptr},
    {"Visited: user@https://news.example.com/today/article.html", URLHISTORY_CACHE_ENTRY, nullptr},
};

bool Commit(const Sample& s) {
    char file[MAX_PATH] = {};
    if (s.body != nullptr) {
        if (!::CreateUrlCacheEntryA(s.url, 0, "", file, 0)) return false;
        HANDLE h = ::CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        ::WriteFile(h, s.body, static_cast<DWORD>(strlen(s.body)), &written, nullptr);
        ::CloseHandle(h);
    }
    FILETIME none{};
    return ::CommitUrlCacheEntryA(s.url, s.body ? file : nullptr, none, none, s.type, nullptr, 0, nullptr, nullptr) != FALSE;
}

std::set<std::string> CacheNames() {
    std::set<std::string> names;
    CCacheEnumeration walk(nullptr);
    while (const INTERNET_CACHE_ENTRY_INFOA* entry = walk.Next()) {
        if (entry->lpszSourceUrlName != nullptr) names.insert(entry->lpszSourceUrlName);
    }
    return names;
}

int Seed(const char* listFile) {
    std::ofstream out(listFile);
    int ok = 0;
    for (const Sample& s : kSamples) {
        if (Commit(s)) {
            out << s.url << "\n";
            ++ok;
        } else {
            std::fprintf(stderr, "could not add %s\n", s.url);
        }
    }
    std::printf("Sample URL cache: %d entries (pages and images, cookies, history).\n", ok);
    return ok > 0 ? 0 : 1;
}

int Report(const char* listFile) {
    std::ifstream in(listFile);
    std::set<std::string> now = CacheNames();
    std::string line, kept, gone;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        (now.count(line) ? kept : gone) += "  " + line + "\n";
    }
    std::printf("Deleted:\n%s", gone.empty() ? "  (nothing)\n" : gone.c_str());
    std::printf("Kept:\n%s", kept.empty() ? "  (nothing)\n" : kept.c_str());
    return 0;
}

// --- the tour ------------------------------------------------------------------------------

DWORD g_pid = 0;

struct FindContext {
    bool (*match)(HWND);
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND w, LPARAM lp) {
    auto* c = reinterpret_cast<FindContext*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == g_pid && ::IsWindowVisible(w) && c->match(w)) {
        c->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND FindTop(bool (*match)(HWND), DWORD timeoutMs) {
    FindContext ctx{match, nullptr};
    DWORD start = ::GetTickCount();
    do {
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&ctx));
        if (ctx.found != nullptr) return ctx.found;
        ::Sleep(100);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool IsMainWindow(HWND w) {
    char title[64] = {};
    ::GetWindowTextA(w, title, sizeof(title));
    return std::string(title) == "Dustwhirl" && ::GetDlgItem(w, 1000) != nullptr;
}
bool IsMessageBox(HWND w) { return ::GetDlgItem(w, 0xFFFF) != nullptr; }
bool IsAboutBox(HWND w) { return ::GetDlgItem(w, 1006) != nullptr; }
bool IsProgress(HWND w) { return ::GetDlgItem(w, 1005) != nullptr; }

// Saves the whole screen as a 24-bit BMP.
void Capture(const std::string& path) {
    int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + stride * h), 0, 0,
                        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof(fh));
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(BITMAPINFOHEADER));
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride * h));
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    std::printf("  screenshot %s\n", path.c_str());
}

int Tour(const char* exe, const std::string& dir) {
    std::string cmd = std::string("\"") + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(exe, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start %s\n", exe);
        return 1;
    }
    g_pid = pi.dwProcessId;
    ::SetCursorPos(4, 4);  // the pointer starts in the middle of the screen, over a button
    int rc = 1;
    if (HWND main = FindTop(IsMainWindow, 20000)) {
        ::Sleep(1500);
        Capture(dir + "\\1-main-window.bmp");

        ::PostMessageA(main, WM_SYSCOMMAND, 0x0010, 0);  // the system menu's version information
        if (HWND about = FindTop(IsAboutBox, 10000)) {
            ::Sleep(800);
            Capture(dir + "\\2-about-box.bmp");
            ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(about, IDOK)));
            // The next step's picture must not show the box still on its way out.
            DWORD start = ::GetTickCount();
            while (::IsWindow(about) && ::GetTickCount() - start < 10000) ::Sleep(50);
            ::Sleep(500);
        }

        HWND cookie = ::GetDlgItem(main, 1001);
        RECT rc1;
        ::GetWindowRect(cookie, &rc1);
        ::SetCursorPos((rc1.left + rc1.right) / 2, (rc1.top + rc1.bottom) / 2);
        ::Sleep(800);
        Capture(dir + "\\3-hover-cookie-button.bmp");

        ::PostMessageA(cookie, BM_CLICK, 0, 0);
        if (HWND box = FindTop(IsMessageBox, 10000)) {
            ::Sleep(500);
            Capture(dir + "\\4-confirmation.bmp");
            ::PostMessageA(box, WM_COMMAND, IDYES, 0);
            if (HWND progress = FindTop(IsProgress, 10000)) {
                HWND end = ::GetDlgItem(progress, 1004);
                DWORD start = ::GetTickCount();
                while (!::IsWindowVisible(end) && ::GetTickCount() - start < 60000) ::Sleep(50);
                ::Sleep(500);
                Capture(dir + "\\5-completed.bmp");
                ::PostMessageA(end, BM_CLICK, 0, 0);
                if (::WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0) rc = 0;
            }
        }
    }
    if (rc != 0) {
        std::fprintf(stderr, "the tour did not complete; the program is ended\n");
        ::TerminateProcess(pi.hProcess, 1);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return rc;
}

}  // namespace

int Hold(const char* url, int seconds) {
    std::vector<char> buf(4096);
    DWORD size = static_cast<DWORD>(buf.size());
    if (!::RetrieveUrlCacheEntryFileA(url, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buf.data()), &size, 0)) {
        std::fprintf(stderr, "cannot hold %s\n", url);
        return 1;
    }
    std::printf("Holding %s for %d s.\n", url, seconds);
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(seconds) * 1000);
    ::UnlockUrlCacheEntryFileA(url, 0);
    return 0;
}

int main(int argc, char** argv) {
    // Screen coordinates and screenshots in real pixels at every display scale.
    ::SetProcessDPIAware();
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "seed" && argc == 3) return Seed(argv[2]);
    if (mode == "report" && argc == 3) return Report(argv[2]);
    if (mode == "tour" && argc == 4) return Tour(argv[2], argv[3]);
    if (mode == "hold" && argc == 4) return Hold(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: dw_demo seed FILE | report FILE | tour EXE DIR | hold URL SECONDS\n");
    return 2;
}
