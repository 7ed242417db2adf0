#include "clean/SecondPassCopy.h"

#include "clean/CleaningPlan.h"
#include "clean/PassReport.h"

namespace {
struct ReaderGone {};
}  // namespace

SecondPassCopyOutcome RunSecondPassCopy(bool bCache, bool bCookie, const CKeepList& keep, ULONG_PTR pipeValue) {
    const HANDLE pipe = reinterpret_cast<HANDLE>(pipeValue);
    // A cleaning whose outcome nobody hears of is no cleaning: without the parent's pipe
    // nothing is deleted.
    if (pipe == nullptr || pipe == INVALID_HANDLE_VALUE || ::GetFileType(pipe) != FILE_TYPE_PIPE) {
        return SecondPassCopyOutcome::NotRun;
    }
    CPassReportWriter writer(pipe);
    // The keep list as the first pass read it, handed over by the parent.
    CleaningPlan plan;
    PlanCleaningWith(bCache, bCookie, keep, plan);
    const SelectedEntries& entries = plan.entries;
    const bool walked = !plan.walkFailed;
    if (!writer.Begin(entries.size(), !walked)) return SecondPassCopyOutcome::NotRun;

    DeletionResult result;
    result.walkFailed = !walked;
    try {
        DeleteSelected(entries, result, [&](size_t, const SelectedEntry& entry, DeleteOutcome outcome) {
            if (!writer.Entry(entry, outcome)) throw ReaderGone();
        });
    } catch (const ReaderGone&) {
        return SecondPassCopyOutcome::NotAllDeleted;
    }
    if (!writer.Result(result)) return SecondPassCopyOutcome::NotAllDeleted;
    return result.Complete() ? SecondPassCopyOutcome::AllDeleted : SecondPassCopyOutcome::NotAllDeleted;
}
