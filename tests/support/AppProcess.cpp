#include "AppProcess.h"
#include "Waiting.h"

#include "framework/WinUtil.h"

#include <cstdlib>
#include <cwchar>

std::string EnvOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::string(v) : std::string(fallback);
}

AppProcess::~AppProcess() {
    if (m_pi.hProcess != nullptr) {
        if (IsRunning()) {
            ::TerminateProcess(m_pi.hProcess, 1);
            ::WaitForSingleObject(m_pi.hProcess, 5000);
        }
        ::CloseHandle(m_pi.hProcess);
    }
    if (m_pi.hThread != nullptr) ::CloseHandle(m_pi.hThread);
}

bool AppProcess::Start(const std::string& exe, const std::string& args) {
    return StartWide(ToWide(args.data(), args.size(), CP_UTF8), exe);
}

bool AppProcess::StartWide(const std::wstring& args, const std::string& exe) {
    const std::string narrow = exe.empty() ? EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe") : exe;
    const std::wstring path(narrow.begin(), narrow.end());  // a path of the build tree, ASCII
    std::wstring cmd = L"\"" + path + L"\"";
    if (!args.empty()) cmd += L" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!::CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi)) {
        return false;
    }
    ::WaitForInputIdle(m_pi.hProcess, 10000);
    return true;
}

namespace {
struct EnumState {
    DWORD pid;
    std::vector<HWND>* out;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    auto* st = reinterpret_cast<EnumState*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == st->pid && ::IsWindowVisible(hwnd)) st->out->push_back(hwnd);
    return TRUE;
}
}  // namespace

std::vector<HWND> AppProcess::TopWindows() const {
    std::vector<HWND> out;
    EnumState st{m_pi.dwProcessId, &out};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&st));
    return out;
}

HWND AppProcess::WaitForWindow(const char* className, const char* title, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopWindows()) {
                if (className != nullptr && ClassName(w) != className) continue;
                if (title != nullptr && WindowText(w) != title) continue;
                found = w;
                return true;
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool AppProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (::WaitForSingleObject(m_pi.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode != nullptr) ::GetExitCodeProcess(m_pi.hProcess, exitCode);
    return true;
}

bool AppProcess::IsRunning() const {
    return m_pi.hProcess != nullptr && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

std::string WindowText(HWND hwnd) {
    wchar_t buf[1024] = {};
    // WM_GETTEXT works across processes, unlike GetWindowText for another process's controls.
    // Read wide, so the text is what the window holds whatever the code page. No "abort if
    // hung": a thread that spent seconds in a test before its dialog's first message loop looks
    // hung to the system, and the read would come back empty instead of waiting for the loop.
    ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 5000, nullptr);
    return FromWide(buf, std::wcslen(buf), CP_UTF8);
}

std::string ClassName(HWND hwnd) {
    char buf[256] = {};
    ::GetClassNameA(hwnd, buf, sizeof(buf));
    return buf;
}

void PostClick(HWND button) { ::PostMessageA(button, BM_CLICK, 0, 0); }

std::string MessageBoxText(HWND box) { return WindowText(::GetDlgItem(box, 0xFFFF)); }
