#include "clean/EntrySelection.h"
#include "clean/CacheEnumeration.h"

#include <mbstring.h>
#include <wininet.h>

#include <cstring>
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

// The entry's file, when the record names one of a length a path can have.
std::string LocalFile(const INTERNET_CACHE_ENTRY_INFOA& entry) {
    if (entry.lpszLocalFileName == nullptr) return std::string();
    const size_t length = ::strnlen(entry.lpszLocalFileName, MAX_PATH);
    return length < MAX_PATH ? std::string(entry.lpszLocalFileName, length) : std::string();
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

const wchar_t kDeletionWarning[] = L"一度削除すると元に戻すことができません。\nよろしいですか？";

CString DeletionSubject(bool bCache, bool bCookie) {
    CString subject;
    if (bCache) subject = L"キャッシュ";
    if (bCookie) {
        if (!subject.empty()) subject += L"と";
        subject += L"クッキー";
    }
    return subject;
}

bool CollectEntries(bool bCache, bool bCookie, SelectedEntries& list, const std::atomic<bool>* stop,
                    const std::function<void()>& tick, MissingCache missing) {
    // Where the unfiltered walk put cookies in the list. Only they can meet the cookie walk
    // again, and only a cookie walk that delivers anything needs them looked up: on Wine it
    // delivers nothing, on Windows the unfiltered walk leaves the cookies to it.
    std::vector<size_t> cookiesTaken;
    std::unordered_set<std::string> taken;
    const char* const patterns[] = {nullptr, kCookiePattern};
    const int walks = bCookie ? 2 : 1;
    bool complete = true;
    for (int w = 0; w < walks; ++w) {
        CCacheEnumeration walk(patterns[w], missing);
        while (const INTERNET_CACHE_ENTRY_INFOA* entry = walk.Next()) {
            if (stop != nullptr && *stop) return false;
            if (tick) tick();
            // Classified the same whichever walk delivered it: history stays.
            const EntryClass kind = ClassifyEntry(entry->lpszSourceUrlName, entry->CacheEntryType);
            if (!IsCollected(kind, bCache, bCookie)) continue;
            if (w > 0 && !cookiesTaken.empty()) {
                if (taken.empty()) {
                    for (size_t i : cookiesTaken) taken.insert(list[i].url);
                }
                if (taken.count(entry->lpszSourceUrlName) != 0) continue;
            }
            if (w == 0 && walks > 1 && kind == EntryClass::Cookie) cookiesTaken.push_back(list.size());
            list.push_back({entry->lpszSourceUrlName, EntryBytes(*entry), LocalFile(*entry)});
        }
        if (walk.Failed()) complete = false;
    }
    return complete;
}
