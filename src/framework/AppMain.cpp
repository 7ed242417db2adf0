// Program entry: hands control to the one application object.
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    if (!app->InitInstance()) return app->ExitInstance();
    // This program never runs a message loop outside its modal dialogs.
    return app->ExitInstance();
}
