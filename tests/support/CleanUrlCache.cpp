#include "CleanUrlCache.h"

#include <windows.h>
#include <wininet.h>

#include <utility>

bool SeedUrlCache(const std::vector<std::string>& names) {
    bool all = true;
    for (const std::string& name : names) {
        FILETIME none{};
        if (!::CommitUrlCacheEntryA(name.c_str(), nullptr, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr,
                                    nullptr)) {
            all = false;
        }
    }
    return all;
}

std::vector<std::string> UrlCacheSourceNames() {
    std::vector<std::string> names;
    std::vector<char> buffer;
    DWORD size = 0;
    ::FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (size == 0) return names;
    buffer.assign(size, 0);
    HANDLE enumeration = ::FindFirstUrlCacheEntryA(nullptr, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()), &size);
    if (enumeration == nullptr) return names;
    for (;;) {
        auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
        if (info->lpszSourceUrlName != nullptr) names.emplace_back(info->lpszSourceUrlName);
        size = 0;
        ::FindNextUrlCacheEntryA(enumeration, nullptr, &size);
        if (size == 0) break;
        buffer.assign(size, 0);
        if (!::FindNextUrlCacheEntryA(enumeration, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()), &size)) break;
    }
    ::FindCloseUrlCache(enumeration);
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
