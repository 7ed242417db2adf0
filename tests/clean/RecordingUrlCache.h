// A URL cache for tests that forwards every call to Wine's real cache and writes down what
// was asked, in order. Hooks let a test disturb single calls the way a busy cache would, and
// one switch makes the search patterns behave as Windows documents them instead of as Wine's.
#pragma once

#include "framework/UrlCache.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct CacheCall {
    enum Kind { First, Next, Close, Delete } kind;
    std::string url;  // Delete: the name; First/Next: the name read, if the call succeeded
    bool ok = false;
    DWORD error = 0;      // GetLastError after a failed call
    std::string pattern;  // First: the search pattern ("" for none)
};

class RecordingUrlCache : public IUrlCache {
public:
    RecordingUrlCache() : m_previous(SetUrlCache(this)) {}
    ~RecordingUrlCache() override { SetUrlCache(m_previous); }

    HANDLE FindFirstEntry(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) override;
    BOOL FindNextEntry(HANDLE enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) override;
    BOOL FindClose(HANDLE enumeration) override;
    BOOL DeleteEntry(const char* url) override;

    std::vector<CacheCall> Calls() const;
    std::vector<std::string> Deleted() const;
    int Count(CacheCall::Kind kind) const;

    // How the search patterns behave. Windows documents that a null pattern walks the content
    // entries only, "cookie:" the cookies only and "visited:" the history only; Wine's null
    // walk delivers all three. Both others are made by filtering Wine's null walk on names.
    enum class Patterns {
        Wine,        // forwarded as they are
        Documented,  // each pattern its own container only, null the content
        Overlapping, // null everything, "cookie:" the cookies too: an entry is met twice
    } patterns = Patterns::Wine;

    // Called before a read that was given a buffer (First or Next): the number of that read
    // (0 based, over both kinds), the buffer and its size; return false to make the read fail
    // (with readError) without reaching the real cache.
    std::function<bool(int read, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size)> beforeRead;
    DWORD readError = ERROR_INVALID_DATA;  // the error of a read that beforeRead refused
    // Called after a successful read, to alter what the caller sees.
    std::function<void(int read, INTERNET_CACHE_ENTRY_INFOA* entry)> afterRead;
    // Called for each deletion before it reaches the real cache (on the deleting thread).
    std::function<void(const char* url)> beforeDelete;
    // Deletions of these names fail with this error without reaching the real cache.
    std::vector<std::string> refuse;
    DWORD refuseError = ERROR_SHARING_VIOLATION;

private:
    bool Read(const char* pattern, HANDLE* enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size);
    void Add(CacheCall call);

    CSystemUrlCache m_real;
    IUrlCache* m_previous;
    mutable std::mutex m_lock;
    std::vector<CacheCall> m_calls;
    int m_reads = 0;
    // The pattern of each open enumeration, for the documented walk.
    std::vector<std::pair<HANDLE, std::string>> m_patterns;
};
