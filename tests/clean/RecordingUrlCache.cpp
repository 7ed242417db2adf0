#include "RecordingUrlCache.h"

void RecordingUrlCache::Add(CacheCall call) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_calls.push_back(std::move(call));
}

bool RecordingUrlCache::Read(bool first, HANDLE* enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    const int read = m_reads++;
    bool ok = false;
    if (!beforeRead || beforeRead(read, entry, size)) {
        if (first) {
            *enumeration = m_real.FindFirstEntry(nullptr, entry, size);
            ok = *enumeration != nullptr;
        } else {
            ok = m_real.FindNextEntry(*enumeration, entry, size) != FALSE;
        }
    }
    if (ok && afterRead) afterRead(read, entry);
    CacheCall call{first ? CacheCall::First : CacheCall::Next, std::string(), ok};
    if (ok && entry->lpszSourceUrlName != nullptr) call.url = entry->lpszSourceUrlName;
    Add(call);
    return ok;
}

HANDLE RecordingUrlCache::FindFirstEntry(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    if (entry == nullptr) {
        HANDLE h = m_real.FindFirstEntry(pattern, nullptr, size);
        Add({CacheCall::FirstSize, std::string(), *size != 0});
        return h;
    }
    HANDLE h = nullptr;
    Read(true, &h, entry, size);
    return h;
}

BOOL RecordingUrlCache::FindNextEntry(HANDLE enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    if (entry == nullptr) {
        BOOL r = m_real.FindNextEntry(enumeration, nullptr, size);
        Add({CacheCall::NextSize, std::string(), *size != 0});
        return r;
    }
    return Read(false, &enumeration, entry, size) ? TRUE : FALSE;
}

BOOL RecordingUrlCache::FindClose(HANDLE enumeration) {
    BOOL r = m_real.FindClose(enumeration);
    Add({CacheCall::Close, std::string(), r != FALSE});
    return r;
}

BOOL RecordingUrlCache::DeleteEntry(const char* url) {
    if (beforeDelete) beforeDelete(url);
    BOOL r = m_real.DeleteEntry(url);
    Add({CacheCall::Delete, url, r != FALSE});
    return r;
}

std::vector<CacheCall> RecordingUrlCache::Calls() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_calls;
}

std::vector<std::string> RecordingUrlCache::Deleted() const {
    std::vector<std::string> names;
    for (const CacheCall& c : Calls()) {
        if (c.kind == CacheCall::Delete) names.push_back(c.url);
    }
    return names;
}

int RecordingUrlCache::Count(CacheCall::Kind kind) const {
    int n = 0;
    for (const CacheCall& c : Calls()) n += c.kind == kind ? 1 : 0;
    return n;
}
