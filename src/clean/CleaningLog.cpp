#include "clean/CleaningLog.h"

#include "clean/CompletionText.h"
#include "clean/SecondPassText.h"
#include "framework/WinUtil.h"

namespace {

const wchar_t* OutcomeLabel(DeleteOutcome outcome) {
    switch (outcome) {
    case DeleteOutcome::Deleted: return L"削除しました";
    case DeleteOutcome::NotFound: return L"見つかりませんでした";
    case DeleteOutcome::InUse: return L"使用中です（ほかのプログラムが閉じると削除されます）";
    case DeleteOutcome::NotDeleted: return L"削除できませんでした";
    case DeleteOutcome::FileLeft: return L"キャッシュから削除しましたが、ファイルは開かれていたため残りました";
    case DeleteOutcome::Denied: return L"削除を拒否されました（アクセスが拒否されました）";
    }
    return L"";
}

std::string LogLine(const wchar_t* label, const SelectedEntry& entry) {
    return ToUtf8(label) + "\t" + LogEntryName(entry.url) + "\r\n";
}

std::string LabelLines(const wchar_t* label, const SelectedEntries& entries) {
    std::string text;
    for (const SelectedEntry& entry : entries) text += LogLine(label, entry);
    return text;
}

// One line per entry handled: its outcome and its name.
std::string EntryLines(const SelectedEntries& entries, const DeletionResult& result) {
    std::string text;
    for (size_t i = 0; i < result.outcomes.size() && i < entries.size(); ++i) {
        text += LogLine(OutcomeLabel(result.outcomes[i]), entries[i]);
    }
    return text;
}

// A character that ends a line for some reader (C0, DEL, C1 with NEL, the line and paragraph
// separators) or turns what follows around (the bidirectional marks, embeddings, overrides and
// isolates): in a log it would make one entry look like two, or show a name reversed.
bool BreaksOrReordersALine(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string Heading(WPARAM stage) { return ToUtf8(StageHeading(stage)) + "\r\n"; }

}  // namespace

std::string LogEntryName(const std::string& name) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    const CString text = DisplayEntryName(name.c_str());
    CString escaped;
    for (wchar_t c : text) {
        if (!BreaksOrReordersALine(c)) {
            escaped += c;
            continue;
        }
        // A code of one byte as before (\x0A), any other as \x{2028}.
        const unsigned code = c;
        if (code <= 0xFF) {
            escaped += L"\\x";
        } else {
            escaped += L"\\x{";
            escaped += kHex[(code >> 12) & 0xF];
            escaped += kHex[(code >> 8) & 0xF];
        }
        escaped += kHex[(code >> 4) & 0xF];
        escaped += kHex[code & 0xF];
        if (code > 0xFF) escaped += L'}';
    }
    return ToUtf8(escaped);
}

std::string LogLines(const CString& text) {
    std::string lines;
    for (char c : ToUtf8(text)) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return lines + "\r\n";
}

std::string CleaningLogText(const CleaningPlan& first, const DeletionResult& firstResult,
                            const SecondPassResult* second, const CleaningPlan* secondPlan) {
    std::string text;
    if (second != nullptr) text += Heading(kUsualCacheStage);
    text += EntryLines(first.entries, firstResult);
    text += LabelLines(L"残しました", first.kept);
    if (second != nullptr) {
        text += Heading(kProtectedCacheStage) + EntryLines(second->entries, second->result);
        if (secondPlan != nullptr) text += LabelLines(L"残しました", secondPlan->kept);
        if (second->Failed()) text += ToUtf8(SecondPassFailureText(*second)) + "\r\n";
    }
    // The summary counts both passes; what stopped part-way is the first pass's own.
    const DeletionResult result = second != nullptr ? BothPasses(firstResult, second->result) : firstResult;
    CString summary = L"合計: 削除 " + FormatCount(result.deleted) + L"件、ファイルが残った " +
                      FormatCount(result.fileLeft) + L"件、使用中（閉じると削除） " + FormatCount(result.inUse) +
                      L"件、見つからず " + FormatCount(result.notFound) + L"件、削除できず " +
                      FormatCount(result.notDeleted) + L"件、拒否 " + FormatCount(result.denied) + L"件、残した " + FormatCount(result.kept) + L"件、" +
                      FormatBytes(result.bytesFreed) + L" を解放";
    if (firstResult.Handled() < first.entries.size()) {
        summary += L"（" + FormatCount(first.entries.size() - firstResult.Handled()) + L"件は途中で止まったため未処理）";
    }
    if (result.walkFailed) summary += L"（キャッシュの一覧を最後まで読めなかったため、残った項目があります）";
    if (second != nullptr && second->Failed()) summary += L"（保護モードのキャッシュは削除できませんでした）";
    return text + ToUtf8(summary) + "\r\n";
}

std::string PreviewLogText(const CleaningPlan& first, bool withSecond, const CleaningPlan* secondPlan,
                           const CString& secondFailure) {
    std::string text;
    if (withSecond) text += Heading(kUsualCacheStage);
    text += LabelLines(L"削除します", first.entries) + LabelLines(L"残します", first.kept);
    size_t goes = first.entries.size(), kept = first.kept.size();
    ULONGLONG bytes = TotalBytes(first.entries);
    bool walkFailed = first.walkFailed;
    if (withSecond) {
        text += Heading(kProtectedCacheStage);
        if (secondPlan != nullptr) {
            text += LabelLines(L"削除します", secondPlan->entries) + LabelLines(L"残します", secondPlan->kept);
            goes += secondPlan->entries.size();
            kept += secondPlan->kept.size();
            bytes += TotalBytes(secondPlan->entries);
            walkFailed = walkFailed || secondPlan->walkFailed;
        } else {
            text += LogLines(secondFailure);
        }
    }
    CString summary = L"合計（何も削除していません）: 削除する項目 " + FormatCount(goes) + L"件、" +
                      FormatBytes(bytes) + L"、残すクッキー " + FormatCount(kept) + L"件";
    if (walkFailed) summary += L"（キャッシュの一覧を最後まで読めなかったため、ほかにも項目があります）";
    if (withSecond && secondPlan == nullptr) summary += L"（保護モードのキャッシュは含まれていません）";
    return text + LogLines(summary);
}
