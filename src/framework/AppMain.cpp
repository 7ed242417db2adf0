// Program entry: hands control to the one application object.
#include "WinApp.h"

#include <cstdlib>

// An exception that escapes everything ends the program at once. The C++ library's own handler
// would print the exception's demangled type first, which links its whole demangler (some 45 KB)
// into a GUI program that has no console to print to.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    // This program never runs a message loop outside its modal dialogs: InitInstance runs the
    // main dialog and returns false, and the program ends either way.
    app->InitInstance();
    return app->ExitInstance();
}
