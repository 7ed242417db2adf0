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
    struct Kind {
        size_t count;
        const wchar_t* alone;  // the clause when it is the only kind
        const wchar_t* among;  // its short form among others
    };
    // Each kind as it is: an entry in use is not refused but waits for its holder; one not found
    // may still be there; a file left behind is said apart from its entry.
    const Kind kinds[] = {
        {result.inUse, L"件は使用中です。ほかのプログラムが閉じると削除されます", L"件は使用中（閉じると削除）"},
        {result.fileLeft, L"件はキャッシュから削除しましたが、開かれていたファイルが残りました", L"件はファイルが残り"},
        {result.notFound, L"件は見つかりませんでした", L"件は見つからず"},
        {result.notDeleted, L"件は削除できませんでした", L"件は削除できず"},
        {result.denied, L"件は削除を拒否されました（アクセスが拒否されました）", L"件は拒否され"},
    };
    size_t present = 0;
    for (const Kind& kind : kinds) present += kind.count != 0 ? 1 : 0;
    CString text;
    for (const Kind& kind : kinds) {
        if (kind.count == 0) continue;
        if (!text.empty()) text += L"、";
        text += FormatCount(kind.count) + (present == 1 ? kind.alone : kind.among);
    }
    return text;
}

CString CompletionText(const DeletionResult& result) {
    const CString removed = FormatCount(result.deleted) + L"件、" + FormatBytes(result.bytesFreed);
    const CString kept = result.kept != 0 ? L"、残したクッキー " + FormatCount(result.kept) + L"件" : CString();
    const CString refused = RefusalText(result);
    if (result.walkFailed) {
        const CString head = L"キャッシュの一覧を最後まで読めませんでした";
        return (refused.empty() ? head : head + L"。" + refused) + L"（" + removed + L" を削除" + kept + L"）";
    }
    if (refused.empty()) return L"削除が終わりました（" + removed + kept + L"）";
    return refused + L"（" + removed + L" を削除" + kept + L"）";
}
