#include "app/UnattendedClean.h"

#include "clean/Cleaning.h"
#include "clean/CleaningLog.h"
#include "framework/FileReplace.h"
#include "framework/WinApp.h"

namespace {

bool WriteLog(const std::wstring& path, const std::string& text) { return path.empty() || ReplaceFileWith(path, text); }

}  // namespace

int RunUnattendedClean(const CommandLine& line, ProtectedCacheReach reach) {
    CCleaning cleaning({line.bCache, line.bCookie, KeepSourceOf(line), std::move(reach)});
    if (cleaning.Plan() != CCleaning::Planned::Yes) {
        // Fail closed: a list that cannot be read must not turn into "keep nothing".
        if (!line.bSilent) AfxMessageBox(cleaning.Error().c_str(), MB_OK | MB_ICONSTOP);
        WriteLog(line.logPath, LogLines(cleaning.Error()));
        return kExitUsage;
    }
    if (line.bPreview) {
        cleaning.Cancel();
        if (!line.bSilent) AfxMessageBox(cleaning.PreviewText().c_str(), MB_OK | MB_ICONINFORMATION);
        if (!WriteLog(line.logPath, cleaning.PreviewLog())) return kExitLogFailed;
        return cleaning.PreviewComplete() ? kExitAllDeleted : kExitSomeNotDeleted;
    }
    if (line.bSilent) {
        CNoProgress unwatched;
        cleaning.Run(unwatched);
    } else {
        cleaning.RunUnderDialog(nullptr);
    }
    if (!WriteLog(line.logPath, cleaning.Log())) return kExitLogFailed;
    return cleaning.Complete() ? kExitAllDeleted : kExitSomeNotDeleted;
}
