/* Stands in for the browser and the file manager in the tests' Wine prefix: registered as
 * the "open" command of http, https and folders, it appends what the shell gave it to a log.
 *
 *   shellrecorder.exe LOGFILE TARGET...
 *
 * Each start appends one line, in UTF-8: the arguments after LOGFILE joined by tabs (one
 * argument unless a target managed to split the command line). */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <stdlib.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show) {
    (void)inst;
    (void)prev;
    (void)cmd;
    (void)show;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == NULL || argc < 2) return 2;

    size_t cap = 16;
    for (int i = 2; i < argc; ++i) cap += wcslen(argv[i]) * 3 + 1;
    char* record = (char*)malloc(cap);
    if (record == NULL) return 3;
    size_t used = 0;
    for (int i = 2; i < argc; ++i) {
        if (i > 2) record[used++] = '\t';
        int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, record + used, (int)(cap - used), NULL, NULL);
        if (n > 0) used += (size_t)n - 1;
    }
    record[used++] = '\n';

    /* Appending in one write keeps the lines of two quick starts apart. */
    HANDLE log = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && log == INVALID_HANDLE_VALUE; ++attempt) {
        log = CreateFileW(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (log == INVALID_HANDLE_VALUE) Sleep(20);
    }
    if (log == INVALID_HANDLE_VALUE) return 4;
    DWORD written = 0;
    WriteFile(log, record, (DWORD)used, &written, NULL);
    CloseHandle(log);
    free(record);
    LocalFree(argv);
    return 0;
}
