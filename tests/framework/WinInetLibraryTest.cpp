// WinInet loaded on first use: one complete table for every thread, and system libraries
// taken from the system folder only.
#include "framework/SystemLibrary.h"
#include "framework/WinInetLibrary.h"
#include "framework/WinUtil.h"

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
}

}  // namespace
