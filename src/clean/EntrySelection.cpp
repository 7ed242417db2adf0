#include "clean/EntrySelection.h"
#include "clean/UrlCache.h"

#include <mbstring.h>

#include <cstdlib>

namespace {

constexpr char kCookiePrefix[] = "cookie:";
constexpr char kHistoryPrefix[] = "visited:";

// The first bytes of the name against an ASCII prefix, ignoring case the way the code page
// does: a double-byte character never matches half of it.
bool HasPrefix(const char* name, const char* prefix, size_t length) {
    return ::_mbsnbicmp(reinterpret_cast<const unsigned char*>(name), reinterpret_cast<const unsigned char*>(prefix),
                        length) == 0;
}

// One heap block per entry, sized exactly as the cache asked for.
struct EntryBuffer {
    explicit EntryBuffer(DWORD size) : bytes(static_cast<char*>(std::malloc(size))), size(size) {}
    ~EntryBuffer() { std::free(bytes); }
    EntryBuffer(const EntryBuffer&) = delete;
    EntryBuffer& operator=(const EntryBuffer&) = delete;
    INTERNET_CACHE_ENTRY_INFOA* info() const { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(bytes); }

    char* bytes;
    DWORD size;
};

// A read that fails between the size query and the read (the entry grew or went away) is
// asked again from its size query, which then sees the entry as it is now or the next one.
// A cache that keeps refusing is not asked forever.
constexpr int kReadAttempts = 3;

void Collect(const INTERNET_CACHE_ENTRY_INFOA& entry, bool bCache, bool bCookie, CStringList& list) {
    if (IsCollected(ClassifyEntry(entry.lpszSourceUrlName), bCache, bCookie)) {
        list.push_back(entry.lpszSourceUrlName);
    }
}

}  // namespace

EntryClass ClassifyEntry(const char* sourceUrlName) {
    if (sourceUrlName == nullptr) return EntryClass::NoName;
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

void CollectEntries(bool bCache, bool bCookie, CStringList& list) {
    IUrlCache& cache = UrlCache();

    HANDLE enumeration = nullptr;
    for (int attempt = 0; attempt < kReadAttempts && enumeration == nullptr; ++attempt) {
        DWORD size = 0;
        cache.FindFirstEntry(nullptr, nullptr, &size);
        if (size == 0) return;  // an empty cache: no enumeration was opened
        EntryBuffer buffer(size);
        if (buffer.bytes == nullptr) return;
        enumeration = cache.FindFirstEntry(nullptr, buffer.info(), &size);
        if (enumeration != nullptr) Collect(*buffer.info(), bCache, bCookie, list);
    }
    if (enumeration == nullptr) return;

    int failedReads = 0;
    while (failedReads < kReadAttempts) {
        DWORD size = 0;
        cache.FindNextEntry(enumeration, nullptr, &size);
        if (size == 0) break;
        EntryBuffer buffer(size);
        if (buffer.bytes == nullptr) break;
        if (cache.FindNextEntry(enumeration, buffer.info(), &size)) {
            failedReads = 0;
            Collect(*buffer.info(), bCache, bCookie, list);
        } else {
            ++failedReads;
        }
    }
    cache.FindClose(enumeration);
}
