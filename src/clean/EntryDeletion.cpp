#include "clean/EntryDeletion.h"
#include "framework/UrlCache.h"

DeleteOutcome DeleteCacheEntry(const char* url, const std::string& localFile) {
    if (UrlCache().DeleteEntry(url)) {
        // The cache forgets an entry whose file another program holds open, and leaves the
        // file on disk: its bytes were not freed.
        if (!localFile.empty() && ::GetFileAttributesA(localFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return DeleteOutcome::FileLeft;
        }
        return DeleteOutcome::Deleted;
    }
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND: return DeleteOutcome::NotFound;
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
    case DeleteOutcome::NotFound: ++notFound; break;
    case DeleteOutcome::InUse: ++inUse; break;
    case DeleteOutcome::NotDeleted: ++notDeleted; break;
    case DeleteOutcome::FileLeft: ++fileLeft; break;
    }
}

void DeleteSelected(const SelectedEntries& entries, DeletionResult& result, const DeletionObserver& observer) {
    for (size_t i = 0; i < entries.size(); ++i) {
        const DeleteOutcome outcome = DeleteCacheEntry(entries[i].url.c_str(), entries[i].localFile);
        result.Add(entries[i], outcome);
        if (observer) observer(i, entries[i], outcome);
    }
}
