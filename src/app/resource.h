// Resource and command ids of Dustwhirl. Also read by the resource compiler.
#pragma once

// Each dialog keeps its own ids beside it; the resource script sees them all through this file.
#include "about/AboutIds.h"
#include "ads/AdIds.h"
#include "clean/ProgressIds.h"

// Dialog templates
#define IDD_MAIN 102
#define IDD_KEEP_LIST 150
#define IDD_SIGN_IN 152

// Icon and cursor groups
#define IDI_MAIN 128

// Skin images, resources of type "PNG"
#define IDB_BACKGROUND 130
#define IDB_CACHE_NORMAL 131
#define IDB_CACHE_HOVER 132
#define IDB_CACHE_PRESSED 133
#define IDB_CACHE_COOKIE_NORMAL 134
#define IDB_CACHE_COOKIE_HOVER 135
#define IDB_CACHE_COOKIE_PRESSED 136
#define IDB_COOKIE_NORMAL 137
#define IDB_COOKIE_HOVER 138
#define IDB_COOKIE_PRESSED 139
#define IDB_HELP_NORMAL 140
#define IDB_HELP_HOVER 141
#define IDB_HELP_PRESSED 142
#define IDB_EXIT_NORMAL 143
#define IDB_EXIT_HOVER 144
#define IDB_EXIT_PRESSED 145

// Controls of the main window
#define IDC_CACHE 1000
#define IDC_COOKIE 1001
#define IDC_CACHE_COOKIE 1002
#define IDC_HELP_BUTTON 1003

// Controls of the keep list's editor
#define IDC_KEEP_HOSTS 1010
#define IDC_KEEP_NEW_HOST 1011
#define IDC_KEEP_ADD 1012
#define IDC_KEEP_FILE 1013
#define IDC_KEEP_STATUS 1014

// Controls of the sign-in dialog: the four choices in this order, then the rest
#define IDC_SIGNIN_OFF 1020
#define IDC_SIGNIN_CACHE 1021
#define IDC_SIGNIN_COOKIE 1022
#define IDC_SIGNIN_ALL 1023
#define IDC_SIGNIN_STATE 1024
#define IDC_SIGNIN_HERE 1025
#define IDC_SIGNIN_LOG 1026

// System-menu commands of the main window
#define IDM_ABOUTBOX 0x0010
#define IDM_OPEN_CACHE_FOLDER 0x0020
#define IDM_OPEN_COOKIE_FOLDER 0x0030
#define IDM_KEEP_LIST 0x0040
#define IDM_SIGN_IN 0x0050
