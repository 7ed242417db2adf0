#include "ads/WebLink.h"

#include <cstring>

namespace {
bool StartsWithNoCase(const CString& text, const char* prefix) {
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

bool IsSafeWebLink(const CString& link) {
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
    if (authorityEnd == CString::npos) authorityEnd = link.size();
    CString authority = link.substr(authorityStart, authorityEnd - authorityStart);

    size_t at = authority.rfind(L'@');
    CString hostPort = at == CString::npos ? authority : authority.substr(at + 1);
    CString host;
    if (!hostPort.empty() && hostPort[0] == L'[') {
        size_t close = hostPort.find(L']');
        if (close == CString::npos) return false;
        host = hostPort.substr(1, close - 1);
    } else {
        host = hostPort.substr(0, hostPort.find(L':'));
    }
    return !host.empty() && host.find(L' ') == CString::npos;
}
