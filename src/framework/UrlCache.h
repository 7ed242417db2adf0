// The program's only way into the current user's URL cache: the four narrow-character
// calls of the platform, behind one small interface. The program always goes through
// UrlCache(); a test may install its own implementation (for example one that records the
// calls and forwards them to the real cache) with SetUrlCache.
#pragma once

#include "framework/UniqueHandle.h"

#include <wininet.h>

class IUrlCache {
public:
    virtual ~IUrlCache() = default;

    // FindFirstUrlCacheEntryA: with a null buffer (and *size 0) only *size is set, to the
    // bytes the first entry needs (left 0 for an empty cache).
    virtual HANDLE FindFirstEntry(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) = 0;
    // FindNextUrlCacheEntryA, the same two-call pattern for each further entry.
    virtual BOOL FindNextEntry(HANDLE enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) = 0;
    // FindCloseUrlCache.
    virtual BOOL FindClose(HANDLE enumeration) = 0;
    // DeleteUrlCacheEntryA: removes the entry of that source URL name if there is one.
    virtual BOOL DeleteEntry(const char* url) = 0;
};

// The platform's own cache, calling the four functions as they are. WinInet is loaded at the
// first call; when it cannot be, each call fails as the function itself would.
class CSystemUrlCache : public IUrlCache {
public:
    HANDLE FindFirstEntry(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) override;
    BOOL FindNextEntry(HANDLE enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) override;
    BOOL FindClose(HANDLE enumeration) override;
    BOOL DeleteEntry(const char* url) override;
};

// An enumeration, closed by the cache that opened it.
struct CCloseUrlCacheFind {
    IUrlCache* cache = nullptr;
    bool operator()(HANDLE enumeration) const { return cache->FindClose(enumeration) != FALSE; }
};
using CUrlCacheFind = CUniqueHandle<HANDLE, CCloseUrlCacheFind>;

// The cache in use: the system's unless another one was installed.
IUrlCache& UrlCache();
// Installs cache (null: the system's again) and returns the one installed before. Install
// only while no enumeration or deletion is under way.
IUrlCache* SetUrlCache(IUrlCache* cache);

// Removes the entry of url from the cache in use, if it is there; whether it was there is
// of no interest to any caller.
void DeleteUrlCacheEntryOf(const char* url);
