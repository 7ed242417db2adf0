// A program built on Dustwhirl's own start-up code (its WinMain) that, once started, loads a
// library lying beside it by its bare name, as any system call may ask for one. Its exit code
// says what the loader did: 0 it refused (the search was kept to the system folder before
// anything ran), 7 it loaded the planted copy.
#include "framework/WinApp.h"

namespace {

class CStartupHost : public CWinApp {
public:
    BOOL InitInstance() override {
        HMODULE planted = ::LoadLibraryW(L"dw_planted.dll");
        m_loaded = planted != nullptr;
        return FALSE;
    }
    int ExitInstance() override { return m_loaded ? 7 : 0; }

private:
    bool m_loaded = false;
};

CStartupHost theHost;

}  // namespace
