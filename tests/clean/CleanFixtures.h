// The seeded URL cache that the cleaning tests share: one entry of every kind that the
// classification tells apart, with the look-alikes that must not be mistaken for them.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace cleanfix {

inline const std::vector<std::string>& ContentNames() {
    static const std::vector<std::string> names = {
        "http://www.example.test/index.html",
        "https://secure.example.test/account?id=7",
        "ftp://files.example.test/pub/tool.zip",
        "cookiejar://jar.example.test/",  // not "cookie:"
        "visit://visit.example.test/",    // not "visited:"
        "cookie",                         // shorter than the prefix
        "visited",
        "http://www.example.test/ページ.html",
    };
    return names;
}

inline const std::vector<std::string>& CookieNames() {
    static const std::vector<std::string> names = {
        "Cookie:alice@example.test/",
        "Cookie:bob@shop.example.test/cart",
        "COOKIE:carol@example.test/",
        "cOoKiE:dave@example.test/",
        "cookie:",
        "Cookie:ユーザー@example.test/",
    };
    return names;
}

inline const std::vector<std::string>& HistoryNames() {
    static const std::vector<std::string> names = {
        "Visited:alice@http://www.example.test/index.html",
        "VISITED:alice@https://secure.example.test/",
        "vIsItEd:bob@http://files.example.test/",
        "visited:",
    };
    return names;
}

inline std::vector<std::string> Concat(std::initializer_list<const std::vector<std::string>*> parts) {
    std::vector<std::string> all;
    for (const auto* p : parts) all.insert(all.end(), p->begin(), p->end());
    return all;
}

inline std::vector<std::string> AllNames() { return Concat({&ContentNames(), &CookieNames(), &HistoryNames()}); }

inline std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// What a cleaning of this mode leaves behind of AllNames().
inline std::vector<std::string> LeftAfter(bool bCache, bool bCookie) {
    std::vector<std::string> left = HistoryNames();
    if (!bCache) left.insert(left.end(), ContentNames().begin(), ContentNames().end());
    if (!bCookie) left.insert(left.end(), CookieNames().begin(), CookieNames().end());
    return Sorted(left);
}

}  // namespace cleanfix
