// The sites whose cookies a cleaning leaves alone: a UTF-8 text file, one host a line. A
// self-contained unit: it reads the list from bytes or from a file named by its caller, and
// answers whether a host or a cookie entry is kept. Nothing here looks at a global setting.
#pragma once

#include "framework/Afx.h"

#include <string>
#include <vector>

// One line of the list, as the list understood it.
struct KeepRule {
    std::string host;   // lower-case ASCII (punycode for a name typed in another script)
    bool exact = false; // an IP address: that address only; a name keeps its subdomains too
    size_t line = 0;    // 1-based line of the file it came from
};

class CKeepList {
public:
    // Reads the text of a list (UTF-8, a byte order mark allowed). False on the first line
    // that is not a host, with that line's number and why in errorLine and reason.
    static bool Parse(const std::string& bytes, CKeepList& list, size_t& errorLine, CString& reason);
    // One line's host, as Parse reads it: true with rule.host set, or false with reason
    // (an empty or comment-only line is "no rule": true with an empty host).
    static bool ParseLine(const CString& line, KeepRule& rule, CString& reason);

    // Whether the list keeps the cookies of host (any case; one leading and one trailing dot are
    // ignored).
    bool KeepsHost(const std::string& host) const;
    // Whether it keeps this cache entry: a cookie ("Cookie:user@host/path", any case) of a
    // kept host. A name whose host cannot be read is not kept.
    bool KeepsEntry(const char* sourceUrlName) const;

    const std::vector<KeepRule>& Rules() const { return m_rules; }
    bool Empty() const { return m_rules.empty(); }
    void Add(KeepRule rule) { m_rules.push_back(std::move(rule)); }

private:
    std::vector<KeepRule> m_rules;
};

// The rules as one argument of the second pass's copy: "hosts=" and the hosts joined by
// commas, which no host holds. The prefix keeps the value from ever reading as an option,
// whatever the first host. The copy obeys the list as the first pass read it and never reads
// the file.
CString JoinRules(const CKeepList& list);
// Reads what JoinRules wrote: false, and an empty list, on any piece that is not a host.
bool ParseJoinedRules(const CString& text, CKeepList& list);

// The host of a cookie entry's name, lower-case; empty when the name is not a cookie's or
// its host cannot be read.
std::string CookieHost(const char* sourceUrlName);

// Which list a cleaning obeys. Callers pass it on explicitly, so a second copy of the
// program can be told the same list.
struct KeepListSource {
    CString path;       // empty: keep nothing (unless placeUnknown)
    bool mustExist = false;  // named by the user: a missing file is an error, not an empty list
    // The stored list's folder could not be found: whatever the list says is unknown, so a
    // cleaning of cookies stops as it does for a list it cannot read.
    bool placeUnknown = false;
};

// The stored list: %APPDATA%\Dustwhirl\keep.txt, or placeUnknown when the shell cannot say
// where %APPDATA% is.
KeepListSource StoredKeepList();
// The same within the given %APPDATA% folder (empty: unknown).
KeepListSource StoredKeepListIn(const CString& appData);

// A list read from its file, or why it could not be.
struct KeepListLoad {
    enum class Status { Loaded, Missing, Broken };
    Status status = Status::Missing;
    CKeepList list;        // empty unless Loaded
    std::string bytes;     // the file as read (Loaded), for rewriting it around its own lines
    size_t line = 0;       // Broken: the line at fault; 0 when the file could not be read
    CString reason;        // Broken: why
};

// The bytes of a list file as they are now. Opened for reading with others allowed to read
// only: while anyone writes the file (an editor half-way through saving it) it cannot be
// opened, and that is Unreadable, never an empty or half list.
struct KeepListBytes {
    enum class Status { Read, Missing, Unreadable };
    Status status = Status::Missing;
    std::string bytes;  // Read: the whole file
    CString reason;     // Unreadable: why
    bool operator==(const KeepListBytes& other) const { return status == other.status && bytes == other.bytes; }
    bool operator!=(const KeepListBytes& other) const { return !(*this == other); }
};
KeepListBytes ReadKeepListBytes(const CString& path);

// Reads the list of source. A missing file is an empty list unless source.mustExist; a file
// that cannot be read, or has a line that is not a host, is Broken, and so is a stored list
// whose place is unknown: fail closed.
KeepListLoad LoadKeepList(const KeepListSource& source);

// What a broken list says to the user: which file, which line, and why.
CString KeepListErrorText(const KeepListSource& source, const KeepListLoad& load);

// The text of the list after an edit: the old text's comments and blank lines stay, a rule
// line stays when its host is still kept, and the kept hosts it did not have are appended.
std::string RewriteKeepList(const std::string& oldBytes, const std::vector<std::string>& keptHosts);

// Writes the list whole (a side file, then a move), creating its folder if need be.
bool SaveKeepList(const CString& path, const std::string& bytes);
