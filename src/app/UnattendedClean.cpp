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
    case DeleteOutcome::NotFound: return L"見つかりませんでした";
    case DeleteOutcome::InUse: return L"使用中です（ほかのプログラムが閉じると削除されます）";
    case DeleteOutcome::NotDeleted: return L"削除できませんでした";
    case DeleteOutcome::FileLeft: return L"キャッシュから削除しましたが、ファイルは開かれていたため残りました";
    }
    return L"";
}

std::string LogLine(const wchar_t* label, const SelectedEntry& entry) {
    return ToUtf8(label) + "\t" + ToUtf8(DisplayEntryName(entry.url.c_str())) + "\r\n";
}

// One line per entry handled: its outcome and its name.
std::string EntryLines(const SelectedEntries& entries, const DeletionResult& result) {
    std::string text;
    for (size_t i = 0; i < result.outcomes.size() && i < entries.size(); ++i) {
        text += LogLine(OutcomeLabel(result.outcomes[i]), entries[i]);
    }
    return text;
}

// A text of the program as the log's lines: its line breaks in the file's own form.
std::string LogLines(const CString& text) {
    std::string lines;
    for (char c : ToUtf8(text)) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return lines + "\r\n";
}

bool WriteLog(const std::wstring& path, const std::string& text) { return path.empty() || ReplaceFileWith(path, text); }

}  // namespace

int CleaningExitCode(const SelectedEntries& entries, const DeletionResult& result) {
    // A run that stopped part-way, or whose walk did not reach the end, did not delete
    // everything either.
    return result.Complete() && result.Handled() == entries.size() ? kExitAllDeleted : kExitSomeNotDeleted;
}

std::string CleaningLogText(const SelectedEntries& entries, const DeletionResult& firstResult,
                            const SelectedEntries& kept, const SecondPassResult* second) {
    std::string text;
    if (second != nullptr) text += ToUtf8(StageHeading(kUsualCacheStage)) + "\r\n";
    text += EntryLines(entries, firstResult);
    for (const SelectedEntry& entry : kept) text += LogLine(L"残しました", entry);
    if (second != nullptr) {
        text += ToUtf8(StageHeading(kProtectedCacheStage)) + "\r\n" + EntryLines(second->entries, second->result);
        if (second->Failed()) text += ToUtf8(SecondPassFailureText(*second)) + "\r\n";
    }
    // The summary counts both passes; what stopped part-way is the first pass's own.
    const DeletionResult result = second != nullptr ? BothPasses(firstResult, second->result) : firstResult;
    CString summary = L"合計: 削除 " + FormatCount(result.deleted) + L"件、ファイルが残った " +
                      FormatCount(result.fileLeft) + L"件、使用中（閉じると削除） " + FormatCount(result.inUse) +
                      L"件、見つからず " + FormatCount(result.notFound) + L"件、削除できず " +
                      FormatCount(result.notDeleted) + L"件、残した " + FormatCount(result.kept) + L"件、" +
                      FormatBytes(result.bytesFreed) + L" を解放";
    if (firstResult.Handled() < entries.size()) {
        summary += L"（" + FormatCount(entries.size() - firstResult.Handled()) + L"件は途中で止まったため未処理）";
    }
    if (result.walkFailed) summary += L"（キャッシュの一覧を最後まで読めなかったため、残った項目があります）";
    if (second != nullptr && second->Failed()) summary += L"（保護モードのキャッシュは削除できませんでした）";
    return text + ToUtf8(summary) + "\r\n";
}

std::string PreviewLogText(const CleaningPlan& plan) {
    std::string text;
    for (const SelectedEntry& entry : plan.entries) text += LogLine(L"削除します", entry);
    for (const SelectedEntry& entry : plan.kept) text += LogLine(L"残します", entry);
    CString summary = L"合計（何も削除していません）: 削除する項目 " + FormatCount(plan.entries.size()) + L"件、" +
                      FormatBytes(TotalBytes(plan.entries)) + L"、残すクッキー " + FormatCount(plan.kept.size()) + L"件";
    if (plan.walkFailed) summary += L"（キャッシュの一覧を最後まで読めなかったため、ほかにも項目があります）";
    return text + LogLines(summary);
}

int RunUnattendedClean(const CommandLine& line, std::optional<SecondPassRequest> second) {
    CleaningPlan plan;
    CString error;
    bool planned;
    {
        CWaitCursor wait;
        planned = PlanCleaning(line.bCache, line.bCookie, KeepSourceOf(line), plan, error);
    }
    if (!planned) {
        // Fail closed: a list that cannot be read must not turn into "keep nothing".
        if (!line.bSilent) AfxMessageBox(error.c_str(), MB_OK | MB_ICONSTOP);
        WriteLog(line.logPath, LogLines(error));
        return kExitUsage;
    }
    // The second pass obeys the list as this plan read it.
    if (second) second->keep = plan.keep;
    if (line.bPreview) {
        if (!line.bSilent) AfxMessageBox(PreviewText(line.bCache, line.bCookie, plan).c_str(), MB_OK | MB_ICONINFORMATION);
        if (!WriteLog(line.logPath, PreviewLogText(plan))) return kExitLogFailed;
        // A preview that could not see the whole cache is no complete answer.
        return plan.walkFailed ? kExitSomeNotDeleted : kExitAllDeleted;
    }
    DeletionResult result;
    std::optional<SecondPassResult> secondResult;
    if (line.bSilent) {
        result.walkFailed = plan.walkFailed;
        result.kept = plan.kept.size();
        DeleteSelected(plan.entries, result);
        if (second) secondResult = RunSecondPass(*second, plan.entries);
    } else {
        CProgressDlg progress(&plan.entries, nullptr, plan.walkFailed, plan.kept.size(), second ? &*second : nullptr);
        progress.DoModal();
        result = progress.Result();
        if (progress.SecondPass() != nullptr) secondResult = *progress.SecondPass();
    }
    int code = CleaningExitCode(plan.entries, result);
    if (secondResult && !secondResult->Complete()) code = kExitSomeNotDeleted;
    const SecondPassResult* secondShown = secondResult ? &*secondResult : nullptr;
    if (!WriteLog(line.logPath, CleaningLogText(plan.entries, result, plan.kept, secondShown))) return kExitLogFailed;
    return code;
}
