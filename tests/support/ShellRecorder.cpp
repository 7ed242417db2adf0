#include "ShellRecorder.h"

#include "AppProcess.h"
#include "Waiting.h"

#include <fstream>
#include <iterator>

namespace {
std::string WindowsPath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p) {
        if (c == '/') c = '\\';
    }
    return p;
}


bool KeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

// The value, or nothing if it is not there (values are read with a missing one told apart).
bool GetValue(HKEY root, const std::string& path, const char* name, std::string* value) {
    char buf[2048];
    DWORD size = sizeof(buf);
    DWORD type = 0;
    if (::RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type, buf,
                       &size) != ERROR_SUCCESS) {
        return false;
    }
    value->assign(buf);
    return true;
}

bool SetValue(HKEY root, const std::string& path, const char* name, const std::string& value) {
    HKEY key;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG rc = ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}
}  // namespace

ShellRecorder::ShellRecorder() {
    std::string binaryDir = EnvOr("DUSTWHIRL_BINARY_DIR", "");
    if (binaryDir.empty()) return;
    m_recorderPath = WindowsPath(binaryDir + "/dw_shellrecorder.exe");
    // In the prefix's own temporary folder: process ids repeat across the Wine servers of tests
    // that run side by side, and the build tree is shared by all of them.
    char temp[MAX_PATH + 1] = "";
    if (::GetTempPathA(MAX_PATH, temp) == 0) return;
    m_logPath = std::string(temp) + "shell-open-" + std::to_string(::GetCurrentProcessId()) + ".log";
    Clear();
    if (::GetFileAttributesA(m_recorderPath.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    m_installed = Register("http", true) && Register("https", true) && Register("Folder", false) &&
                  Register("Directory", false);
}

ShellRecorder::~ShellRecorder() {
    for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
        if (it->createdKey) {
            ::RegDeleteTreeA(it->root, it->classKey.c_str());
        } else if (it->hadCommand) {
            SetValue(it->root, it->classKey + "\\shell\\open\\command", nullptr, it->oldCommand);
        } else {
            ::RegDeleteTreeA(it->root, (it->classKey + "\\shell\\open\\command").c_str());
        }
    }
    Clear();
}

bool ShellRecorder::AddProtocol(const std::string& scheme) { return Register(scheme, true); }

bool ShellRecorder::Register(const std::string& classKey, bool urlProtocol) {
    const std::string command = "\"" + m_recorderPath + "\" \"" + m_logPath + "\" \"%1\"";
    const std::string commandKey = classKey + "\\shell\\open\\command";
    // The user's own classes are where a program registers itself. Wine (8) does not yet
    // read them into HKEY_CLASSES_ROOT, so there the machine's classes of the private test
    // prefix get the command as well.
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        const std::string base = "Software\\Classes\\" + classKey;
        Change change{root, base, !KeyExists(root, base), false, std::string()};
        change.hadCommand = GetValue(root, "Software\\Classes\\" + commandKey, nullptr, &change.oldCommand);
        m_changes.push_back(change);
        if (!SetValue(root, base + "\\shell\\open\\command", nullptr, command)) return false;
        if (urlProtocol && !SetValue(root, base, "URL Protocol", "")) return false;

        std::string seen;
        if (GetValue(HKEY_CLASSES_ROOT, commandKey, nullptr, &seen) && seen == command) return true;
    }
    return false;
}

std::vector<std::string> ShellRecorder::Records() const {
    std::vector<std::string> records;
    std::ifstream in(m_logPath, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A line still being written has no end yet and does not count.
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        records.push_back(text.substr(start, end - start));
    }
    return records;
}

bool ShellRecorder::WaitForRecords(size_t count, DWORD timeoutMs) const {
    return WaitUntil([&] { return Records().size() >= count; }, timeoutMs);
}

void ShellRecorder::Clear() {
    if (!m_logPath.empty()) ::DeleteFileA(m_logPath.c_str());
}
