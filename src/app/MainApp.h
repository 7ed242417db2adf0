// The application object of Dustwhirl.
#pragma once

#include "framework/WinApp.h"

class CMainApp : public CWinApp {
public:
    CMainApp() = default;
    ~CMainApp() override;
    BOOL InitInstance() override;
};
