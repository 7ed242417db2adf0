#include "clean/CacheEnumeration.h"

#include <new>

CCacheEnumeration::CCacheEnumeration(const char* pattern, MissingCache missing)
    : CCacheEnumeration(pattern, UrlCache(), missing) {}

CCacheEnumeration::CCacheEnumeration(const char* pattern, IUrlCache& cache, MissingCache missing)
    : m_cache(cache), m_pattern(pattern), m_missing(missing), m_enumeration(nullptr, CCloseUrlCacheFind{&cache}) {
    Grow(kInitialBufferSize);
}

bool CCacheEnumeration::Grow(DWORD size) {
    // What the buffer held is read again into the bigger one, so nothing is copied over. An
    // allocation that fails ends the walk as a failure rather than the program.
    std::unique_ptr<char[]> bigger(new (std::nothrow) char[size]);
    if (bigger == nullptr) return false;
    m_buffer = std::move(bigger);
    m_capacity = size;
    return true;
}

CCacheEnumeration::Read CCacheEnumeration::ReadEntry() {
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(m_buffer.get());
    for (;;) {
        DWORD size = m_capacity;
        bool ok;
        if (!m_enumeration) {
            m_enumeration.Reset(m_cache.FindFirstEntry(m_pattern, info, &size));
            ok = static_cast<bool>(m_enumeration);
        } else {
            ok = m_cache.FindNextEntry(m_enumeration.get(), info, &size) != FALSE;
        }
        if (ok) return Read::Entry;
        const DWORD error = ::GetLastError();
        if (error == ERROR_NO_MORE_ITEMS || error == ERROR_NO_MORE_FILES) return Read::End;
        // A cache whose folder was never made holds nothing, and its first read says so this
        // way; the caller alone knows whether that can be (see MissingCache).
        if (!m_enumeration && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
            return m_missing == MissingCache::Empty ? Read::End : Read::Failed;
        }
        // Too small a buffer leaves the walk where it stood: the same entry is read again.
        // A size that would not grow the buffer is a failure, or this could go on forever.
        if (error == ERROR_INSUFFICIENT_BUFFER && size > m_capacity) {
            if (!Grow(size)) return Read::Failed;
            info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(m_buffer.get());
            continue;
        }
        return Read::Failed;
    }
}

const INTERNET_CACHE_ENTRY_INFOA* CCacheEnumeration::Next() {
    if (m_ended) return nullptr;
    if (m_buffer == nullptr) {
        m_ended = m_failed = true;
        return nullptr;
    }
    for (int failures = 0; failures < kReadAttempts; ++failures) {
        switch (ReadEntry()) {
        case Read::Entry: return reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOA*>(m_buffer.get());
        case Read::End: m_ended = true; return nullptr;
        case Read::Failed: break;  // whatever the buffer holds now is not an entry
        }
    }
    m_ended = m_failed = true;
    return nullptr;
}
