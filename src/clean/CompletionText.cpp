#include "clean/CompletionText.h"

#include "framework/WinUtil.h"

CString FormatCount(ULONGLONG count) {
    CString digits = DecimalText(count);
    for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, L",");
    return digits;
}

CString FormatBytes(ULONGLONG bytes) {
    if (bytes < 1024) return DecimalText(bytes) + L" B";
    static const wchar_t* const units[] = {L"KB", L"MB", L"GB", L"TB"};
    // Tenths of the unit, rounded; a value that rounds up to 1,024.0 moves to the next unit.
    ULONGLONG scale = 1024;
    size_t unit = 0;
    while (unit + 1 < sizeof(units) / sizeof(units[0]) && (bytes * 10 + scale / 2) / scale >= 10240) {
        scale *= 1024;
        ++unit;
    }
    const ULONGLONG tenths = (bytes * 10 + scale / 2) / scale;
    return FormatCount(tenths / 10) + L"." + DecimalText(tenths % 10) + L" " + units[unit];
}

CString RefusalText(const DeletionResult& result) {
    // Entries in use are told apart: the user can close the program that holds them.
    const CString inUse = FormatCount(result.inUse) + L"件はほかのプログラムが使用中";
    const CString other = FormatCount(result.notDeleted) + L"件は";
    if (result.inUse != 0 && result.notDeleted != 0) return inUse + L"、" + other + L"その他の理由で削除できませんでした";
    if (result.inUse != 0) return inUse + L"のため削除できませんでした";
    if (result.notDeleted != 0) return other + L"削除できませんでした";
    return CString();
}

CString CompletionText(const DeletionResult& result) {
    const CString removed = FormatCount(result.Removed()) + L"件、" + FormatBytes(result.bytesFreed);
    const CString kept = result.kept != 0 ? L"、残したクッキー " + FormatCount(result.kept) + L"件" : CString();
    const CString refused = RefusalText(result);
    if (result.walkFailed) {
        const CString head = L"キャッシュの一覧を最後まで読めませんでした";
        return (refused.empty() ? head : head + L"。" + refused) + L"（" + removed + L" を削除" + kept + L"）";
    }
    if (refused.empty()) return L"削除が終わりました（" + removed + kept + L"）";
    return refused + L"（" + removed + L" を削除" + kept + L"）";
}
