#include "app/UnattendedClean.h"

#include "clean/Cleaning.h"
#include "clean/CleaningLog.h"
#include "framework/FileReplace.h"
#include "framework/WinApp.h"

namespace {

// Writes the log; 0 when it is written (or none was asked for), else the exit code that says
// what became of it. Nothing written is lost: a log that could not take its name stays under
// the side file's, and the user is told where.
int WriteLog(const CommandLine& line, const std::string& text, const ReplaceRetry& retry) {
    if (line.logPath.empty()) return 0;
    std::wstring keptAs;
    if (ReplaceFileOrKeep(line.logPath, text, keptAs, retry)) return 0;
    if (!line.bSilent) AfxMessageBox(LogNotWrittenText(line.logPath, keptAs).c_str(), MB_OK | MB_ICONEXCLAMATION);
    return keptAs.empty() ? kExitLogFailed : kExitLogKeptAside;
}

}  // namespace

CString LogNotWrittenText(const std::wstring& path, const std::wstring& keptAs) {
    if (keptAs.empty()) return L"ログを書けませんでした（フォルダーへの書き込みが許されていないか、場所がありません）。\n\nファイル: " + path;
    return L"ログを指定の名前に置けなかったため（ほかのプログラムが開いたままか、その名前のフォルダーや読み取り専用のファイルがあります）、ログは次の名前で残しました。\n\n" + keptAs +
           L"\n\n（指定した名前: " + path + L"）";
}

int RunUnattendedClean(const CommandLine& line, ProtectedCacheReach reach, const ReplaceRetry& logRetry) {
    CCleaning cleaning({line.bCache, line.bCookie, KeepSourceOf(line), std::move(reach)});
    if (cleaning.Plan() != CCleaning::Planned::Yes) {
        // Fail closed: a list that cannot be read must not turn into "keep nothing".
        if (!line.bSilent) AfxMessageBox(cleaning.Error().c_str(), MB_OK | MB_ICONSTOP);
        WriteLog(line, LogLines(cleaning.Error()), logRetry);
        return kExitUsage;
    }
    if (line.bPreview) {
        cleaning.Cancel();
        if (!line.bSilent) AfxMessageBox(cleaning.PreviewText().c_str(), MB_OK | MB_ICONINFORMATION);
        if (const int failed = WriteLog(line, cleaning.PreviewLog(), logRetry)) return failed;
        return cleaning.PreviewComplete() ? kExitAllDeleted : kExitSomeNotDeleted;
    }
    if (line.bSilent) {
        CNoProgress unwatched;
        cleaning.Run(unwatched);
    } else {
        cleaning.RunUnderDialog(nullptr);
    }
    if (const int failed = WriteLog(line, cleaning.Log(), logRetry)) return failed;
    return cleaning.Complete() ? kExitAllDeleted : kExitSomeNotDeleted;
}
