// What a screen reader learns of a window: its accessible object, asked through oleacc as a
// reader asks (AccessibleObjectFromWindow on the window's client object).
#pragma once

#include <windows.h>

#include <string>

// The accessible name of hwnd's client object, as UTF-8; "<no object: HRESULT>" when oleacc gives none,
// "<no name>" when the object has no name or an empty one.
std::string AccessibleName(HWND hwnd);
