// The command line of unattended cleaning:
//   Dustwhirl.exe [/cache | /cookie | /all] [/silent] [/log FILE]
// Options are case-insensitive and start with '/' or '-'. No option at all means the window.
#pragma once

#include "framework/Afx.h"

struct CommandLine {
    enum class Mode {
        Window,    // no option: the main window, as always
        Clean,     // one of /cache, /cookie, /all
        Usage,     // /? or an error: show the usage, delete nothing
    };
    Mode mode = Mode::Window;
    bool bCache = false;
    bool bCookie = false;
    bool bSilent = false;
    CString logPath;  // empty: no log
    CString error;    // why the usage is shown (empty for /?)
};

// Parses the arguments after the program's name, split as the C runtime splits them.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text shown in a message box.
extern const char kCommandLineUsage[];

// Exit codes of an unattended cleaning.
constexpr int kExitAllDeleted = 0;
constexpr int kExitSomeNotDeleted = 1;
constexpr int kExitUsage = 2;
