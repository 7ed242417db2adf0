/* A version.dll as someone might plant it beside Dustwhirl.exe: it answers the calls the
   program makes as if no file had a version resource, and leaves "<its own path>.loaded" to
   say that it was loaded at all. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        WCHAR path[MAX_PATH + 8];
        DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcpyW(path + n, L".loaded");
            HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
        }
    }
    return TRUE;
}

DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
    (void)file;
    if (handle != NULL) *handle = 0;
    return 0;
}

BOOL WINAPI GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data) {
    (void)file, (void)handle, (void)size, (void)data;
    return FALSE;
}

BOOL WINAPI VerQueryValueW(LPCVOID block, LPCWSTR sub, LPVOID* buffer, PUINT length) {
    (void)block, (void)sub, (void)buffer, (void)length;
    return FALSE;
}
