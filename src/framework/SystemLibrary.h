// Libraries of the system that the program loads on first use rather than importing: each one
// imported costs every start-up its loading (and what it loads in turn), though only some
// paths call it. Loaded from the system folder only, and never freed.
#pragma once

#include "Afx.h"

// From here on, every library this process loads by name (its own calls, and those that
// shell32, WinInet and the rest make in turn) is looked for in the system folder only, never in
// the program's folder or the current one. Called first thing; nothing where the system lacks
// SetDefaultDllDirectories (Windows 7 without its update), and false then.
bool KeepDllSearchToTheSystemFolder();

// A library of the system, by file name, from the system folder only: never from the
// program's folder or the current one, where a planted copy may lie. Null on failure.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a system library, of the type the header declares for it (for example
// decltype(&::ShellExecuteW)); null when the library or the function is missing. A caller
// keeps it in a function-local static, so that the lookup is made once.
template <class Function>
Function SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = LoadSystemLibrary(library);
    // Through void*: a function pointer of another type is what GetProcAddress has to return.
    return module != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                             : nullptr;
}
