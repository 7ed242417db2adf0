#include "app/UnattendedClean.h"

#include "clean/Cleaning.h"
#include "clean/CleaningLog.h"
#include "framework/FileReplace.h"
#include "framework/WinApp.h"

namespace {

// Writes the log; none when it is written (or none was asked for), else the exit code that
// says what became of it. Nothing written is lost: a log that could not take its name stays
// under the side file's, and the user is told where.
std::optional<ExitCode> WriteLog(const CommandLine& line, const std::string& text, const ReplaceRetry& retry) {
    if (line.logPath.empty()) return std::nullopt;
    CString keptAs;
    if (ReplaceFileOrKeep(line.logPath, text, keptAs, retry)) return std::nullopt;
    if (!line.silent) AfxMessageBox(LogNotWrittenText(line.logPath, keptAs).c_str(), MB_OK | MB_ICONEXCLAMATION);
    return keptAs.empty() ? ExitCode::LogFailed : ExitCode::LogKeptAside;
}

}  // namespace

CString LogNotWrittenText(const CString& path, const CString& keptAs) {
    if (keptAs.empty()) return L"ログを書けませんでした（フォルダーへの書き込みが許されていないか、場所がありません）。\n\nファイル: " + path;
    return L"ログを指定の名前に置けなかったため（ほかのプログラムが開いたままか、その名前のフォルダーや読み取り専用のファイルがあります）、ログは次の名前で残しました。\n\n" + keptAs +
           L"\n\n（指定した名前: " + path + L"）";
}

ExitCode RunUnattendedClean(const CommandLine& line, ProtectedCacheReach reach, const ReplaceRetry& logRetry) {
    CCleaning cleaning({line.bCache, line.bCookie, KeepSourceOf(line), std::move(reach)});
    if (cleaning.Plan() != CCleaning::Planned::Yes) {
        // Fail closed: a list that cannot be read must not turn into "keep nothing".
        if (!line.silent) AfxMessageBox(cleaning.Error().c_str(), MB_OK | MB_ICONSTOP);
        WriteLog(line, LogLines(cleaning.Error()), logRetry);
        return ExitCode::Usage;
    }
    if (line.preview) {
        cleaning.Cancel();
        if (!line.silent) AfxMessageBox(cleaning.PreviewText().c_str(), MB_OK | MB_ICONINFORMATION);
        if (const std::optional<ExitCode> failed = WriteLog(line, cleaning.PreviewLog(), logRetry)) return *failed;
        return cleaning.PreviewComplete() ? ExitCode::AllDeleted : ExitCode::SomeNotDeleted;
    }
    if (line.silent) {
        CNoProgress unwatched;
        cleaning.Run(unwatched);
    } else {
        cleaning.RunUnderDialog(nullptr);
    }
    if (const std::optional<ExitCode> failed = WriteLog(line, cleaning.Log(), logRetry)) return *failed;
    return cleaning.Complete() ? ExitCode::AllDeleted : ExitCode::SomeNotDeleted;
}
