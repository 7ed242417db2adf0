#include "clean/SecondPassText.h"

#include "clean/CompletionText.h"
#include "framework/WinUtil.h"

namespace {


const wchar_t kNotCleaned[] = L"保護モードのキャッシュは削除できませんでした";

}  // namespace

CString StageStatusText(WPARAM stage) {
    return stage == kProtectedCacheStage ? L"保護モードのキャッシュを削除中..." : L"通常のキャッシュを削除中...";
}

CString StageHeading(WPARAM stage) {
    return stage == kProtectedCacheStage ? L"［保護モードのキャッシュ］" : L"［通常のキャッシュ］";
}

DeletionResult BothPasses(const DeletionResult& first, const DeletionResult& second) {
    DeletionResult both;
    both.deleted = first.deleted + second.deleted;
    both.notFound = first.notFound + second.notFound;
    both.inUse = first.inUse + second.inUse;
    both.fileLeft = first.fileLeft + second.fileLeft;
    both.notDeleted = first.notDeleted + second.notDeleted;
    both.denied = first.denied + second.denied;
    both.bytesFreed = first.bytesFreed + second.bytesFreed;
    both.walkFailed = first.walkFailed || second.walkFailed;
    both.kept = first.kept + second.kept;
    return both;
}

namespace {

// Why the copy failed, with the system's error code: "…しませんでした（エラー 5）".
CString FailureReason(const SecondPassResult& second) {
    const wchar_t* why = L"";
    switch (second.status) {
    case SecondPassStatus::Done:
    case SecondPassStatus::Stopped:
    case SecondPassStatus::SameCache: return CString();
    case SecondPassStatus::NoToken: why = L"低い整合性レベルで動くための権限を得られませんでした"; break;
    case SecondPassStatus::NotStarted: why = L"低い整合性レベルのコピーを起動できませんでした"; break;
    case SecondPassStatus::NoAnswer: why = L"低い整合性レベルのコピーが応答しなくなったため終了させました"; break;
    case SecondPassStatus::TooLong: why = L"低い整合性レベルのコピーが時間内に終わらなかったため終了させました"; break;
    case SecondPassStatus::Broken: why = L"低い整合性レベルのコピーが報告を終えずに終了しました"; break;
    }
    return CString(why) + L"。エラー " + DecimalText(second.error);
}

}  // namespace

CString CompletionTextOfBoth(const DeletionResult& first, const SecondPassResult& second) {
    const DeletionResult both = BothPasses(first, second.result);
    if (!second.Failed()) return (CompletionText(both));
    // The status line holds two lines: the refusals in one count, the rest in the log.
    const CString refused =
        both.Refused() != 0 ? L"、" + (FormatCount(both.Refused())) + L"件は削除しきれず" : CString();
    return CString(kNotCleaned) + L"（" + (FormatCount(both.deleted)) + L"件、" +
           (FormatBytes(both.bytesFreed)) + L" を削除" + refused + L"。エラー " + DecimalText(second.error) + L"）";
}

CString CompletionTextOfRun(const DeletionResult& first, const SecondPassResult* second) {
    return second != nullptr ? CompletionTextOfBoth(first, *second) : CString(CompletionText(first));
}

CString SecondPassFailureText(const SecondPassResult& second) {
    const CString reason = FailureReason(second);
    return reason.empty() ? reason : CString(kNotCleaned) + L"（" + reason + L"）";
}

CString SecondPassPlanFailureText(const SecondPassResult& second) {
    const CString reason = FailureReason(second);
    return reason.empty() ? reason : L"保護モードのキャッシュは削除されません（" + reason + L"）。";
}
