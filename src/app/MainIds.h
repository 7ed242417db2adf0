// Resource, control and command ids of the main window. Also read by the resource compiler.
#pragma once

#define IDD_MAIN 102

// The picture buttons
#define IDC_CACHE 1000
#define IDC_COOKIE 1001
#define IDC_CACHE_COOKIE 1002
#define IDC_HELP_BUTTON 1003

// The commands the window adds to its system menu
#define IDM_ABOUTBOX 0x0010
#define IDM_OPEN_CACHE_FOLDER 0x0020
#define IDM_OPEN_COOKIE_FOLDER 0x0030
#define IDM_KEEP_LIST 0x0040
#define IDM_SIGN_IN 0x0050
