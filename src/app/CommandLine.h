// The command line of unattended cleaning:
//   Dustwhirl.exe [/cache | /cookie | /all] [/silent] [/log FILE]
// Options are case-insensitive and start with '/' or '-'. No option at all means the window.
#pragma once

#include "framework/Afx.h"

#include <string>
#include <vector>

struct CommandLine {
    enum class Mode {
        Window,    // no option: the main window, as always
        Clean,     // one of /cache, /cookie, /all
        Usage,     // /? or an error: show the usage, delete nothing
        // The hidden /lowpass PIPE beside a kind: the low-integrity copy's pass, which reports
        // to the parent through the inherited pipe. Silent; no log of its own.
        SecondPassCopy,
    };
    Mode mode = Mode::Window;
    bool bCache = false;
    bool bCookie = false;
    bool bSilent = false;
    ULONG_PTR reportPipe = 0;  // SecondPassCopy: the handle value of the parent's pipe
    std::wstring logPath;  // empty: no log. Wide, as typed: a narrow path could name another file
    CString error;         // why the usage is shown (empty for /?)
};

// Parses the arguments after the program's name, as CommandLineToArgvW splits them.
CommandLine ParseCommandLine(int argc, const wchar_t* const* argv);

// The arguments of this process after the program's name, read as Unicode.
std::vector<std::wstring> ProcessArguments();

// The usage text shown in a message box.
extern const wchar_t kCommandLineUsage[];

// Exit codes of an unattended cleaning. An internal failure that ends the program
// (kExitAborted of the framework) is 4.
constexpr int kExitAllDeleted = 0;
constexpr int kExitSomeNotDeleted = 1;  // an entry could not be deleted, or the walk ended early
constexpr int kExitUsage = 2;
constexpr int kExitLogFailed = 3;  // the cleaning ran but its log could not be written
