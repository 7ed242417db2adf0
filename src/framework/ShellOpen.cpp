#include "ShellOpen.h"

#include "Afx.h"

#include <shellapi.h>

void ShellOpen(const char* target) {
    // An empty directory (not a missing one) lets the shell start the handler where it likes.
    ::ShellExecuteA(nullptr, "open", target, nullptr, "", SW_SHOW);
}
