#include "clean/KeepList.h"

#include "framework/FileReplace.h"
#include "framework/UniqueHandle.h"
#include "framework/WinUtil.h"

#include <shlobj.h>

#include <cstring>
#include <iterator>
#include <unordered_set>

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
// Far beyond any list a person keeps; a larger file is not read into memory at all.
constexpr LONGLONG kMaxListBytes = 4 << 20;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::vector<std::string> Labels(const std::string& host) {
    std::vector<std::string> labels;
    size_t start = 0;
    for (;;) {
        const size_t dot = host.find('.', start);
        labels.push_back(host.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) return labels;
        start = dot + 1;
    }
}

// Four decimal numbers of 0 to 255 without leading zeros, which some readers take for octal.
bool IsIpv4(const std::string& host) {
    const std::vector<std::string> parts = Labels(host);
    if (parts.size() != 4) return false;
    for (const std::string& p : parts) {
        if (!IsDigits(p) || p.size() > 3 || (p.size() > 1 && p[0] == '0') || std::stoi(p) > 255) return false;
    }
    return true;
}

// A host name as cookies carry it: lower-case labels of letters, digits, '-' and '_', none
// empty, and a last label that is not a number (that would be a mistyped address).
bool IsHostName(const std::string& host) {
    if (host.empty() || host.size() > 253) return false;
    const std::vector<std::string> labels = Labels(host);
    for (const std::string& label : labels) {
        if (label.empty() || label.size() > 63) return false;
        for (char c : label) {
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')) return false;
        }
    }
    return !IsDigits(labels.back());
}

// A label that begins or ends with '-' names no host, and a list line that begins with one
// reads like an option wherever the list is passed on: refused as the broken line it is.
bool HasDashAtALabelsEdge(const std::string& host) {
    for (const std::string& label : Labels(host)) {
        if (!label.empty() && (label.front() == '-' || label.back() == '-')) return true;
    }
    return false;
}

// What the copy's argument starts with: no option starts so, whatever the first host is.
constexpr wchar_t kRulesArgumentPrefix[] = L"hosts=";

// A host as a cookie may carry it: one leading dot (a cookie's domain form) and one trailing
// dot (the root's, "example.jp." is example.jp) say nothing about which host it is. A second
// dot is left, and makes the name unreadable.
std::string WithoutOuterDots(std::string host) {
    if (!host.empty() && host.front() == '.') host.erase(0, 1);
    if (!host.empty() && host.back() == '.') host.pop_back();
    return host;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000 || c == 0xFEFF; }

// A name typed in another script, as the cache stores it (punycode); empty if it is none.
std::string ToAsciiHost(const CString& text) {
    bool ascii = true;
    for (wchar_t c : text) ascii = ascii && c < 0x80;
    CString converted = text;
    if (!ascii) {
        wchar_t buffer[256];
        const int n = ::IdnToAscii(0, text.c_str(), static_cast<int>(text.size()), buffer, 256);
        if (n <= 0) return std::string();
        converted.assign(buffer, static_cast<size_t>(n));
        while (!converted.empty() && converted.back() == L'\0') converted.pop_back();
    }
    std::string host;
    for (wchar_t c : converted) {
        if (c >= 0x80) return std::string();
        host += LowerAscii(static_cast<char>(c));
    }
    return host;
}

}  // namespace

bool CKeepList::ParseLine(const CString& line, KeepRule& rule, CString& reason) {
    rule = KeepRule();
    CString text = line.substr(0, line.find(L'#'));
    size_t first = 0;
    while (first < text.size() && IsSpace(text[first])) ++first;
    size_t last = text.size();
    while (last > first && IsSpace(text[last - 1])) --last;
    text = text.substr(first, last - first);
    if (text.empty()) return true;

    bool wildcard = false;
    if (text.compare(0, 2, L"*.") == 0) {
        wildcard = true;
        text.erase(0, 2);
    }
    if (text.find(L'*') != CString::npos) {
        reason = L"「*」はホスト名の先頭の「*.」にしか書けません";
        return false;
    }
    const std::string host = ToAsciiHost(text);
    if (IsIpv4(host)) {
        if (wildcard) {
            reason = L"IP アドレスには「*.」を付けられません";
            return false;
        }
        rule.exact = true;
    } else if (!IsHostName(host)) {
        reason = L"ホスト名として読めません: " + text;
        return false;
    } else if (HasDashAtALabelsEdge(host)) {
        reason = L"ホスト名の区切りの前後に「-」は書けません: " + text;
        return false;
    }
    rule.host = host;
    return true;
}

bool CKeepList::Parse(const std::string& bytes, CKeepList& list, size_t& errorLine, CString& reason) {
    list = CKeepList();
    // Half a list is never handed out: a caller that ignores the answer still keeps nothing.
    struct Discard {
        CKeepList& list;
        bool done = false;
        ~Discard() { if (!done) list = CKeepList(); }
    } discard{list};
    size_t pos = bytes.compare(0, 3, kBom) == 0 ? 3 : 0;
    for (size_t number = 1; pos <= bytes.size(); ++number) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        const char* start = bytes.data() + pos;
        const int length = static_cast<int>(end - pos);
        // Bytes that are not UTF-8 would be read as some other host: the line is refused.
        if (length > 0 && ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, start, length, nullptr, 0) <= 0) {
            errorLine = number;
            reason = L"UTF-8 の文字として読めません";
            return false;
        }
        KeepRule rule;
        if (!ParseLine(ToWide(start, static_cast<size_t>(length), CP_UTF8), rule, reason)) {
            errorLine = number;
            return false;
        }
        rule.line = number;
        if (!rule.host.empty()) list.Add(std::move(rule));
        pos = end + 1;
    }
    discard.done = true;
    return true;
}

CString JoinRules(const CKeepList& list) {
    CString text = kRulesArgumentPrefix;
    for (const KeepRule& rule : list.Rules()) {
        if (text.size() > std::size(kRulesArgumentPrefix) - 1) text += L',';
        text += CString(rule.host.begin(), rule.host.end());
    }
    return text;
}

bool ParseJoinedRules(const CString& text, CKeepList& list) {
    list = CKeepList();
    CKeepList read;
    const size_t prefix = std::size(kRulesArgumentPrefix) - 1;
    if (text.compare(0, prefix, kRulesArgumentPrefix) != 0) return false;
    size_t pos = prefix;
    for (size_t number = 1; pos <= text.size(); ++number) {
        size_t end = text.find(L',', pos);
        if (end == CString::npos) end = text.size();
        KeepRule rule;
        CString reason;
        // An empty piece, a comment or a wildcard is nothing JoinRules writes.
        const CString piece = text.substr(pos, end - pos);
        if (piece.find_first_of(L"#* \t") != CString::npos || !CKeepList::ParseLine(piece, rule, reason) ||
            rule.host.empty()) {
            return false;
        }
        rule.line = number;
        read.Add(std::move(rule));
        pos = end + 1;
    }
    list = std::move(read);
    return true;
}

bool CKeepList::KeepsHost(const std::string& hostText) const {
    std::string host;
    for (char c : hostText) host += LowerAscii(c);
    host = WithoutOuterDots(std::move(host));
    if (host.empty()) return false;
    const bool address = IsIpv4(host);
    for (const KeepRule& rule : m_rules) {
        if (host == rule.host) return true;
        // A name keeps its subdomains: "www.example.jp" ends in ".example.jp"; an address
        // keeps itself only, and no address is a subdomain of anything.
        if (rule.exact || address || host.size() <= rule.host.size()) continue;
        const size_t at = host.size() - rule.host.size();
        if (host[at - 1] == '.' && host.compare(at, std::string::npos, rule.host) == 0) return true;
    }
    return false;
}

bool CKeepList::KeepsEntry(const char* sourceUrlName) const {
    if (m_rules.empty()) return false;
    const std::string host = CookieHost(sourceUrlName);
    return !host.empty() && KeepsHost(host);
}

std::string CookieHost(const char* name) {
    static const char kPrefix[] = "cookie:";
    const size_t prefix = sizeof(kPrefix) - 1;
    if (name == nullptr || std::strlen(name) < prefix) return std::string();
    for (size_t i = 0; i < prefix; ++i) {
        if (LowerAscii(name[i]) != kPrefix[i]) return std::string();
    }
    // "user@host/path": a user name may hold '@' itself, a host never holds '@' or '/'.
    const std::string rest = name + prefix;
    const size_t slash = rest.find('/');
    const size_t at = rest.rfind('@', slash);
    if (at == std::string::npos) return std::string();
    std::string host;
    for (char c : rest.substr(at + 1, slash == std::string::npos ? std::string::npos : slash - at - 1)) {
        host += LowerAscii(c);
    }
    host = WithoutOuterDots(std::move(host));
    return IsHostName(host) || IsIpv4(host) ? host : std::string();
}

KeepListSource StoredKeepList() { return StoredKeepListIn(GetSpecialFolderPath(CSIDL_APPDATA)); }

KeepListSource StoredKeepListIn(const CString& appData) {
    KeepListSource source;
    if (appData.empty()) {
        source.placeUnknown = true;
    } else {
        source.path = appData + L"\\Dustwhirl\\keep.txt";
    }
    return source;
}

KeepListBytes ReadKeepListBytes(const CString& path) {
    KeepListBytes read;
    const CString full = LongPathForm(path);
    if (full.empty()) {
        // A device or a name that is no file: never "missing", which would keep nothing.
        read.status = KeepListBytes::Status::Unreadable;
        read.reason = L"ファイルの名前として使えません";
        return read;
    }
    // No FILE_SHARE_WRITE: a writer at work makes this open fail, rather than hand over the
    // empty or half-written file that it would be at this moment.
    CFileHandle file(::CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return read;
        read.status = KeepListBytes::Status::Unreadable;
        read.reason = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
                          ? CString(L"ほかのプログラムが書き込み中のため開けません")
                          : L"ファイルを開けません（エラー " + DecimalText(error) + L"）";
        return read;
    }
    read.status = KeepListBytes::Status::Unreadable;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxListBytes) {
        read.reason = L"ファイルが大きすぎるか、大きさを読めません";
        return read;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size())) {
        read.reason = L"ファイルを最後まで読めません";
        return read;
    }
    read.status = KeepListBytes::Status::Read;
    read.bytes = std::move(bytes);
    return read;
}

KeepListLoad LoadKeepList(const KeepListSource& source) {
    KeepListLoad load;
    if (source.placeUnknown) {
        load.status = KeepListLoad::Status::Broken;
        load.reason = L"%APPDATA% の場所がわからないため、一覧の置き場所がわかりません";
        return load;
    }
    if (source.path.empty()) {
        load.status = KeepListLoad::Status::Loaded;
        return load;
    }
    KeepListBytes read = ReadKeepListBytes(source.path);
    switch (read.status) {
    case KeepListBytes::Status::Missing:
        if (!source.mustExist) return load;
        load.status = KeepListLoad::Status::Broken;
        load.reason = L"ファイルがありません";
        return load;
    case KeepListBytes::Status::Unreadable:
        load.status = KeepListLoad::Status::Broken;
        load.reason = read.reason;
        return load;
    case KeepListBytes::Status::Read: break;
    }
    load.status = KeepListLoad::Status::Broken;
    if (!CKeepList::Parse(read.bytes, load.list, load.line, load.reason)) return load;
    load.status = KeepListLoad::Status::Loaded;
    load.bytes = std::move(read.bytes);
    return load;
}

CString KeepListErrorText(const KeepListSource& source, const KeepListLoad& load) {
    const CString file = source.placeUnknown ? CString(L"%APPDATA%\\Dustwhirl\\keep.txt") : source.path;
    CString text = L"残すサイトの一覧を読めないため、何も削除しませんでした。\n\nファイル: " + file + L"\n";
    if (load.line != 0) text += DecimalText(load.line) + L" 行目: ";
    return text + load.reason;
}

std::string RewriteKeepList(const std::string& oldBytes, const std::vector<std::string>& keptHosts) {
    std::unordered_set<std::string> wanted(keptHosts.begin(), keptHosts.end());
    std::unordered_set<std::string> written;
    std::string text;
    if (oldBytes.empty()) text = ToUtf8(L"# クッキーを残すサイト。1 行に 1 つ、example.jp はそのサブドメインも含みます。\r\n");
    size_t pos = 0;
    while (pos < oldBytes.size()) {
        size_t end = oldBytes.find('\n', pos);
        end = end == std::string::npos ? oldBytes.size() : end + 1;
        const std::string line = oldBytes.substr(pos, end - pos);
        pos = end;
        KeepRule rule;
        CString reason;
        const bool parsed = CKeepList::ParseLine(FromUtf8(line), rule, reason);
        // Comments, blank lines and anything not understood stay as the user wrote them.
        if (parsed && !rule.host.empty()) {
            if (wanted.count(rule.host) == 0 || !written.insert(rule.host).second) continue;
        }
        text += line;
    }
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    for (const std::string& host : keptHosts) {
        if (written.insert(host).second) text += host + "\r\n";
    }
    return text;
}

bool SaveKeepList(const CString& path, const std::string& bytes) {
    // %APPDATA% is there; the program's folder within it may not be yet. Each missing level
    // is made in turn (the first ones, the prefix and the drive, simply fail).
    const CString full = LongPathForm(path);
    for (size_t separator = full.find(L'\\', 4); separator != CString::npos;
         separator = full.find(L'\\', separator + 1)) {
        ::CreateDirectoryW(full.substr(0, separator).c_str(), nullptr);
    }
    return ReplaceFileWith(path, bytes);
}
