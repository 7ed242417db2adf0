#include "app/UnattendedClean.h"

#include "clean/CompletionText.h"
#include "clean/ProgressDlg.h"
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

}  // namespace

int CleaningExitCode(const SelectedEntries& entries, const DeletionResult& result) {
    // A run that stopped part-way, or whose walk did not reach the end, did not delete
    // everything either.
    return result.Complete() && result.Handled() == entries.size() ? kExitAllDeleted : kExitSomeNotDeleted;
}

std::string CleaningLogText(const SelectedEntries& entries, const DeletionResult& result) {
    std::string text;
    for (size_t i = 0; i < result.outcomes.size() && i < entries.size(); ++i) {
        text += ToUtf8(OutcomeLabel(result.outcomes[i])) + "\t" + ToUtf8(DisplayEntryName(entries[i].url.c_str())) +
                "\r\n";
    }
    CString summary = L"合計: 削除 " + FormatCount(result.deleted) + L"件、既になし " +
                      FormatCount(result.alreadyGone) + L"件、使用中 " + FormatCount(result.inUse) + L"件、削除できず " +
                      FormatCount(result.notDeleted) + L"件、" + FormatBytes(result.bytesFreed) + L" を解放";
    if (result.Handled() < entries.size()) {
        summary += L"（" + FormatCount(entries.size() - result.Handled()) + L"件は途中で止まったため未処理）";
    }
    if (result.walkFailed) summary += L"（キャッシュの一覧を最後まで読めなかったため、残った項目があります）";
    return text + ToUtf8(summary) + "\r\n";
}

bool WriteCleaningLog(const std::wstring& path, const SelectedEntries& entries, const DeletionResult& result) {
    return ReplaceFileWith(path, CleaningLogText(entries, result));
}

int RunUnattendedClean(const CommandLine& line) {
    SelectedEntries entries;
    DeletionResult result;
    if (line.bSilent) {
        const bool walked = CollectEntries(line.bCache, line.bCookie, entries);
        result.walkFailed = !walked;
        DeleteSelected(entries, result);
    } else {
        bool walked;
        {
            CWaitCursor wait;
            walked = CollectEntries(line.bCache, line.bCookie, entries);
        }
        CProgressDlg progress(&entries, nullptr, !walked);
        progress.DoModal();
        result = progress.Result();
    }
    const int code = CleaningExitCode(entries, result);
    if (!line.logPath.empty() && !WriteCleaningLog(line.logPath, entries, result)) return kExitLogFailed;
    return code;
}
