// Choosing what a cleaning deletes: the confirmation prompt of each mode, the class of a
// URL cache entry, and the walk over the cache that collects the names of one mode.
#pragma once

#include "framework/Afx.h"

#include <list>

// The source URL names handed from the selection to the deletion worker, in cache order.
using CStringList = std::list<CString>;

enum class EntryClass {
    NoName,   // the record carries no source URL name
    Cookie,   // "cookie:" in any case
    History,  // "visited:" in any case: never deleted
    Content,  // everything else
};

// The class of an entry, decided by its source URL name alone.
EntryClass ClassifyEntry(const char* sourceUrlName);

// Whether a cleaning with these flags deletes entries of that class.
bool IsCollected(EntryClass entryClass, bool bCache, bool bCookie);

// The question asked before a cleaning: its subject, then the fixed warning.
CString DeletionPrompt(bool bCache, bool bCookie);

// Walks the whole URL cache once and appends the source URL name of every entry that a
// cleaning with these flags deletes, in the order in which the cache delivers them.
void CollectEntries(bool bCache, bool bCookie, CStringList& list);
