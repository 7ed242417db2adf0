#include "app/MainApp.h"
#include "app/MainDlg.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr char kAppName[] = "Dustwhirl";
}

CMainApp theApp;

CMainApp::~CMainApp() = default;

BOOL CMainApp::InitInstance() {
    Enable3dControlsStatic();

    // The name is both the application object's own and the one every window reads.
    std::free(const_cast<char*>(m_pszAppName));
    m_pszAppName = strdup(kAppName);
    AfxSetAppName(m_pszAppName);

    {
        CMainDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    // No message loop of our own: the program ends with its main dialog.
    return FALSE;
}
