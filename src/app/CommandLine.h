// The command line of unattended cleaning:
//   Dustwhirl.exe [/cache | /cookie | /all] [/silent] [/preview] [/log FILE] [/keep FILE | /nokeep]
// Options are case-insensitive and start with '/' or '-'; a word that starts with either is
// always an option, never the FILE of /log or /keep (".\\-x.log" names such a file). No option at all means the window,
// and so do /keep FILE or /nokeep alone (the window's cleanings then obey that choice).
#pragma once

#include "clean/KeepList.h"
#include "framework/Afx.h"

#include <optional>
#include <string>
#include <vector>

struct CommandLine {
    enum class Mode {
        Window,    // no option: the main window, as always
        Clean,     // one of /cache, /cookie, /all
        Usage,     // /? or an error: show the usage, delete nothing
        // The hidden /secondpass PIPE /secondpassgo PIPE beside a kind: the low-integrity copy's pass,
        // which reports to the parent through the one inherited pipe and waits for its word on
        // the other. Silent; no log of its own.
        SecondPassCopy,
        // /signin cache|cookie|all|off: sets (or, with off, removes) the Run value that cleans
        // at sign-in (bCache, bCookie; neither for off). Deletes nothing itself.
        SignIn,
        // The hidden /atsignin beside a kind: the cleaning the Run value starts. Silent, the
        // stored keep list, its log in a place of its own.
        SignInRun,
    };
    Mode mode = Mode::Window;
    bool bCache = false;
    bool bCookie = false;
    bool silent = false;
    ULONG_PTR reportPipe = 0;   // SecondPassCopy: the handle value of the pipe it reports to
    ULONG_PTR controlPipe = 0;  // SecondPassCopy: the handle value of the pipe it is told to go by
    bool preview = false;  // report what would go, delete nothing
    bool noKeep = false;   // keep no cookie, whatever the stored list says
    CString keepPath;  // the keep list to obey instead of the stored one (empty: stored)
    // SecondPassCopy: the parent's keep list, as its first pass read it (/keeprules HOSTS).
    std::optional<CKeepList> keepRules;
    CString logPath;  // empty: no log. Wide, as typed: a narrow path could name another file
    CString error;         // why the usage is shown (empty for /?)
};

// Parses the arguments after the program's name, as CommandLineToArgvW splits them.
CommandLine ParseCommandLine(int argc, const wchar_t* const* argv);

// The arguments of a command line after the program's name, as CommandLineToArgvW splits
// them. A line with nothing after the name (how the program is started almost always) is
// split without shell32, which is then not loaded at start-up.
std::vector<CString> SplitArguments(const wchar_t* commandLine);

// The arguments of this process after the program's name, read as Unicode.
std::vector<CString> ProcessArguments();

// The keep list that line's cleanings obey.
KeepListSource KeepSourceOf(const CommandLine& line);
// The same when line names it (/keep FILE or /nokeep); none when it means the stored one,
// whose place is then looked up only where it is needed.
std::optional<KeepListSource> NamedKeepList(const CommandLine& line);

// The hidden option of the run that the sign-in value starts ("/atsignin").
extern const wchar_t kSignInRunOption[];

// The usage text shown in a message box.
extern const wchar_t kCommandLineUsage[];

// How an unattended run ends, as its exit code tells the caller. An internal failure that ends
// the program (kExitAborted of the framework) is 4.
enum class ExitCode : int {
    AllDeleted = 0,
    // An entry is not known to be gone: in use (marked, it goes when its holder lets go, but it
    // is there now), its file left on disk, not found (it may still be listed) or refused; or
    // the walk ended early.
    SomeNotDeleted = 1,
    Usage = 2,      // also: the keep list is broken, and nothing was deleted
    LogFailed = 3,  // the cleaning ran but its log could not be written
    RegistryRefused = 3,  // /signin: the registry refused the value
    // The cleaning ran and its log was written, but could not take its name (another program
    // held the file to the end, or a folder or a read-only file has the name): the log stays
    // beside it under its side name (~dustwhirl-….partial), said in a box.
    LogKeptAside = 5,
};
