#include "app/UnattendedClean.h"

#include "clean/CompletionText.h"
#include "clean/ProgressDlg.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

#include <cstdio>
#include <memory>

namespace {

// Text of the ANSI code page (the cache's names) as UTF-8.
CString ToUtf8(const CString& text) { return ConvertCodePage(text.data(), text.size(), CP_ACP, CP_UTF8); }

const char* OutcomeLabel(DeleteOutcome outcome) {
    switch (outcome) {
    case DeleteOutcome::Deleted: return "削除しました";
    case DeleteOutcome::AlreadyGone: return "既にありませんでした";
    case DeleteOutcome::NotDeleted: return "削除できませんでした";
    }
    return "";
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

int CleaningExitCode(const SelectedEntries& entries, const DeletionResult& result) {
    // A run that stopped part-way did not delete everything either.
    return result.AllRemoved() && result.Handled() == entries.size() ? kExitAllDeleted : kExitSomeNotDeleted;
}

bool WriteCleaningLog(const CString& path, const SelectedEntries& entries, const DeletionResult& result) {
    const CString partial = path + ".partial";
    {
        std::unique_ptr<FILE, FileCloser> file(std::fopen(partial.c_str(), "wb"));
        if (!file) return false;
        CString text;
        for (size_t i = 0; i < result.outcomes.size() && i < entries.size(); ++i) {
            text += ToUtf8(OutcomeLabel(result.outcomes[i])) + "\t" + ToUtf8(entries[i].url) + "\r\n";
        }
        CString summary = "合計: 削除 " + FormatCount(result.deleted) + "件、既になし " +
                          FormatCount(result.alreadyGone) + "件、削除できず " + FormatCount(result.notDeleted) +
                          "件、" + FormatBytes(result.bytesFreed) + " を解放";
        if (result.Handled() < entries.size()) {
            summary += "（" + FormatCount(entries.size() - result.Handled()) + "件は途中で止まったため未処理）";
        }
        text += ToUtf8(summary) + "\r\n";
        if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() || std::fflush(file.get()) != 0) {
            file.reset();
            ::DeleteFileA(partial.c_str());
            return false;
        }
    }
    if (!::MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        ::DeleteFileA(partial.c_str());
        return false;
    }
    return true;
}

int RunUnattendedClean(const CommandLine& line) {
    SelectedEntries entries;
    DeletionResult result;
    if (line.bSilent) {
        CollectEntries(line.bCache, line.bCookie, entries);
        DeleteSelected(entries, result);
    } else {
        {
            CWaitCursor wait;
            CollectEntries(line.bCache, line.bCookie, entries);
        }
        CProgressDlg progress(&entries, nullptr);
        progress.DoModal();
        result = progress.Result();
    }
    const int code = CleaningExitCode(entries, result);
    if (!line.logPath.empty() && !WriteCleaningLog(line.logPath, entries, result)) return kExitLogFailed;
    return code;
}
