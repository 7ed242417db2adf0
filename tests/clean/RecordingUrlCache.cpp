#include "RecordingUrlCache.h"

#include <algorithm>
#include <cstring>

namespace {

// The container Windows keeps an entry in, by its name: "cookie:", "visited:" or "" (content).
std::string ContainerOf(const char* name) {
    if (name != nullptr && ::_strnicmp(name, "cookie:", 7) == 0) return "cookie:";
    if (name != nullptr && ::_strnicmp(name, "visited:", 8) == 0) return "visited:";
    return "";
}

}  // namespace

void RecordingUrlCache::Add(CacheCall call) {
    const DWORD error = ::GetLastError();  // the caller reads it after this returns
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_calls.push_back(std::move(call));
    }
    ::SetLastError(error);
}

bool RecordingUrlCache::Read(const char* pattern, HANDLE* enumeration, INTERNET_CACHE_ENTRY_INFOA* entry,
                             DWORD* size) {
    const bool first = pattern != nullptr;
    const int read = m_reads++;
    bool ok = false;
    if (beforeRead && !beforeRead(read, entry, size)) {
        ::SetLastError(readError);
    } else if (patterns == Patterns::Wine) {
        if (first) {
            *enumeration = m_real.FindFirstEntry(*pattern != '\0' ? pattern : nullptr, entry, size);
            ok = *enumeration != nullptr;
        } else {
            ok = m_real.FindNextEntry(*enumeration, entry, size) != FALSE;
        }
    } else {
        // Wine's unfiltered walk, with every entry of another container passed over. "*" lets
        // every entry through.
        const DWORD room = *size;
        std::string container = pattern != nullptr ? pattern : "";
        if (first && container.empty() && patterns == Patterns::Overlapping) container = "*";
        if (first) {
            *enumeration = m_real.FindFirstEntry(nullptr, entry, size);
            ok = *enumeration != nullptr;
        } else {
            for (const auto& p : m_patterns) {
                if (p.first == *enumeration) container = p.second;
            }
            ok = m_real.FindNextEntry(*enumeration, entry, size) != FALSE;
        }
        while (ok && container != "*" && ContainerOf(entry->lpszSourceUrlName) != container) {
            *size = room;  // a read sets it to the bytes it used
            ok = m_real.FindNextEntry(*enumeration, entry, size) != FALSE;
        }
        if (first && !ok && *enumeration != nullptr) {
            // A first read fails as a whole, with no enumeration left open.
            const DWORD error = ::GetLastError();
            m_real.FindClose(*enumeration);
            *enumeration = nullptr;
            ::SetLastError(error);
        }
        if (first && ok) {
            std::lock_guard<std::mutex> hold(m_lock);
            m_patterns.push_back({*enumeration, container});
        }
    }
    if (ok && afterRead) afterRead(read, entry);
    CacheCall call{first ? CacheCall::First : CacheCall::Next, std::string(), ok, ok ? 0 : ::GetLastError(),
                   first ? pattern : ""};
    if (ok && entry->lpszSourceUrlName != nullptr) call.url = entry->lpszSourceUrlName;
    Add(call);
    return ok;
}

HANDLE RecordingUrlCache::FindFirstEntry(const char* pattern, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    HANDLE h = nullptr;
    Read(pattern != nullptr ? pattern : "", &h, entry, size);
    return h;
}

BOOL RecordingUrlCache::FindNextEntry(HANDLE enumeration, INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    return Read(nullptr, &enumeration, entry, size) ? TRUE : FALSE;
}

BOOL RecordingUrlCache::FindClose(HANDLE enumeration) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_patterns.erase(std::remove_if(m_patterns.begin(), m_patterns.end(),
                                        [&](const auto& p) { return p.first == enumeration; }),
                         m_patterns.end());
    }
    BOOL r = m_real.FindClose(enumeration);
    Add({CacheCall::Close, std::string(), r != FALSE, 0, std::string()});
    return r;
}

BOOL RecordingUrlCache::DeleteEntry(const char* url) {
    if (beforeDelete) beforeDelete(url);
    BOOL r;
    if (std::find(refuse.begin(), refuse.end(), url) != refuse.end()) {
        ::SetLastError(refuseError);
        r = FALSE;
    } else {
        r = m_real.DeleteEntry(url);
    }
    Add({CacheCall::Delete, url, r != FALSE, r ? 0 : ::GetLastError(), std::string()});
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
