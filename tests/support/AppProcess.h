// Drives Dustwhirl.exe as its own process, as a user would: finds its windows, reads
// their texts, clicks their buttons, and waits for the process to end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class AppProcess {
public:
    AppProcess() = default;
    ~AppProcess();  // a process still running at the end of a test is terminated
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    // Starts the program (the path in %DUSTWHIRL_EXE% unless one is given) with the given
    // command-line arguments (UTF-8).
    bool Start(const std::string& exe = std::string(), const std::string& args = std::string());
    // The same with arguments in UTF-16, for names outside the code page.
    bool StartWide(const std::wstring& args, const std::string& exe = std::string());
    // The first visible top-level window of the process that matches the class (null: any)
    // and title (null: any), waiting up to timeoutMs for it.
    HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs = 10000) const;
    HWND WaitForMainWindow(DWORD timeoutMs = 15000) const { return WaitForWindow("#32770", "Dustwhirl", timeoutMs); }
    // Every visible top-level window of the process.
    std::vector<HWND> TopWindows() const;
    // Waits for the process to end; false on time-out.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    bool IsRunning() const;
    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }

private:
    PROCESS_INFORMATION m_pi{};
};

// A window's text as UTF-8, read through the wide API.
std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);
// Clicks a button without waiting for what the click starts (a modal box, for example).
void PostClick(HWND button);
// A message box's text (its static control 0xFFFF).
std::string MessageBoxText(HWND box);
std::string EnvOr(const char* name, const char* fallback);
