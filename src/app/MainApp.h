// The application object of Dustwhirl.
#pragma once

#include "app/CommandLine.h"
#include "framework/WinApp.h"

class CMainApp : public CWinApp {
public:
    CMainApp() = default;
    ~CMainApp() override;
    BOOL InitInstance() override;
    int ExitInstance() override { return static_cast<int>(m_exitCode); }

private:
    ExitCode m_exitCode = ExitCode::AllDeleted;
};
