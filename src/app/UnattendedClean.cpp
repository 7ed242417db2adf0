#include "app/UnattendedClean.h"

#include "clean/CompletionText.h"
#include "clean/ProgressDlg.h"
#include "clean/SecondPassText.h"
#include "framework/FileReplace.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

namespace {

const wchar_t* OutcomeLabel(DeleteOutcome outcome) {
    switch (outcome) {
    case DeleteOutcome::Deleted: return L"削除しました";
    case DeleteOutcome::AlreadyGone: return L"既にありませんでした";
    case DeleteOutcome::InUse: return L"使用中のため削除できませんでした";
    case DeleteOutcome::NotDeleted: return L"削除できませんでした";
    }
    return L"";
}

// One line per entry handled: its outcome and its name.
std::string EntryLines(const SelectedEntries& entries, const DeletionResult& result) {
    std::string text;
    for (size_t i = 0; i < result.outcomes.size() && i < entries.size(); ++i) {
        text += ToUtf8(OutcomeLabel(result.outcomes[i])) + "\t" + ToUtf8(DisplayEntryName(entries[i].url.c_str())) +
                "\r\n";
    }
    return text;
}

}  // namespace

int CleaningExitCode(const SelectedEntries& entries, const DeletionResult& result) {
    // A run that stopped part-way, or whose walk did not reach the end, did not delete
    // everything either.
    return result.Complete() && result.Handled() == entries.size() ? kExitAllDeleted : kExitSomeNotDeleted;
}

std::string CleaningLogText(const SelectedEntries& entries, const DeletionResult& firstResult,
                            const SecondPassResult* second) {
    std::string text;
    if (second != nullptr) text += ToUtf8(StageHeading(kUsualCacheStage)) + "\r\n";
    text += EntryLines(entries, firstResult);
    if (second != nullptr) {
        text += ToUtf8(StageHeading(kProtectedCacheStage)) + "\r\n" + EntryLines(second->entries, second->result);
        if (second->Failed()) text += ToUtf8(SecondPassFailureText(*second)) + "\r\n";
    }
    // The summary counts both passes; what stopped part-way is the first pass's own.
    const DeletionResult result = second != nullptr ? BothPasses(firstResult, second->result) : firstResult;
    CString summary = L"合計: 削除 " + FormatCount(result.deleted) + L"件、既になし " +
                      FormatCount(result.alreadyGone) + L"件、使用中 " + FormatCount(result.inUse) + L"件、削除できず " +
                      FormatCount(result.notDeleted) + L"件、" + FormatBytes(result.bytesFreed) + L" を解放";
    if (firstResult.Handled() < entries.size()) {
        summary += L"（" + FormatCount(entries.size() - firstResult.Handled()) + L"件は途中で止まったため未処理）";
    }
    if (result.walkFailed) summary += L"（キャッシュの一覧を最後まで読めなかったため、残った項目があります）";
    if (second != nullptr && second->Failed()) summary += L"（保護モードのキャッシュは削除できませんでした）";
    return text + ToUtf8(summary) + "\r\n";
}

bool WriteCleaningLog(const std::wstring& path, const SelectedEntries& entries, const DeletionResult& result,
                      const SecondPassResult* second) {
    return ReplaceFileWith(path, CleaningLogText(entries, result, second));
}

int RunUnattendedClean(const CommandLine& line, const std::optional<SecondPassRequest>& second) {
    SelectedEntries entries;
    DeletionResult result;
    std::optional<SecondPassResult> secondResult;
    if (line.bSilent) {
        const bool walked = CollectEntries(line.bCache, line.bCookie, entries);
        result.walkFailed = !walked;
        DeleteSelected(entries, result);
        if (second) secondResult = RunSecondPass(*second, entries);
    } else {
        bool walked;
        {
            CWaitCursor wait;
            walked = CollectEntries(line.bCache, line.bCookie, entries);
        }
        CProgressDlg progress(&entries, nullptr, !walked, second ? &*second : nullptr);
        progress.DoModal();
        result = progress.Result();
        if (progress.SecondPass() != nullptr) secondResult = *progress.SecondPass();
    }
    int code = CleaningExitCode(entries, result);
    if (secondResult && !secondResult->Complete()) code = kExitSomeNotDeleted;
    const SecondPassResult* secondShown = secondResult ? &*secondResult : nullptr;
    if (!line.logPath.empty() && !WriteCleaningLog(line.logPath, entries, result, secondShown)) return kExitLogFailed;
    return code;
}
