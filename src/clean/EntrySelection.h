// Choosing what a cleaning deletes: the confirmation prompt of each mode, the class of a
// URL cache entry, and the walk over the cache that collects the names of one mode.
#pragma once

#include "clean/CacheEnumeration.h"
#include "framework/Afx.h"

#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// An entry chosen for deletion: its source URL name, the bytes its cached file takes and
// that file, as the walk found them. The name is the cache's own bytes, handed back to it unchanged.
struct SelectedEntry {
    SelectedEntry() = default;
    SelectedEntry(std::string url_, ULONGLONG bytes_ = 0, std::string localFile_ = std::string())
        : url(std::move(url_)), bytes(bytes_), localFile(std::move(localFile_)) {}

    std::string url;
    ULONGLONG bytes = 0;
    // The entry's file as the walk named it (the system's code page), empty for none; looked
    // at after the deletion, never opened or deleted by the program itself.
    std::string localFile;
};

// The entries handed from the selection to the deletion, in cache order.
using SelectedEntries = std::vector<SelectedEntry>;

enum class EntryClass {
    NoName,   // the record carries no source URL name
    Cookie,   // "cookie:" in any case
    History,  // "visited:" in any case, or typed as history by the cache: never deleted
    Content,  // everything else
};

// The class of an entry, decided by its type (CacheEntryType) and its source URL name. The
// cache's own history mark wins over any name.
EntryClass ClassifyEntry(const char* sourceUrlName, DWORD cacheEntryType = 0);

// Whether a cleaning with these flags deletes entries of that class.
bool IsCollected(EntryClass entryClass, bool bCache, bool bCookie);

// What a cleaning deletes, as its question names it: "キャッシュとクッキー".
CString DeletionSubject(bool bCache, bool bCookie);
// The fixed warning that ends the question asked before a cleaning.
extern const wchar_t kDeletionWarning[];

// Walks the URL cache and appends every entry that a cleaning with these flags deletes, in
// the order in which the cache delivers them. The unfiltered walk may leave the cookies out
// (Windows documents it so) or deliver them too (Wine does), so a cleaning of cookies walks
// the cookies by their own pattern as well; an entry met by both walks is taken once.
// False when a walk failed before its end, or was stopped: the list then holds only what was
// found. A walk run by a worker is stopped by setting *stop; it ends after the entry at hand.
// tick, when given, is called for every entry the cache delivers. missing: whether a cache
// that cannot be found at all is empty (only the copy's never-made cache) or a failed walk.
bool CollectEntries(bool bCache, bool bCookie, SelectedEntries& list, const std::atomic<bool>* stop = nullptr,
                    const std::function<void()>& tick = {}, MissingCache missing = MissingCache::Failed);
