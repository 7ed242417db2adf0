#include "about/VersionInfo.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
const char* const kKeys[CVersionInfo::kFieldCount] = {
    "\\CompanyName",     "\\FileDescription", "\\FileVersion",   "\\InternalName",
    "\\LegalCopyright",  "\\OriginalFileName", "\\ProductName",  "\\ProductVersion",
    "\\Comments",        "\\LegalTrademarks", "\\PrivateBuild",  "\\SpecialBuild",
};
const char kMissing[] = "-";
}  // namespace

CVersionInfo::CVersionInfo() { Clear(); }

CVersionInfo::~CVersionInfo() = default;

void CVersionInfo::Clear() {
    for (CString& field : m_fields) field.clear();
}

void CVersionInfo::SetField(int index, const CString& value) {
    if (index < 0 || index >= kFieldCount) return;
    m_fields[index] = value;
}

void CVersionInfo::Read(std::string path) {
    Clear();

    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    // The ANSI queries convert strings into room past the resource itself; four times the
    // size leaves the platform plenty of it whatever it reports. The buffer starts zeroed so
    // that a converted string left without its terminator still ends inside it.
    std::vector<BYTE> buffer(static_cast<size_t>(size) * 4);

    void* translation = nullptr;
    UINT translationLen = 0;
    // A translation table too short for one entry counts as none: its words are not there.
    bool usable = size != 0 && ::GetFileVersionInfoA(path.c_str(), handle, size, buffer.data()) &&
                  ::VerQueryValueA(buffer.data(), "\\VarFileInfo\\Translation", &translation, &translationLen) &&
                  translation != nullptr && translationLen >= 2 * sizeof(WORD);
    if (!usable) {
        for (int i = 0; i < kFieldCount; ++i) SetField(i, kMissing);
        return;
    }

    // Only the first translation names the string block that is read.
    WORD entry[2];
    std::memcpy(entry, translation, sizeof(entry));
    unsigned language = entry[0];
    unsigned codePage = entry[1];
    const char* end = reinterpret_cast<const char*>(buffer.data() + buffer.size());
    for (int i = 0; i < kFieldCount; ++i) {
        char query[64];
        std::snprintf(query, sizeof(query), "%s%04x%04x%s", "\\StringFileInfo\\", language, codePage, kKeys[i]);
        void* found = nullptr;
        UINT len = 0;
        bool ok = ::VerQueryValueA(buffer.data(), query, &found, &len) != FALSE;
        const char* value = static_cast<const char*>(found);
        if (!ok || value == nullptr || value < reinterpret_cast<const char*>(buffer.data()) || value >= end) {
            SetField(i, kMissing);
        } else if (len == 0) {
            // A value stored with no characters at all: the pointer then says nothing useful.
            SetField(i, CString());
        } else {
            // The length is counted in characters on some systems and in bytes on others, so
            // it cannot bound a Shift_JIS string; the zeroed buffer end can.
            SetField(i, CString(value, ::strnlen(value, static_cast<size_t>(end - value))));
        }
    }
}
