#include "app/SignInRun.h"

#include "app/SignInSetting.h"
#include "app/UnattendedClean.h"
#include "framework/FileReplace.h"
#include "framework/UniqueHandle.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

#include <shlobj.h>

// A second run waits for nothing and does nothing, and the window knows that a "running"
// note is no run that died.
const wchar_t kSignInRunMutex[] = L"Local\\Dustwhirl.SignInRun";

namespace {

constexpr char kRunning[] = "running";
// A note is a word or a number: anything longer is not one this program wrote.
constexpr DWORD kMaxNoteBytes = 16;

bool RunInProgress() {
    CKernelHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kSignInRunMutex));
    return static_cast<bool>(mutex);
}

// The note's bytes; none when there is no note. A note that cannot be read is reported as
// what it is, never taken for a good run.
std::optional<std::string> ReadNote(const CString& path) {
    CFileHandle file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
        return std::string("?");
    }
    char bytes[kMaxNoteBytes + 1] = {};
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes, sizeof(bytes), &got, nullptr) || got > kMaxNoteBytes) return std::string("?");
    return std::string(bytes, got);
}

// What a note says of a run that never wrote its end, and of a note that is not one of ours.
constexpr int kEndedUnseen = -1;
constexpr int kEndUnknown = -2;

// A note holds any number a file can: it is read as a number and only then matched to an end.
constexpr int NoteCode(ExitCode code) { return static_cast<int>(code); }

// A plain decimal exit code, or kEndUnknown.
int ExitCodeOf(const std::string& note) {
    if (note.empty() || note.size() > 3) return kEndUnknown;
    int code = 0;
    for (char c : note) {
        if (c < '0' || c > '9') return kEndUnknown;
        code = code * 10 + (c - '0');
    }
    return code;
}

CString Reason(int code) {
    switch (code) {
    case NoteCode(ExitCode::SomeNotDeleted): return L"削除できなかった項目がありました";
    case NoteCode(ExitCode::Usage): return L"残すサイトの一覧を読めなかったため、何も削除しませんでした";
    case NoteCode(ExitCode::LogFailed): return L"記録を書けませんでした";
    case kEndedUnseen: return L"途中で終わりました";
    case kEndUnknown: return L"どう終わったかを確かめられません";
    default: return L"内部のエラーで中断しました（終了コード " + DecimalText(static_cast<ULONGLONG>(code)) + L"）";
    }
}

}  // namespace

CString SignInFolder() {
    const CString local = GetSpecialFolderPath(CSIDL_LOCAL_APPDATA);
    return local.empty() ? CString() : local + L"\\Dustwhirl";
}

CString SignInLogPath(const CString& folder) { return folder + L"\\signin.log"; }
CString SignInResultPath(const CString& folder) { return folder + L"\\signin-result.txt"; }

void NoteSignInStarted(const CString& folder) {
    ::CreateDirectoryW(LongPathForm(folder).c_str(), nullptr);
    ReplaceFileWith(SignInResultPath(folder), kRunning);
}

void NoteSignInEnded(const CString& folder, ExitCode exitCode) {
    const CString note = SignInResultPath(folder);
    // A run that ended with 0 leaves nothing to say; a note that cannot be removed says 0.
    if (exitCode == ExitCode::AllDeleted && ::DeleteFileW(LongPathForm(note).c_str())) return;
    ReplaceFileWith(note, ToUtf8(DecimalText(static_cast<ULONGLONG>(NoteCode(exitCode)))));
}

ExitCode RunAtSignIn(const CommandLine& line, const CString& folder) {
    CKernelHandle mutex(::CreateMutexW(nullptr, FALSE, kSignInRunMutex));
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) return ExitCode::AllDeleted;
    CommandLine clean = line;
    clean.mode = CommandLine::Mode::Clean;
    clean.silent = true;
    if (folder.empty()) {
        // Nowhere to log: the cleaning still runs, and its end says that the log is missing.
        RunUnattendedClean(clean, ProtectedCacheReach::OfThisProcess());
        return ExitCode::LogFailed;
    }
    NoteSignInStarted(folder);
    clean.logPath = SignInLogPath(folder);
    const ExitCode code = RunUnattendedClean(clean, ProtectedCacheReach::OfThisProcess());
    NoteSignInEnded(folder, code);
    return code;
}

std::optional<CString> TakeSignInNotice(const CString& folder) {
    if (folder.empty()) return std::nullopt;
    const CString note = SignInResultPath(folder);
    const std::optional<std::string> text = ReadNote(note);
    if (!text || (*text == kRunning && RunInProgress())) return std::nullopt;
    // Taken before it is said: a window that ends while the box is up has still said it.
    ::DeleteFileW(LongPathForm(note).c_str());
    const int code = *text == kRunning ? kEndedUnseen : ExitCodeOf(*text);
    if (code == NoteCode(ExitCode::AllDeleted)) return std::nullopt;
    return L"前回のサインイン時の削除は、すべては終わりませんでした: " + Reason(code) + L"。\n\n記録: " +
           SignInLogPath(folder);
}

ExitCode RunSignInCommand(const CommandLine& line) {
    const LONG error = WriteSignInSetting(GetModuleFilePath(), line.bCache, line.bCookie);
    if (error == ERROR_SUCCESS) return ExitCode::AllDeleted;
    if (!line.silent) {
        AfxMessageBox((L"サインイン時の削除を設定できませんでした（レジストリのエラー " +
                       DecimalText(static_cast<ULONGLONG>(error)) + L"）。")
                          .c_str(),
                      MB_OK | MB_ICONSTOP);
    }
    return ExitCode::RegistryRefused;
}
