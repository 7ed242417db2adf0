#include "clean/CompletionText.h"

#include <cstdio>

CString FormatCount(ULONGLONG count) {
    CString digits = std::to_string(count);
    for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

CString FormatBytes(ULONGLONG bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    // Tenths of the unit, rounded; a value that rounds up to 1,024.0 moves to the next unit.
    ULONGLONG scale = 1024;
    size_t unit = 0;
    while (unit + 1 < sizeof(units) / sizeof(units[0]) && (bytes * 10 + scale / 2) / scale >= 10240) {
        scale *= 1024;
        ++unit;
    }
    const ULONGLONG tenths = (bytes * 10 + scale / 2) / scale;
    char text[48];
    std::snprintf(text, sizeof(text), "%s.%u %s", FormatCount(tenths / 10).c_str(), static_cast<unsigned>(tenths % 10),
                  units[unit]);
    return text;
}

CString RefusalText(const DeletionResult& result) {
    // Entries in use are told apart: the user can close the program that holds them.
    const CString inUse = FormatCount(result.inUse) + "件はほかのプログラムが使用中";
    const CString other = FormatCount(result.notDeleted) + "件は";
    if (result.inUse != 0 && result.notDeleted != 0) return inUse + "、" + other + "その他の理由で削除できませんでした";
    if (result.inUse != 0) return inUse + "のため削除できませんでした";
    if (result.notDeleted != 0) return other + "削除できませんでした";
    return CString();
}

CString CompletionText(const DeletionResult& result) {
    const CString removed = FormatCount(result.Removed()) + "件、" + FormatBytes(result.bytesFreed);
    const CString refused = RefusalText(result);
    if (result.walkFailed) {
        const CString head = "キャッシュの一覧を最後まで読めませんでした";
        return (refused.empty() ? head : head + "。" + refused) + "（" + removed + " を削除）";
    }
    if (refused.empty()) return "削除が終わりました（" + removed + "）";
    return refused + "（" + removed + " を削除）";
}
