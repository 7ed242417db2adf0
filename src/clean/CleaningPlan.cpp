#include "clean/CleaningPlan.h"

#include "clean/CompletionText.h"

#include <algorithm>

void SetAsideKept(const CKeepList& keep, SelectedEntries& entries, SelectedEntries& kept) {
    if (keep.Empty()) return;
    auto firstKept = std::stable_partition(entries.begin(), entries.end(), [&](const SelectedEntry& entry) {
        return !keep.KeepsEntry(entry.url.c_str());
    });
    kept.insert(kept.end(), std::make_move_iterator(firstKept), std::make_move_iterator(entries.end()));
    entries.erase(firstKept, entries.end());
}

bool PlanCleaning(bool bCache, bool bCookie, const KeepListSource& source, CleaningPlan& plan, CString& error) {
    plan = CleaningPlan();
    KeepListLoad load;
    // Only cookies are ever kept: a cleaning of the cache alone never depends on the list.
    if (bCookie) {
        load = LoadKeepList(source);
        if (load.status == KeepListLoad::Status::Broken) {
            error = KeepListErrorText(source, load);
            return false;
        }
    }
    PlanCleaningWith(bCache, bCookie, load.list, plan);
    return true;
}

void PlanCleaningWith(bool bCache, bool bCookie, const CKeepList& keep, CleaningPlan& plan) {
    plan = CleaningPlan();
    if (bCookie) plan.keep = keep;
    plan.walkFailed = !CollectEntries(bCache, bCookie, plan.entries);
    SetAsideKept(plan.keep, plan.entries, plan.kept);
}

ULONGLONG TotalBytes(const SelectedEntries& entries) {
    ULONGLONG total = 0;
    for (const SelectedEntry& entry : entries) total += entry.bytes;
    return total;
}

CString PreviewText(bool bCache, bool bCookie, const CleaningPlan& plan) {
    CString text = DeletionSubject(bCache, bCookie) + L" " + FormatCount(plan.entries.size()) + L"件（" +
                   FormatBytes(TotalBytes(plan.entries)) + L"）を削除します。";
    if (!plan.kept.empty()) text += L"残すサイトのクッキー " + FormatCount(plan.kept.size()) + L"件は削除しません。";
    if (plan.walkFailed) text += L"キャッシュの一覧を最後まで読めなかったため、残る項目があります。";
    return text;
}

CString DeletionPrompt(bool bCache, bool bCookie, const CleaningPlan& plan) {
    return PreviewText(bCache, bCookie, plan) + L"\n" + kDeletionWarning;
}
