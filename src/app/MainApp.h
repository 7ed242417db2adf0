// The application object of Dustwhirl.
#pragma once

#include "framework/WinApp.h"

class CMainApp : public CWinApp {
public:
    CMainApp() = default;
    ~CMainApp() override;
    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }

private:
    int m_nExitCode = 0;
};
