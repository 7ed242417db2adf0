// Common platform header for the thin application framework.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include <string>

// The program's text: UTF-16, shown through the wide API whatever the system's code page.
using CString = std::wstring;
