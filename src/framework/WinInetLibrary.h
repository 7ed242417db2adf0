// WinInet, loaded on first use. Loading it (with what it loads in turn) was the largest part
// of the start-up beyond a bare dialog, and only the ad download's worker thread and a
// cleaning call it: so the program does not import it, and every call goes through WinInet().
#pragma once

#include "UniqueHandle.h"

#include <wininet.h>

// The functions the program calls, with the types the header declares for them.
struct WinInetFunctions {
    decltype(&::FindFirstUrlCacheEntryA) FindFirstUrlCacheEntryA;
    decltype(&::FindNextUrlCacheEntryA) FindNextUrlCacheEntryA;
    decltype(&::FindCloseUrlCache) FindCloseUrlCache;
    decltype(&::DeleteUrlCacheEntryA) DeleteUrlCacheEntryA;
    decltype(&::InternetCrackUrlA) InternetCrackUrlA;
    decltype(&::InternetOpenA) InternetOpenA;
    decltype(&::InternetSetStatusCallbackA) InternetSetStatusCallbackA;
    decltype(&::InternetConnectA) InternetConnectA;
    decltype(&::HttpOpenRequestA) HttpOpenRequestA;
    decltype(&::HttpSendRequestA) HttpSendRequestA;
    decltype(&::HttpQueryInfoA) HttpQueryInfoA;
    decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable;
    decltype(&::InternetReadFile) InternetReadFile;
    decltype(&::InternetCloseHandle) InternetCloseHandle;
};

// The functions, loaded by the first call from whichever thread makes it; every call gets the
// same table. Null when the library or one of the functions cannot be loaded: the last error
// is then ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND, so that a caller fails as it does when
// the call itself fails. The library stays loaded until the process ends: a request given up
// on may still call back into the program from WinInet's threads.
const WinInetFunctions* WinInet();

// A session, connection or request. Closing one while a call on it is pending cancels that
// call. A handle was only made through the library, so the library is there to close it.
struct CCloseInternetHandle {
    bool operator()(HINTERNET h) const { return WinInet()->InternetCloseHandle(h) != FALSE; }
};
using CInternetHandle = CUniqueHandle<HINTERNET, CCloseInternetHandle>;
