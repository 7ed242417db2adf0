// Wine's real URL cache, as the cleaning tests prepare and inspect it from the test process
// (the program under test shares the same Wine prefix, and so the same cache).
#pragma once

#include <string>
#include <vector>

// Adds one entry per name with CommitUrlCacheEntryA (no local file, of the given entry type
// whatever the name says it is). False if the cache refused any of them.
bool SeedUrlCache(const std::vector<std::string>& names, unsigned long type = 0x00000001 /* NORMAL_CACHE_ENTRY */);
// The source URL names of every entry, in the order the unfiltered enumeration delivers them.
std::vector<std::string> UrlCacheSourceNames();
// Deletes every entry that has a name; earlier tests and downloads leave entries behind.
void ClearUrlCache();

// Adds one content entry whose cached file holds the given number of bytes, as a download
// would leave it. False if the cache refused it.
bool SeedUrlCacheFile(const std::string& name, size_t bytes);

// Holds an entry's cached file open the way a reader does (RetrieveUrlCacheEntryFileA), so
// that the cache refuses to delete the entry until the holder lets go.
class HeldCacheEntry {
public:
    explicit HeldCacheEntry(std::string name);
    ~HeldCacheEntry();
    HeldCacheEntry(const HeldCacheEntry&) = delete;
    HeldCacheEntry& operator=(const HeldCacheEntry&) = delete;
    bool held() const { return m_held; }

private:
    std::string m_name;
    bool m_held = false;
};
