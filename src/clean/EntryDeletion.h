// Deleting the selected entries and keeping count of what happened to each. Plain functions
// and data, with no window: the progress dialog's worker drives them, and so can any other
// caller that wants the same cleaning.
#pragma once

#include "clean/EntrySelection.h"

#include <cstddef>
#include <functional>
#include <vector>

enum class DeleteOutcome : unsigned char {
    Deleted,      // the cache removed it
    AlreadyGone,  // it had gone before its turn; as good as deleted
    InUse,        // a program holds it open: Windows documents access denied for that,
                  // Wine and Windows' own conformance tests give a sharing violation
    NotDeleted,   // the cache refused for any other reason
};

// Deletes one entry from the cache in use.
DeleteOutcome DeleteCacheEntry(const char* url);

// What a deletion run did, counted entry by entry.
struct DeletionResult {
    size_t deleted = 0;
    size_t alreadyGone = 0;
    size_t inUse = 0;
    size_t notDeleted = 0;
    ULONGLONG bytesFreed = 0;  // the sizes the walk found for the entries this run deleted
    bool walkFailed = false;   // the walk that chose the entries ended early: some were missed
    size_t kept = 0;           // cookies the keep list left alone, never handed to the deletion
    std::vector<DeleteOutcome> outcomes;  // one per entry handled, in list order

    void Add(const SelectedEntry& entry, DeleteOutcome outcome);
    size_t Removed() const { return deleted + alreadyGone; }  // gone from the cache now
    size_t Refused() const { return inUse + notDeleted; }
    size_t Handled() const { return Removed() + Refused(); }
    bool AllRemoved() const { return Refused() == 0; }
    // Everything the cleaning was asked for is gone: no refusal and no entry missed.
    bool Complete() const { return AllRemoved() && !walkFailed; }
};

// Told of each entry once its deletion has been tried: its place in the list, the entry and
// what became of it.
using DeletionObserver = std::function<void(size_t index, const SelectedEntry& entry, DeleteOutcome outcome)>;

// Deletes the entries in list order and adds up what happened. An exception from the
// observer (or exhausted memory) ends the run there; result then holds what was done so far.
void DeleteSelected(const SelectedEntries& entries, DeletionResult& result, const DeletionObserver& observer = {});
