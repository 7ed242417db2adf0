#include "about/VersionInfo.h"

#include "framework/SystemLibrary.h"
#include "framework/WinUtil.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace {
const wchar_t* const kKeys[CVersionInfo::kFieldCount] = {
    L"\\CompanyName",     L"\\FileDescription", L"\\FileVersion",   L"\\InternalName",
    L"\\LegalCopyright",  L"\\OriginalFileName", L"\\ProductName",  L"\\ProductVersion",
    L"\\Comments",        L"\\LegalTrademarks", L"\\PrivateBuild",  L"\\SpecialBuild",
};
const wchar_t kMissing[] = L"-";

// version.dll is no KnownDLL: imported, Windows would take a copy planted beside the program
// before its own. Loaded on first use from the system folder instead.
struct VersionFunctions {
    decltype(&::GetFileVersionInfoSizeW) getSize = SystemFunction<decltype(&::GetFileVersionInfoSizeW)>(
        L"version.dll", "GetFileVersionInfoSizeW");
    decltype(&::GetFileVersionInfoW) getInfo =
        SystemFunction<decltype(&::GetFileVersionInfoW)>(L"version.dll", "GetFileVersionInfoW");
    decltype(&::VerQueryValueW) query = SystemFunction<decltype(&::VerQueryValueW)>(L"version.dll", "VerQueryValueW");
    bool Usable() const { return getSize != nullptr && getInfo != nullptr && query != nullptr; }
};

const VersionFunctions& Version() {
    static const VersionFunctions functions;
    return functions;
}
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

void CVersionInfo::Read(const CString& path) {
    Clear();

    const VersionFunctions& version = Version();
    DWORD handle = 0;
    // Without the library, the file reads as one without a version resource.
    DWORD size = version.Usable() ? version.getSize(path.c_str(), &handle) : 0;
    // Twice the size leaves the platform room past the resource itself for whatever it keeps
    // there. The buffer starts zeroed so that a string left without its terminator still
    // ends inside it.
    std::vector<BYTE> buffer(static_cast<size_t>(size) * 2);

    void* translation = nullptr;
    UINT translationLen = 0;
    // A translation table too short for one entry counts as none: its words are not there.
    bool usable = size != 0 && version.getInfo(path.c_str(), handle, size, buffer.data()) &&
                  version.query(buffer.data(), L"\\VarFileInfo\\Translation", &translation, &translationLen) &&
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
    const auto* begin = reinterpret_cast<const wchar_t*>(buffer.data());
    const wchar_t* end = begin + buffer.size() / sizeof(wchar_t);
    for (int i = 0; i < kFieldCount; ++i) {
        const CString query = L"\\StringFileInfo\\" + HexText(language, 4) + HexText(codePage, 4) + kKeys[i];
        void* found = nullptr;
        UINT len = 0;
        bool ok = version.query(buffer.data(), query.c_str(), &found, &len) != FALSE;
        const auto* value = static_cast<const wchar_t*>(found);
        if (!ok || value == nullptr || value < begin || value >= end) {
            SetField(i, kMissing);
        } else if (len == 0) {
            // A value stored with no characters at all: the pointer then says nothing useful.
            SetField(i, CString());
        } else {
            // The stored length may count the terminator or not; the zeroed buffer end bounds
            // the string either way.
            SetField(i, CString(value, ::wcsnlen(value, static_cast<size_t>(end - value))));
        }
    }
}
