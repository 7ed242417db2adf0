// Program entry: hands control to the one application object.
#include "SystemLibrary.h"
#include "WinApp.h"

#include <csignal>
#include <cstdlib>

// An exception that escapes everything ends the program at once. The C++ library's own handler
// would print the exception's demangled type first, which links its whole demangler (some 45 KB)
// into a GUI program that has no console to print to.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::_Exit(kExitAborted); }
}  // namespace __gnu_cxx

namespace {
void OnAbort(int) { std::_Exit(kExitAborted); }
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a library: the program may be run from a folder where anyone
    // could have put a DLL of a system name (Downloads, a shared folder).
    KeepDllSearchToTheSystemFolder();
    // abort() would end the program with 3, a code the command line gives another meaning.
    std::signal(SIGABRT, OnAbort);
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    // This program never runs a message loop outside its modal dialogs: InitInstance runs the
    // main dialog and returns false, and the program ends either way.
    app->InitInstance();
    return app->ExitInstance();
}
