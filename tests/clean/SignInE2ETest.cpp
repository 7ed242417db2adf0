// Cleaning at sign-in end to end, one step of a scenario per run of this program: signin_e2e.sh
// runs "Set" (seed the cache and the keep list, set the Run value by the command or by the
// window's dialog), restarts the Wine prefix, which runs the user's Run entries as a sign-in
// does, then runs "Check". The scenario is %DUSTWHIRL_SIGNIN_CASE%; without it both skip.
#include "AppProcess.h"
#include "CleanFixtures.h"
#include "CleanUrlCache.h"
#include "Waiting.h"
#include "app/SignInRun.h"
#include "app/SignInSetting.h"
#include "app/resource.h"
#include "clean/KeepList.h"
#include "framework/FileReplace.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>

using namespace cleanfix;

namespace {

const std::string kKept = "Cookie:kept@kept.example.test/";
const std::string kKeptSub = "Cookie:sub@www.kept.example.test/";

std::vector<std::string> Seeded() { return Concat({&ContentNames(), &CookieNames(), &HistoryNames()}); }

std::string Case() { return EnvOr("DUSTWHIRL_SIGNIN_CASE", ""); }

int DustwhirlProcesses() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (::_wcsicmp(entry.szExeFile, L"Dustwhirl.exe") == 0) ++count;
    }
    ::CloseHandle(snapshot);
    return count;
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(LongPathForm(path).c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The window's dialog, driven as a user would: the choice, then OK.
void ChooseInTheDialog(int choice) {
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::PostMessageW(main, WM_SYSCOMMAND, IDM_SIGN_IN, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND w : app.TopWindows()) {
                if (::GetDlgItem(w, IDC_SIGNIN_ALL) != nullptr) dialog = w;
            }
            return dialog != nullptr;
        },
        10000));
    EXPECT_EQ(WindowText(dialog), "サインイン時の削除");
    PostClick(::GetDlgItem(dialog, choice));
    ASSERT_TRUE(WaitUntil([&] { return ::SendMessageW(::GetDlgItem(dialog, choice), BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000));
    PostClick(::GetDlgItem(dialog, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, 10000));
    PostClick(::GetDlgItem(main, IDCANCEL));
    EXPECT_TRUE(app.WaitForExit(15000));
}

int RunProgram(const std::string& args) {
    AppProcess app;
    if (!app.Start(std::string(), args)) return -1;
    DWORD code = 0;
    return app.WaitForExit(30000, &code) ? static_cast<int>(code) : -1;
}

TEST(SignInE2E, Set) {
    if (Case().empty()) GTEST_SKIP() << "a step of signin_e2e.sh";
    const std::wstring folder = SignInFolder();
    ASSERT_FALSE(folder.empty());
    ::DeleteFileW(SignInLogPath(folder).c_str());
    ::DeleteFileW(SignInResultPath(folder).c_str());
    ClearUrlCache();
    ASSERT_TRUE(SeedUrlCache(Seeded()));
    ASSERT_TRUE(SeedUrlCache({kKept, kKeptSub}));
    const std::wstring list = StoredKeepList().path;
    ASSERT_FALSE(list.empty());
    ASSERT_TRUE(SaveKeepList(list, Case() == "broken" ? "kept.example.test\n*.bad*.test\n" : "# mine\nkept.example.test\n"));

    const std::wstring exe = FromUtf8(EnvOr("DUSTWHIRL_EXE", ""));
    if (Case() == "cookie") {
        ASSERT_EQ(RunProgram("/signin cookie"), 0);
    } else if (Case() == "all" || Case() == "broken") {
        ChooseInTheDialog(IDC_SIGNIN_ALL);
    } else if (Case() == "off") {
        ASSERT_EQ(RunProgram("/signin off"), 0);
    }
    const SignInSetting set = ReadSignInSetting();
    if (Case() == "off") {
        EXPECT_EQ(set.state, SignInSetting::State::None);
    } else {
        ASSERT_EQ(set.state, SignInSetting::State::Ours) << ToUtf8(set.text);
        EXPECT_TRUE(SameProgram(set.program, exe)) << ToUtf8(set.program);
        EXPECT_EQ(set.bCache, Case() != "cookie");
        EXPECT_TRUE(set.bCookie);
    }
}

TEST(SignInE2E, Check) {
    if (Case().empty()) GTEST_SKIP() << "a step of signin_e2e.sh";
    // The restart has started the run, if any; it ends by itself.
    ASSERT_TRUE(WaitUntil([] { return DustwhirlProcesses() == 0; }, 60000)) << "the run at sign-in did not end";
    const std::wstring folder = SignInFolder();
    const std::wstring log = SignInLogPath(folder);

    // The history always stays, and the kept sites' cookies; a broken list or no run, everything.
    const bool nothingGoes = Case() == "broken" || Case() == "off";
    std::vector<std::string> left = nothingGoes ? Seeded() : HistoryNames();
    left.push_back(kKept);
    left.push_back(kKeptSub);
    if (Case() == "cookie") left.insert(left.end(), ContentNames().begin(), ContentNames().end());
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(left));

    if (Case() == "off") {
        EXPECT_FALSE(Exists(log)) << "no run at all";
        return;
    }
    const std::string text = ReadAll(log);
    ASSERT_FALSE(text.empty()) << "the run's log";
    if (Case() == "broken") {
        EXPECT_NE(text.find("2 行目"), std::string::npos) << text;
        ASSERT_TRUE(Exists(SignInResultPath(folder)));
        // The next window says so once, with the log's place.
        AppProcess app;
        ASSERT_TRUE(app.Start());
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (HWND w : app.TopWindows()) {
                    if (MessageBoxText(w).find("前回のサインイン時の削除") != std::string::npos) box = w;
                }
                return box != nullptr;
            },
            15000));
        EXPECT_NE(MessageBoxText(box).find("何も削除しませんでした"), std::string::npos) << MessageBoxText(box);
        EXPECT_NE(MessageBoxText(box).find(ToUtf8(log)), std::string::npos) << MessageBoxText(box);
        PostClick(::GetDlgItem(box, IDOK));
        HWND main = app.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        PostClick(::GetDlgItem(main, IDCANCEL));
        EXPECT_TRUE(app.WaitForExit(15000));
        EXPECT_FALSE(Exists(SignInResultPath(folder))) << "said once";
        return;
    }
    EXPECT_NE(text.find("残しました\t" + kKept), std::string::npos) << text;
    EXPECT_NE(text.find("削除しました\tCookie:alice@example.test/"), std::string::npos) << text;
    EXPECT_FALSE(Exists(SignInResultPath(folder))) << "a run that ended with 0 leaves nothing to say";
}

}  // namespace
