#include "CleanUrlCache.h"

#include "clean/CacheEnumeration.h"
#include "framework/UrlCache.h"

#include <windows.h>
#include <wininet.h>

#include <utility>

bool SeedUrlCache(const std::vector<std::string>& names, DWORD type) {
    bool all = true;
    for (const std::string& name : names) {
        FILETIME none{};
        if (!::CommitUrlCacheEntryA(name.c_str(), nullptr, none, none, type, nullptr, 0, nullptr, nullptr)) {
            all = false;
        }
    }
    return all;
}

std::vector<std::string> UrlCacheSourceNames() {
    // Always the real cache, even while a test has installed another one for the program.
    CSystemUrlCache system;
    CCacheEnumeration walk(nullptr, system);
    std::vector<std::string> names;
    while (const INTERNET_CACHE_ENTRY_INFOA* entry = walk.Next()) {
        if (entry->lpszSourceUrlName != nullptr) names.emplace_back(entry->lpszSourceUrlName);
    }
    return names;
}

void ClearUrlCache() {
    // A few rounds, in case something adds entries while the first round deletes.
    for (int round = 0; round < 5; ++round) {
        std::vector<std::string> names = UrlCacheSourceNames();
        if (names.empty()) return;
        for (const std::string& name : names) ::DeleteUrlCacheEntryA(name.c_str());
    }
}

bool SeedUrlCacheFile(const std::string& name, size_t bytes) {
    char path[MAX_PATH] = {};
    if (!::CreateUrlCacheEntryA(name.c_str(), static_cast<DWORD>(bytes), "bin", path, 0)) return false;
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> body(bytes, 'x');
    DWORD written = 0;
    const bool ok = bytes == 0 || ::WriteFile(file, body.data(), static_cast<DWORD>(bytes), &written, nullptr);
    ::CloseHandle(file);
    FILETIME none{};
    return ok && ::CommitUrlCacheEntryA(name.c_str(), path, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr,
                                        nullptr);
}

HeldCacheEntry::HeldCacheEntry(std::string name) : m_name(std::move(name)) {
    std::vector<char> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    m_held = ::RetrieveUrlCacheEntryFileA(m_name.c_str(), reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()),
                                          &size, 0) != FALSE;
}

HeldCacheEntry::~HeldCacheEntry() {
    if (m_held) ::UnlockUrlCacheEntryFileA(m_name.c_str(), 0);
}
