#include "ShellOpen.h"

#include "Afx.h"
#include "SystemLibrary.h"

#include <shellapi.h>

void ShellOpen(const wchar_t* target) {
    static const auto shellExecute = SystemFunction<decltype(&::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
    // An empty directory (not a missing one) lets the shell start the handler where it likes.
    if (shellExecute != nullptr) shellExecute(nullptr, L"open", target, nullptr, L"", SW_SHOW);
}
