#include "app/SignInSetting.h"

#include "app/CommandLine.h"

#include <vector>

const wchar_t kSignInValueName[] = L"Dustwhirl";

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// A full path may be as long as the wide file functions allow, and the options are short;
// anything longer is not a value this program wrote.
constexpr DWORD kMaxValueChars = 32768 + 64;

const wchar_t* KindOption(bool bCache, bool bCookie) {
    if (bCache && bCookie) return L"/all";
    if (bCache) return L"/cache";
    if (bCookie) return L"/cookie";
    return nullptr;
}

// The long form of a path, or the path itself when the file is not there (or is not looked at).
CString LongName(const CString& path) {
    if (!OnLocalDisk(path)) return path;
    const DWORD needed = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0 || needed > kMaxValueChars) return path;
    CString longName(needed, L'\0');
    const DWORD got = ::GetLongPathNameW(path.c_str(), &longName[0], needed);
    if (got == 0 || got >= needed) return path;
    longName.resize(got);
    return longName;
}

bool EqualIgnoringCase(const CString& a, const CString& b) {
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
}

}  // namespace

CString SignInValue(const CString& program, bool bCache, bool bCookie) {
    const wchar_t* kind = KindOption(bCache, bCookie);
    if (kind == nullptr || program.empty() || program.find(L'"') != CString::npos) return CString();
    return L"\"" + program + L"\" " + kSignInRunOption + L" " + kind;
}

SignInSetting ParseSignInValue(const CString& text) {
    SignInSetting setting;
    setting.state = SignInSetting::State::Foreign;
    setting.text = text;
    // The program in quotes, as this program writes it; its end is the next quote, as the
    // system reads a command line's first word.
    if (text.size() < 2 || text[0] != L'"') return setting;
    const size_t close = text.find(L'"', 1);
    if (close == CString::npos || close == 1) return setting;
    const CString program = text.substr(1, close - 1);

    const std::vector<CString> args = SplitArguments(text.c_str());
    std::vector<const wchar_t*> argv;
    for (const CString& arg : args) argv.push_back(arg.c_str());
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    // Exactly the written form, so that nothing the user added is dropped by a rewrite.
    if (line.mode != CommandLine::Mode::SignInRun || SignInValue(program, line.bCache, line.bCookie) != text) {
        return setting;
    }
    setting.state = SignInSetting::State::Ours;
    setting.program = program;
    setting.bCache = line.bCache;
    setting.bCookie = line.bCookie;
    return setting;
}

CRegistryKey OpenRunKey(REGSAM rights, LONG& error) {
    CRegistryKey key;
    error = ::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, rights, nullptr, key.Receive(), nullptr);
    if (error != ERROR_SUCCESS) key.Reset();
    return key;
}

SignInSetting ReadSignInSetting(HKEY runKey) {
    SignInSetting setting;
    DWORD type = 0;
    DWORD bytes = 0;
    LONG error = ::RegQueryValueExW(runKey, kSignInValueName, nullptr, &type, nullptr, &bytes);
    if (error == ERROR_FILE_NOT_FOUND) return setting;
    std::vector<wchar_t> buffer;
    if (error == ERROR_SUCCESS) {
        if (bytes > kMaxValueChars * sizeof(wchar_t)) {
            error = ERROR_MORE_DATA;
        } else {
            buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
            DWORD got = bytes;
            error = ::RegQueryValueExW(runKey, kSignInValueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                       &got);
            // Changed between the two reads: read as unknown rather than half.
            if (error == ERROR_SUCCESS && got > bytes) error = ERROR_MORE_DATA;
            bytes = got;
        }
    }
    if (error != ERROR_SUCCESS) {
        setting.state = SignInSetting::State::Unreadable;
        setting.error = error;
        return setting;
    }
    // The stored text need not end with a terminator: it ends where the bytes do, or at the first one.
    CString text(buffer.data(), bytes / sizeof(wchar_t));
    text = text.substr(0, text.find(L'\0'));
    if (type != REG_SZ) {
        setting.state = SignInSetting::State::Foreign;
        setting.text = text;
        return setting;
    }
    return ParseSignInValue(text);
}

LONG WriteSignInSetting(HKEY runKey, const CString& program, bool bCache, bool bCookie) {
    if (!bCache && !bCookie) {
        const LONG error = ::RegDeleteValueW(runKey, kSignInValueName);
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    const CString value = SignInValue(program, bCache, bCookie);
    if (value.empty()) return ERROR_BAD_PATHNAME;
    return ::RegSetValueExW(runKey, kSignInValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

SignInSetting ReadSignInSetting() {
    LONG error = ERROR_SUCCESS;
    const CRegistryKey key = OpenRunKey(KEY_QUERY_VALUE, error);
    if (!key) {
        SignInSetting setting;
        setting.state = SignInSetting::State::Unreadable;
        setting.error = error;
        return setting;
    }
    return ReadSignInSetting(key.get());
}

LONG WriteSignInSetting(const CString& program, bool bCache, bool bCookie) {
    LONG error = ERROR_SUCCESS;
    const CRegistryKey key = OpenRunKey(KEY_SET_VALUE, error);
    if (!key) return error;
    return WriteSignInSetting(key.get(), program, bCache, bCookie);
}

bool OnLocalDisk(const CString& path) {
    if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;
    const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
    const UINT type = ::GetDriveTypeW(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
}

bool SameProgram(const CString& a, const CString& b) {
    return EqualIgnoringCase(a, b) || EqualIgnoringCase(LongName(a), LongName(b));
}
