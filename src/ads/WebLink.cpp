#include "ads/WebLink.h"

#include <cstring>

namespace {
bool StartsWithNoCase(const std::wstring& text, const char* prefix) {
    size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != static_cast<wchar_t>(prefix[i])) return false;
    }
    return true;
}
}  // namespace

bool IsSafeWebLink(const std::wstring& link) {
    size_t authorityStart;
    if (StartsWithNoCase(link, "http://")) {
        authorityStart = 7;
    } else if (StartsWithNoCase(link, "https://")) {
        authorityStart = 8;
    } else {
        return false;
    }

    for (wchar_t c : link) {
        // The shell puts the link into the handler's command line: a quote could end it there.
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == L'"') return false;
    }

    // The authority ends where the path, query or fragment begins; browsers read a
    // backslash there as a slash.
    size_t authorityEnd = link.find_first_of(L"/\\?#", authorityStart);
    if (authorityEnd == std::wstring::npos) authorityEnd = link.size();
    std::wstring authority = link.substr(authorityStart, authorityEnd - authorityStart);

    size_t at = authority.rfind(L'@');
    std::wstring hostPort = at == std::wstring::npos ? authority : authority.substr(at + 1);
    std::wstring host;
    if (!hostPort.empty() && hostPort[0] == L'[') {
        size_t close = hostPort.find(L']');
        if (close == std::wstring::npos) return false;
        host = hostPort.substr(1, close - 1);
    } else {
        host = hostPort.substr(0, hostPort.find(L':'));
    }
    return !host.empty() && host.find(L' ') == std::wstring::npos;
}
