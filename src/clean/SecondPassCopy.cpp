#include "clean/SecondPassCopy.h"

#include "clean/CleaningPlan.h"
#include "clean/PassReport.h"

namespace {

struct ReaderGone {};

bool IsPipe(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_PIPE;
}

// Blocks until the parent says its word; a parent that closes the pipe or ends says stop.
bool ToldToGo(HANDLE control) {
    char word = 0;
    DWORD got = 0;
    return ::ReadFile(control, &word, 1, &got, nullptr) && got == 1 && word == kSecondPassGo;
}

}  // namespace

SecondPassCopyOutcome RunSecondPassCopy(bool bCache, bool bCookie, const CKeepList& keep, ULONG_PTR reportValue,
                                        ULONG_PTR controlValue, DWORD heartbeatMs) {
    const HANDLE report = reinterpret_cast<HANDLE>(reportValue);
    const HANDLE control = reinterpret_cast<HANDLE>(controlValue);
    // A cleaning whose outcome nobody hears of, or that nobody confirmed, is no cleaning.
    if (!IsPipe(report) || !IsPipe(control)) return SecondPassCopyOutcome::NotRun;
    CPassReportWriter writer(report, heartbeatMs);
    CleaningPlan plan;
    bool readerGone = false;
    // The walk may take seconds: heartbeats tell the parent it is under way, not hung. The
    // Protected Mode cache of a user who never browsed at low integrity was never made.
    PlanCleaningWith(
        bCache, bCookie, keep, plan, [&] {
            if (!readerGone && !writer.HeartbeatIfDue()) readerGone = true;
        },
        nullptr, MissingCache::Empty);
    if (readerGone || !writer.Plan(plan) || !ToldToGo(control)) return SecondPassCopyOutcome::NotRun;

    DeletionResult result;
    result.walkFailed = plan.walkFailed;
    try {
        DeleteSelected(plan.entries, result, [&](size_t, const SelectedEntry&, DeleteOutcome outcome) {
            if (!writer.Entry(outcome)) throw ReaderGone();
        });
    } catch (const ReaderGone&) {
        return SecondPassCopyOutcome::NotAllDeleted;
    }
    if (!writer.Result(result)) return SecondPassCopyOutcome::NotAllDeleted;
    return result.Complete() ? SecondPassCopyOutcome::AllDeleted : SecondPassCopyOutcome::NotAllDeleted;
}
