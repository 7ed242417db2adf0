#include "clean/EntrySelection.h"
#include "clean/CacheEnumeration.h"

#include <mbstring.h>
#include <wininet.h>

#include <unordered_set>

namespace {

constexpr char kCookiePrefix[] = "cookie:";
constexpr char kHistoryPrefix[] = "visited:";

// The first bytes of the name against an ASCII prefix, ignoring case the way the code page
// does: a double-byte character never matches half of it.
bool HasPrefix(const char* name, const char* prefix, size_t length) {
    return ::_mbsnbicmp(reinterpret_cast<const unsigned char*>(name), reinterpret_cast<const unsigned char*>(prefix),
                        length) == 0;
}

// The pattern by which the platform walks its cookies alone.
constexpr char kCookiePattern[] = "cookie:";

ULONGLONG EntryBytes(const INTERNET_CACHE_ENTRY_INFOA& entry) {
    return (static_cast<ULONGLONG>(entry.dwSizeHigh) << 32) | entry.dwSizeLow;
}

}  // namespace

EntryClass ClassifyEntry(const char* sourceUrlName, DWORD cacheEntryType) {
    if (sourceUrlName == nullptr) return EntryClass::NoName;
    if ((cacheEntryType & URLHISTORY_CACHE_ENTRY) != 0) return EntryClass::History;
    if (HasPrefix(sourceUrlName, kCookiePrefix, sizeof(kCookiePrefix) - 1)) return EntryClass::Cookie;
    if (HasPrefix(sourceUrlName, kHistoryPrefix, sizeof(kHistoryPrefix) - 1)) return EntryClass::History;
    return EntryClass::Content;
}

bool IsCollected(EntryClass entryClass, bool bCache, bool bCookie) {
    switch (entryClass) {
    case EntryClass::Cookie: return bCookie;
    case EntryClass::Content: return bCache;
    case EntryClass::NoName:
    case EntryClass::History: return false;
    }
    return false;
}

CString DeletionPrompt(bool bCache, bool bCookie) {
    CString subject;
    if (bCache) subject = "キャッシュ";
    if (bCookie) {
        if (!subject.empty()) subject += "と";
        subject += "クッキー";
    }
    return subject + "を削除します。\n一度削除すると元に戻すことができません。\nよろしいですか？";
}

bool CollectEntries(bool bCache, bool bCookie, SelectedEntries& list) {
    // Names taken by the unfiltered walk, looked up only when the cookie walk follows it.
    std::unordered_set<CString> taken;
    const char* const patterns[] = {nullptr, kCookiePattern};
    const int walks = bCookie ? 2 : 1;
    bool complete = true;
    for (int w = 0; w < walks; ++w) {
        CCacheEnumeration walk(patterns[w]);
        while (const INTERNET_CACHE_ENTRY_INFOA* entry = walk.Next()) {
            // Classified the same whichever walk delivered it: history stays.
            const EntryClass kind = ClassifyEntry(entry->lpszSourceUrlName, entry->CacheEntryType);
            if (!IsCollected(kind, bCache, bCookie)) continue;
            if (w > 0 && taken.count(entry->lpszSourceUrlName) != 0) continue;
            list.push_back({entry->lpszSourceUrlName, EntryBytes(*entry)});
            if (w == 0 && walks > 1) taken.insert(list.back().url);
        }
        if (walk.Failed()) complete = false;
    }
    return complete;
}
