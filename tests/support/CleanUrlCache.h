// Wine's real URL cache, as the cleaning tests prepare and inspect it from the test process
// (the program under test shares the same Wine prefix, and so the same cache).
#pragma once

#include <string>
#include <vector>

// Adds one entry per name with CommitUrlCacheEntryA (no local file, ordinary entry type,
// whatever the name says it is). False if the cache refused any of them.
bool SeedUrlCache(const std::vector<std::string>& names);
// The source URL names of every entry, in the order the unfiltered enumeration delivers them.
std::vector<std::string> UrlCacheSourceNames();
// Deletes every entry that has a name; earlier tests and downloads leave entries behind.
void ClearUrlCache();
