// CCacheEnumeration: one walk over the URL cache in use, entry by entry. The record of each
// entry is read into one buffer that is kept for the whole walk and only grows when an entry
// needs more, so an entry costs one call to the cache, not a size query and a read.
#pragma once

#include "framework/UrlCache.h"

#include <memory>

// What a first read that finds no cache at all (not found) means. Only a Protected Mode cache
// that was never made (a user who never browsed at low integrity) is known to be empty so;
// any other cache that cannot be opened is a walk that failed, never an empty cache.
enum class MissingCache { Failed, Empty };

class CCacheEnumeration {
public:
    // pattern: null, "cookie:" or "visited:", as the platform takes it. The walk goes through
    // the cache in use (UrlCache()) unless it is given one.
    explicit CCacheEnumeration(const char* pattern, MissingCache missing = MissingCache::Failed);
    CCacheEnumeration(const char* pattern, IUrlCache& cache, MissingCache missing = MissingCache::Failed);
    CCacheEnumeration(const CCacheEnumeration&) = delete;
    CCacheEnumeration& operator=(const CCacheEnumeration&) = delete;

    // The next entry, valid until the following call; null once the walk is over. A read
    // that fails is never handed out; after kReadAttempts failures in a row the walk ends.
    const INTERNET_CACHE_ENTRY_INFOA* Next();

    // Whether the walk ended on a failure (the cache kept refusing, or the buffer could not
    // grow) rather than at its last entry: then entries may be missing from what it gave.
    bool Failed() const { return m_failed; }

    static constexpr int kReadAttempts = 3;
    static constexpr DWORD kInitialBufferSize = 4096;

private:
    enum class Read { Entry, End, Failed };
    Read ReadEntry();
    bool Grow(DWORD size);

    IUrlCache& m_cache;
    const char* m_pattern;
    MissingCache m_missing;
    CUrlCacheFind m_enumeration;
    bool m_ended = false;
    bool m_failed = false;
    std::unique_ptr<char[]> m_buffer;
    DWORD m_capacity = 0;
};
