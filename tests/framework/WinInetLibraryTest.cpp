// WinInet loaded on first use: one complete table for every thread, and system libraries
// taken from the system folder only, by the program's own calls and by the loader.
#include "framework/UniqueHandle.h"
#include "framework/SystemLibrary.h"
#include "framework/WinInetLibrary.h"
#include "framework/WinUtil.h"

#include "AppProcess.h"
#include "Waiting.h"
#include "app/resource.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <thread>
#include <vector>

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

TEST(WinInetLibrary, ThreadsCallingAtOnceShareOneCompleteTableFromTheSystemFolder) {
    std::vector<const WinInetFunctions*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (auto& slot : seen) threads.emplace_back([&slot] { slot = WinInet(); });
    for (auto& t : threads) t.join();
    ASSERT_NE(seen[0], nullptr);
    for (const WinInetFunctions* table : seen) EXPECT_EQ(table, seen[0]);

    // Every member resolved: a null one would be called as address 0.
    const auto* slots = reinterpret_cast<void* const*>(seen[0]);
    for (size_t i = 0; i < sizeof(WinInetFunctions) / sizeof(void*); ++i) EXPECT_NE(slots[i], nullptr) << i;

    HMODULE module = nullptr;
    ASSERT_TRUE(::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                     reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(seen[0]->InternetOpenA)), &module));
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(Lower(GetModuleFilePath(module)), Lower(std::wstring(system, length) + L"\\wininet.dll"));
}

TEST(WinInetLibrary, ALibraryOnlyInTheProgramsFolderIsNotLoaded) {
    const std::wstring self = GetModuleFilePath();
    const std::wstring planted = self.substr(0, self.find_last_of(L'\\') + 1) + L"dw_planted.dll";
    ASSERT_NE(::GetFileAttributesW(planted.c_str()), INVALID_FILE_ATTRIBUTES) << "the build puts it beside the tests";

    EXPECT_EQ(LoadSystemLibrary(L"dw_planted.dll"), nullptr);
    // The ordinary search would have taken it (asked second: a loaded module is found by name).
    HMODULE ordinary = ::LoadLibraryW(L"dw_planted.dll");
    EXPECT_NE(ordinary, nullptr);
    if (ordinary != nullptr) ::FreeLibrary(ordinary);

    // Once the program has kept the search to the system folder, not even the ordinary search
    // takes it, whoever asks.
    ASSERT_TRUE(KeepDllSearchToTheSystemFolder());
    HMODULE restricted = ::LoadLibraryW(L"dw_planted.dll");
    EXPECT_EQ(restricted, nullptr);
    if (restricted != nullptr) ::FreeLibrary(restricted);
    // The rest of this test program searches as it did (the program's folder among the rest).
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")))(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

// Start-up itself keeps the search to the system folder: a program built on the program's own
// start-up code, lying beside the planted library, cannot load it by its bare name, though the
// ordinary search of this test program (the same folder) takes it.
TEST(WinInetLibrary, TheProgramsStartUpKeepsALibraryBesideItFromLoading) {
    const std::wstring self = GetModuleFilePath();
    const std::wstring host = self.substr(0, self.find_last_of(L'\\') + 1) + L"dw_startup_host.exe";
    HMODULE ordinary = ::LoadLibraryW(L"dw_planted.dll");
    ASSERT_NE(ordinary, nullptr) << "the planted library lies beside the host";
    ::FreeLibrary(ordinary);
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + host + L"\"";
    ASSERT_TRUE(::CreateProcessW(host.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << ToUtf8(host);
    CKernelHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u) << "7: the planted library was loaded";
}

// Tells Wine to take a DLL of the program's folder before its own for one program name, as
// Windows does for any DLL that is not a KnownDLL; undone when it goes.
class PreferLocalDll {
public:
    PreferLocalDll(const std::wstring& program, const wchar_t* dll)
        : m_key(L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides") {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != 0) return;
        const wchar_t value[] = L"native,builtin";
        m_set = ::RegSetValueExW(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value)) == 0;
        ::RegCloseKey(key);
    }
    ~PreferLocalDll() {
        ::RegDeleteKeyW(HKEY_CURRENT_USER, m_key.c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, m_key.substr(0, m_key.find_last_of(L'\\')).c_str());
    }
    bool Set() const { return m_set; }

private:
    std::wstring m_key;
    bool m_set = false;
};

// A version.dll beside a copy of the program, where Windows would take it before its own (Wine
// is told to do the same for the copy's name alone). The planted one answers that no file has a
// version: the about box shows the program's own version only if the system's was used. (Wine's
// own user32 imports version.dll, so under Wine the planted file is mapped into every process
// told so, this one included; on Windows user32 is a KnownDLL and never does.)
TEST(WinInetLibrary, AVersionDllPlantedBesideTheProgramIsNotLoaded) {
    const std::string exe = EnvOr("DUSTWHIRL_EXE", "Dustwhirl.exe");
    const std::string built = exe.substr(0, exe.find_last_of('\\') + 1) + "planted\\version.dll";
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "dw-planted-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string name = "dw-planted-" + std::to_string(::GetCurrentProcessId()) + ".exe";
    const std::string copy = folder + name, planted = folder + "version.dll", marker = planted + ".loaded";
    ASSERT_TRUE(::CopyFileA(exe.c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(built.c_str(), planted.c_str(), FALSE)) << built;
    ::DeleteFileA(marker.c_str());
    {
        PreferLocalDll prefer(std::wstring(name.begin(), name.end()), L"version");
        ASSERT_TRUE(prefer.Set());
        AppProcess app;
        ASSERT_TRUE(app.Start(copy));
        HWND main = app.WaitForMainWindow();
        ASSERT_NE(main, nullptr) << "the program runs";
        // The about box reads the version resource too.
        ::PostMessageW(main, WM_SYSCOMMAND, 0x0010, 0);
        HWND about = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
            for (HWND w : app.TopWindows()) {
                if (w != main) about = w;
            }
            return about != nullptr;
        }, 10000));
        ASSERT_NE(about, nullptr);
        const std::string version = WindowText(::GetDlgItem(about, IDC_VERSION_LINE));
        EXPECT_NE(version.find("1.0"), std::string::npos) << version << ": the planted version.dll answered";
        ::PostMessageW(about, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return app.TopWindows().size() == 1; }, 10000));
        PostClick(::GetDlgItem(main, IDCANCEL));
        EXPECT_TRUE(app.WaitForExit(20000));
    }
    EXPECT_NE(::GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES)
        << "Wine did not take the planted DLL for its own user32: the test proves nothing";
    ::DeleteFileA(marker.c_str());
    ::DeleteFileA(planted.c_str());
    ::DeleteFileA(copy.c_str());
    ::RemoveDirectoryA(folder.c_str());
}

}  // namespace
