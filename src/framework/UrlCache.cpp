#include "framework/UrlCache.h"

#include "framework/WinInetLibrary.h"

HANDLE CSystemUrlCache::FindFirstEntry(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    const WinInetFunctions* inet = WinInet();
    return inet != nullptr ? inet->FindFirstUrlCacheEntryA(pattern, entry, size) : nullptr;
}

BOOL CSystemUrlCache::FindNextEntry(HANDLE enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    const WinInetFunctions* inet = WinInet();
    return inet != nullptr && inet->FindNextUrlCacheEntryA(enumeration, entry, size);
}

BOOL CSystemUrlCache::FindClose(HANDLE enumeration) {
    const WinInetFunctions* inet = WinInet();
    return inet != nullptr && inet->FindCloseUrlCache(enumeration);
}

BOOL CSystemUrlCache::DeleteEntry(const char* url) {
    const WinInetFunctions* inet = WinInet();
    return inet != nullptr && inet->DeleteUrlCacheEntryA(url);
}

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
