// Deleting the selected entries and keeping count of what happened to each. Plain functions
// and data, with no window: the progress dialog's worker drives them, and so can any other
// caller that wants the same cleaning.
#pragma once

#include "clean/EntrySelection.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

enum class DeleteOutcome : unsigned char {
    Deleted,     // the cache removed it, and its file (if it had one) is gone
    NotFound,    // the cache found no entry of that name: gone before its turn, or named in a
                 // way the cache does not look up (it may still be listed). Nobody knows which
    InUse,       // a program holds it through the cache (a sharing violation): the cache
                 // marked it and deletes it when that program lets go
    NotDeleted,  // the cache refused for any other reason
    FileLeft,    // the cache removed it, but its file stayed on disk: another program holds
                 // the file itself open
    Denied,      // access denied: refused, not known to be marked. The documentation reads it
                 // as a locked entry marked for later, but a cache this process may not write
                 // (another integrity level's, a policy's) answers the same, and then nothing
                 // goes later; it is never promised as deleted
};

// Deletes one entry from the cache in use; localFile (the walk's, may be empty, in the
// system's code page) is checked afterwards, so that an entry whose file stayed is not called
// deleted.
DeleteOutcome DeleteCacheEntry(const char* url, const std::string& localFile = std::string());

// The wide path of an entry's file. The cache names it in the system's code page, in which a
// folder of another script (a user name outside it) is lost; the part that lies under one of
// folders (given wide: the cache's and the cookies' own) is taken from them. Elsewhere the
// narrow name, read in that code page.
CString WideLocalFile(const std::string& localFile, const std::vector<CString>& folders);

// What a deletion run did, counted entry by entry.
struct DeletionResult {
    size_t deleted = 0;
    size_t notFound = 0;
    size_t inUse = 0;
    size_t notDeleted = 0;
    size_t fileLeft = 0;
    size_t denied = 0;
    ULONGLONG bytesFreed = 0;  // the sizes the walk found for the entries this run deleted, files and all
    bool walkFailed = false;   // the walk that chose the entries ended early: some were missed
    size_t kept = 0;           // cookies the keep list left alone, never handed to the deletion
    std::vector<DeleteOutcome> outcomes;  // one per entry handled, in list order

    void Add(const SelectedEntry& entry, DeleteOutcome outcome);
    // Not deleted, or not wholly: each of these is said as what it is.
    size_t Refused() const { return notFound + inUse + notDeleted + fileLeft + denied; }
    size_t Handled() const { return deleted + Refused(); }
    bool AllRemoved() const { return Refused() == 0; }
    // Everything the cleaning was asked for is known to be gone: every entry deleted with its
    // file, and no entry missed by the walk.
    bool Complete() const { return AllRemoved() && !walkFailed; }
};

// Told of each entry once its deletion has been tried: its place in the list, the entry and
// what became of it.
using DeletionObserver = std::function<void(size_t index, const SelectedEntry& entry, DeleteOutcome outcome)>;

// Deletes the entries in list order and adds up what happened. An exception from the
// observer (or exhausted memory) ends the run there; result then holds what was done so far.
void DeleteSelected(const SelectedEntries& entries, DeletionResult& result, const DeletionObserver& observer = {});
