#include "SystemLibrary.h"

#include <string>

bool KeepDllSearchToTheSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto restrict = kernel != nullptr ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                                  ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                            : nullptr;
    return restrict != nullptr && restrict(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    // By its full path: a bare name would be answered by any module of that name already
    // loaded, a copy planted beside the program included, had anything taken one.
    const CString path = CString(folder, length) + L"\\" + name;
    // The search flags exist where AddDllDirectory does (Windows 8, and 7 with its update).
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel != nullptr && ::GetProcAddress(kernel, "AddDllDirectory") != nullptr) {
        return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // From a full path, what the library loads in turn is looked for beside it first.
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
