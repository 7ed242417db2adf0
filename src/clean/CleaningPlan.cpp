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

bool ReadKeepListFor(bool bCookie, const KeepListSource& source, CKeepList& list, CString& error) {
    list = CKeepList();
    // Only cookies are ever kept: a cleaning of the cache alone never depends on the list.
    if (!bCookie) return true;
    KeepListLoad load = LoadKeepList(source);
    if (load.status == KeepListLoad::Status::Broken) {
        error = KeepListErrorText(source, load);
        return false;
    }
    list = std::move(load.list);
    return true;
}

bool PlanCleaning(bool bCache, bool bCookie, const KeepListSource& source, CleaningPlan& plan, CString& error) {
    plan = CleaningPlan();
    CKeepList keep;
    if (!ReadKeepListFor(bCookie, source, keep, error)) return false;
    PlanCleaningWith(bCache, bCookie, keep, plan);
    return true;
}

void PlanCleaningWith(bool bCache, bool bCookie, const CKeepList& keep, CleaningPlan& plan,
                      const std::function<void()>& tick, const std::atomic<bool>* stop, MissingCache missing) {
    plan = CleaningPlan();
    if (bCookie) plan.keep = keep;
    plan.walkFailed = !CollectEntries(bCache, bCookie, plan.entries, stop, tick, missing);
    SetAsideKept(plan.keep, plan.entries, plan.kept);
}

ULONGLONG TotalBytes(const SelectedEntries& entries) {
    ULONGLONG total = 0;
    for (const SelectedEntry& entry : entries) total += entry.bytes;
    return total;
}

CString PreviewText(bool bCache, bool bCookie, const CleaningPlan& plan, const CleaningPlan* second,
                    const CString& secondFailure) {
    size_t goes = plan.entries.size(), kept = plan.kept.size();
    ULONGLONG bytes = TotalBytes(plan.entries);
    bool walkFailed = plan.walkFailed;
    if (second != nullptr) {
        goes += second->entries.size();
        kept += second->kept.size();
        bytes += TotalBytes(second->entries);
        walkFailed = walkFailed || second->walkFailed;
    }
    CString text = DeletionSubject(bCache, bCookie) + L" " + FormatCount(goes) + L"件（" + FormatBytes(bytes) +
                   L"）を削除します。";
    if (kept != 0) text += L"残すサイトのクッキー " + FormatCount(kept) + L"件は削除しません。";
    if (walkFailed) text += L"キャッシュの一覧を最後まで読めなかったため、残る項目があります。";
    return text + secondFailure;
}

CString DeletionPrompt(bool bCache, bool bCookie, const CleaningPlan& plan, const CleaningPlan* second,
                       const CString& secondFailure) {
    return PreviewText(bCache, bCookie, plan, second, secondFailure) + L"\n" + kDeletionWarning;
}
