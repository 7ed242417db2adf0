#include "clean/UrlCache.h"

HANDLE CSystemUrlCache::FindFirstEntry(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    return ::FindFirstUrlCacheEntryA(pattern, entry, size);
}

BOOL CSystemUrlCache::FindNextEntry(HANDLE enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    return ::FindNextUrlCacheEntryA(enumeration, entry, size);
}

BOOL CSystemUrlCache::FindClose(HANDLE enumeration) { return ::FindCloseUrlCache(enumeration); }

BOOL CSystemUrlCache::DeleteEntry(const char* url) { return ::DeleteUrlCacheEntryA(url); }

namespace {
CSystemUrlCache g_systemCache;
IUrlCache* g_cache = &g_systemCache;
}  // namespace

IUrlCache& UrlCache() { return *g_cache; }

IUrlCache* SetUrlCache(IUrlCache* cache) {
    IUrlCache* previous = g_cache;
    g_cache = cache != nullptr ? cache : &g_systemCache;
    return previous;
}

void DeleteUrlCacheEntryOf(const char* url) {
    if (url == nullptr) return;
    UrlCache().DeleteEntry(url);
}
