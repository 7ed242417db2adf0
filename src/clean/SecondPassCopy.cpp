#include "clean/SecondPassCopy.h"

#include "app/CommandLine.h"
#include "clean/CleaningPlan.h"
#include "clean/PassReport.h"

namespace {
struct ReaderGone {};
}  // namespace

int RunSecondPassCopy(bool bCache, bool bCookie, const KeepListSource& keep, ULONG_PTR pipeValue) {
    const HANDLE pipe = reinterpret_cast<HANDLE>(pipeValue);
    // A cleaning whose outcome nobody hears of is no cleaning: without the parent's pipe
    // nothing is deleted.
    if (pipe == nullptr || pipe == INVALID_HANDLE_VALUE || ::GetFileType(pipe) != FILE_TYPE_PIPE) return kExitUsage;
    CPassReportWriter writer(pipe);
    // The same keep list as the first pass: a list that cannot be read deletes nothing here
    // either, and the parent hears of no entry.
    CleaningPlan plan;
    CString error;
    if (!PlanCleaning(bCache, bCookie, keep, plan, error)) return kExitUsage;
    const SelectedEntries& entries = plan.entries;
    const bool walked = !plan.walkFailed;
    if (!writer.Begin(entries.size(), !walked)) return kExitUsage;

    DeletionResult result;
    result.walkFailed = !walked;
    try {
        DeleteSelected(entries, result, [&](size_t, const SelectedEntry& entry, DeleteOutcome outcome) {
            if (!writer.Entry(entry, outcome)) throw ReaderGone();
        });
    } catch (const ReaderGone&) {
        return kExitSomeNotDeleted;
    }
    if (!writer.Result(result)) return kExitSomeNotDeleted;
    return result.Complete() ? kExitAllDeleted : kExitSomeNotDeleted;
}
