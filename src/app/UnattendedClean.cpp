#include "app/UnattendedClean.h"

#include "clean/CompletionText.h"
#include "clean/ProgressDlg.h"
#include "framework/FileReplace.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

namespace {

// Text of the ANSI code page (the cache's names) as UTF-8.
CString ToUtf8(const CString& text) { return ConvertCodePage(text.data(), text.size(), CP_ACP, CP_UTF8); }

const char* OutcomeLabel(DeleteOutcome outcome) {
    switch (outcome) {
    case DeleteOutcome::Deleted: return "削除しました";
    case DeleteOutcome::AlreadyGone: return "既にありませんでした";
    case DeleteOutcome::InUse: return "使用中のため削除できませんでした";
    case DeleteOutcome::NotDeleted: return "削除できませんでした";
    }
    return "";
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
        text += ToUtf8(OutcomeLabel(result.outcomes[i])) + "\t" + ToUtf8(entries[i].url) + "\r\n";
    }
    CString summary = "合計: 削除 " + FormatCount(result.deleted) + "件、既になし " + FormatCount(result.alreadyGone) +
                      "件、使用中 " + FormatCount(result.inUse) + "件、削除できず " + FormatCount(result.notDeleted) +
                      "件、" + FormatBytes(result.bytesFreed) + " を解放";
    if (result.Handled() < entries.size()) {
        summary += "（" + FormatCount(entries.size() - result.Handled()) + "件は途中で止まったため未処理）";
    }
    if (result.walkFailed) summary += "（キャッシュの一覧を最後まで読めなかったため、残った項目があります）";
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
