#include "ShellOpen.h"

#include "Afx.h"

#include <shellapi.h>

void ShellOpen(const wchar_t* target) {
    // An empty directory (not a missing one) lets the shell start the handler where it likes.
    ::ShellExecuteW(nullptr, L"open", target, nullptr, L"", SW_SHOW);
}
