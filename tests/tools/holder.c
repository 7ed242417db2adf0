/* dw_holder: holds open what a check on a real Windows needs held, until Enter is pressed.
 *   dw_holder file PATH    opens PATH as a scanner does: others may read and write it, but not
 *                          replace, rename or delete it (the log's final move then fails)
 *   dw_holder write PATH   opens PATH for writing and lets nobody else open it (an editor
 *                          half-way through saving it)
 *   dw_holder entry URL    locks the URL cache entry of that name, as a browser showing it does
 *                          (its file is held; run at low integrity for the Protected Mode cache)
 * It says what it holds, or the system's error code when it cannot (exit 1). Built beside the
 * tests for the Windows check list; never part of the user's package. */
#include <windows.h>
#include <wininet.h>

#include <stdio.h>
#include <string.h>

static void WaitForEnter(void) {
    char line[16];
    printf("Enter を押すと放します。\n");
    fflush(stdout);
    if (fgets(line, sizeof(line), stdin) == NULL) Sleep(INFINITE);
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: dw_holder file PATH | write PATH | entry URL\n");
        return 2;
    }
    if (wcscmp(argv[1], L"file") == 0 || wcscmp(argv[1], L"write") == 0) {
        const BOOL write = wcscmp(argv[1], L"write") == 0;
        HANDLE file = CreateFileW(argv[2], write ? GENERIC_WRITE : GENERIC_READ,
                                  write ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, write ? OPEN_ALWAYS : OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "cannot open the file: error %lu\n", GetLastError());
            return 1;
        }
        printf("holding the file (%s)\n", write ? "no one else may open it" : "others may read it, not replace it");
        WaitForEnter();
        CloseHandle(file);
        return 0;
    }
    if (wcscmp(argv[1], L"entry") == 0) {
        char url[4096];
        char buffer[8192];
        DWORD size = sizeof(buffer);
        if (WideCharToMultiByte(CP_ACP, 0, argv[2], -1, url, sizeof(url), NULL, NULL) == 0) return 2;
        if (!RetrieveUrlCacheEntryFileA(url, (INTERNET_CACHE_ENTRY_INFOA*)buffer, &size, 0)) {
            fprintf(stderr, "cannot lock the entry: error %lu\n", GetLastError());
            return 1;
        }
        printf("holding the entry; its file: %s\n", ((INTERNET_CACHE_ENTRY_INFOA*)buffer)->lpszLocalFileName);
        WaitForEnter();
        UnlockUrlCacheEntryFileA(url, 0);
        return 0;
    }
    fprintf(stderr, "unknown mode\n");
    return 2;
}
