#include "ads/WebLink.h"

#include <cstring>

namespace {
bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}
}  // namespace

bool IsSafeWebLink(const std::string& link) {
    size_t authorityStart;
    if (StartsWithNoCase(link, "http://")) {
        authorityStart = 7;
    } else if (StartsWithNoCase(link, "https://")) {
        authorityStart = 8;
    } else {
        return false;
    }

    for (unsigned char c : link) {
        // The shell puts the link into the handler's command line: a quote could end it there.
        if (c < 0x20 || c == 0x7F || c == '"') return false;
    }

    // The authority ends where the path, query or fragment begins; browsers read a
    // backslash there as a slash.
    size_t authorityEnd = link.find_first_of("/\\?#", authorityStart);
    if (authorityEnd == std::string::npos) authorityEnd = link.size();
    std::string authority = link.substr(authorityStart, authorityEnd - authorityStart);

    size_t at = authority.rfind('@');
    std::string hostPort = at == std::string::npos ? authority : authority.substr(at + 1);
    std::string host;
    if (!hostPort.empty() && hostPort[0] == '[') {
        size_t close = hostPort.find(']');
        if (close == std::string::npos) return false;
        host = hostPort.substr(1, close - 1);
    } else {
        host = hostPort.substr(0, hostPort.find(':'));
    }
    return !host.empty() && host.find(' ') == std::string::npos;
}
