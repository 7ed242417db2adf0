#include "clean/EntryDeletion.h"
#include "clean/UrlCache.h"

DeleteOutcome DeleteCacheEntry(const char* url) {
    if (UrlCache().DeleteEntry(url)) return DeleteOutcome::Deleted;
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND: return DeleteOutcome::AlreadyGone;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return DeleteOutcome::InUse;
    default: return DeleteOutcome::NotDeleted;
    }
}

void DeletionResult::Add(const SelectedEntry& entry, DeleteOutcome outcome) {
    outcomes.push_back(outcome);
    switch (outcome) {
    case DeleteOutcome::Deleted:
        ++deleted;
        bytesFreed += entry.bytes;
        break;
    case DeleteOutcome::AlreadyGone: ++alreadyGone; break;
    case DeleteOutcome::InUse: ++inUse; break;
    case DeleteOutcome::NotDeleted: ++notDeleted; break;
    }
}

void DeleteSelected(const SelectedEntries& entries, DeletionResult& result, const DeletionObserver& observer) {
    for (size_t i = 0; i < entries.size(); ++i) {
        const DeleteOutcome outcome = DeleteCacheEntry(entries[i].url.c_str());
        result.Add(entries[i], outcome);
        if (observer) observer(i, entries[i], outcome);
    }
}
