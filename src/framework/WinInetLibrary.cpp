#include "WinInetLibrary.h"

#include "SystemLibrary.h"

namespace {

INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;
WinInetFunctions g_functions{};
DWORD g_error = ERROR_MOD_NOT_FOUND;  // why the table is unusable; 0 once it is loaded

template <class Function>
bool Resolve(HMODULE module, const char* name, Function& function) {
    // Through void*: a function pointer of another type is what GetProcAddress has to return.
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return function != nullptr;
}

DWORD Load(WinInetFunctions& f) {
    HMODULE module = LoadSystemLibrary(L"wininet.dll");
    if (module == nullptr) return ERROR_MOD_NOT_FOUND;
#define DW_RESOLVE(name) Resolve(module, #name, f.name)
    const bool all = DW_RESOLVE(FindFirstUrlCacheEntryA) && DW_RESOLVE(FindNextUrlCacheEntryA) &&
                     DW_RESOLVE(FindCloseUrlCache) && DW_RESOLVE(DeleteUrlCacheEntryA) &&
                     DW_RESOLVE(InternetCrackUrlA) && DW_RESOLVE(InternetOpenA) &&
                     DW_RESOLVE(InternetSetStatusCallbackA) && DW_RESOLVE(InternetConnectA) &&
                     DW_RESOLVE(HttpOpenRequestA) && DW_RESOLVE(HttpSendRequestA) && DW_RESOLVE(HttpQueryInfoA) &&
                     DW_RESOLVE(InternetQueryDataAvailable) && DW_RESOLVE(InternetReadFile) &&
                     DW_RESOLVE(InternetCloseHandle);
#undef DW_RESOLVE
    return all ? ERROR_SUCCESS : ERROR_PROC_NOT_FOUND;
}

BOOL CALLBACK LoadOnce(PINIT_ONCE, PVOID, PVOID*) {
    g_error = Load(g_functions);
    return TRUE;  // a library that cannot be loaded now is not tried again
}

}  // namespace

const WinInetFunctions* WinInet() {
    ::InitOnceExecuteOnce(&g_once, LoadOnce, nullptr, nullptr);
    if (g_error == ERROR_SUCCESS) return &g_functions;
    ::SetLastError(g_error);
    return nullptr;
}
