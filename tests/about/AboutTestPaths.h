// What the about tests share: where they find the program, their sample modules and their
// host programs, an independent reading of version strings, and the centring check.
#pragma once

#include <windows.h>

#include <string>

// The program under test (DUSTWHIRL_EXE).
std::string ExePath();
// A file of this test directory's build output, as a Windows path.
std::string AboutBuildFile(const char* name);
// The ANSI text of one string of a file's first translation, read through the wide-character
// functions: std::string("-") when the file or the key is missing.
std::string WideQuery(const std::string& path, const wchar_t* key);
// The box's centre is its owner's, give or take the rounding of an odd difference.
void ExpectCentredOver(HWND box, HWND owner);
