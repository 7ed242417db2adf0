// A cleaning as a user runs it: Dustwhirl.exe pressed by id, its prompt answered, its
// progress dialog watched and closed, and Wine's real URL cache inspected afterwards.
#include "AppProcess.h"
#include "CleanFixtures.h"
#include "CleanUrlCache.h"
#include "Waiting.h"
#include "app/resource.h"
#include "clean/KeepList.h"
#include "framework/UniqueHandle.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using namespace cleanfix;

namespace {

// "削除中...", or with the cache named: "通常のキャッシュを削除中...", ...
bool Deleting(const std::string& status) {
    const std::string tail = "削除中...";
    return status.size() >= tail.size() && status.compare(status.size() - tail.size(), tail.size(), tail) == 0;
}
const std::string kQuestion = "\n一度削除すると元に戻すことができません。\nよろしいですか？";
const std::string kFinished = "削除が終わりました";

bool Visible(HWND w) { return (::GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0; }

// A dialog of the process other than the main window that has the given control.
HWND WaitForDialogWith(const AppProcess& app, HWND main, int controlId, DWORD timeoutMs = 10000) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : app.TopWindows()) {
                if (w != main && ClassName(w) == "#32770" && ::GetDlgItem(w, controlId) != nullptr) found = w;
            }
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

class CleaningRun : public ::testing::Test {
protected:
    void SetUp() override { ClearUrlCache(); }
    void TearDown() override { ClearUrlCache(); }

    void StartAndPress(int buttonId, const std::string& args = std::string()) {
        if (!app.IsRunning()) {
            ASSERT_TRUE(app.Start(std::string(), args));
        }
        main = app.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        PostClick(::GetDlgItem(main, buttonId));
        box = WaitForDialogWith(app, main, IDYES);
        ASSERT_NE(box, nullptr) << "the confirmation appears";
        EXPECT_EQ(WindowText(box), "Dustwhirl");
        EXPECT_NE(::GetDlgItem(box, IDNO), nullptr);
    }

    // Answers Yes and follows the progress dialog to its end and the program's; every one of
    // the expected number of entries goes.
    void ConfirmAndFinish(size_t deleted, const std::string& kept = std::string()) {
        const std::string completion = kFinished + "（" + std::to_string(deleted) + "件、0 B" + kept + "）";
        PostClick(::GetDlgItem(box, IDYES));
        HWND progress = WaitForDialogWith(app, main, IDC_PROGRESS);
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(WindowText(progress), "");
        HWND status = ::GetDlgItem(progress, IDC_STATUS);
        HWND button = ::GetDlgItem(progress, IDC_END_BUTTON);
        EXPECT_EQ(WindowText(button), "終了");
        EXPECT_FALSE(::IsWindowEnabled(main)) << "the main window waits under the progress dialog";

        // Each status read is handled between the dialog's own messages: a status that says
        // the same "...削除中..." before and after a look at the button proves the button hidden then.
        bool keysTried = false;
        bool finished = WaitUntil(
            [&] {
                std::string before = WindowText(status);
                bool visible = Visible(button);
                std::string after = WindowText(status);
                if (Deleting(before) && before == after) {
                    sawDeleting = true;
                    EXPECT_FALSE(visible) << "終了 is hidden while deleting";
                    if (!keysTried) {
                        TryToClose(progress);
                        keysTried = true;
                    }
                }
                return after == completion;
            },
            60000);
        ASSERT_TRUE(finished);
        TryToClose(progress);
        ::Sleep(300);
        ::SendMessageTimeoutA(progress, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        ASSERT_TRUE(::IsWindow(progress) && ::IsWindowVisible(progress)) << "Esc, Enter and close leave it open";
        EXPECT_EQ(WindowText(status), completion);
        EXPECT_EQ(::SendMessageA(::GetDlgItem(progress, IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
        EXPECT_TRUE(Visible(button));
        EXPECT_TRUE(app.IsRunning()) << "the program waits for 終了";

        PostClick(button);
        DWORD code = 0xDEAD;
        ASSERT_TRUE(app.WaitForExit(15000, &code));
        EXPECT_EQ(code, 0u);
    }

    static void TryToClose(HWND progress) {
        for (UINT key : {VK_ESCAPE, VK_RETURN}) {
            ::PostMessageA(progress, WM_KEYDOWN, key, 0);
            ::PostMessageA(progress, WM_KEYUP, key, 0);
        }
        ::PostMessageA(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
        ::PostMessageA(progress, WM_CLOSE, 0, 0);
    }

    void RunMode(int buttonId, bool bCache, bool bCookie, const std::string& subject) {
        // Enough entries of the mode's own kind that the deletion takes a visible while.
        std::vector<std::string> bulk;
        for (int i = 0; i < 400; ++i) {
            bulk.push_back(bCookie ? "Cookie:bulk" + std::to_string(i) + "@example.test/"
                                   : "http://bulk.example.test/" + std::to_string(i));
        }
        ASSERT_TRUE(SeedUrlCache(AllNames()));
        ASSERT_TRUE(SeedUrlCache(bulk));
        StartAndPress(buttonId);
        const size_t goes = AllNames().size() + bulk.size() - LeftAfter(bCache, bCookie).size();
        EXPECT_EQ(MessageBoxText(box), subject + " " + std::to_string(goes) + "件（0 B）を削除します。" + kQuestion);
        ConfirmAndFinish(goes);
        EXPECT_TRUE(sawDeleting) << "the watch began while deleting";
        EXPECT_EQ(Sorted(UrlCacheSourceNames()), LeftAfter(bCache, bCookie));
    }

    AppProcess app;
    HWND main = nullptr;
    HWND box = nullptr;
    bool sawDeleting = false;
};

TEST_F(CleaningRun, CacheButtonDeletesContentOnly) { RunMode(IDC_CACHE, true, false, "キャッシュ"); }

TEST_F(CleaningRun, CookieButtonDeletesCookiesOnly) { RunMode(IDC_COOKIE, false, true, "クッキー"); }

TEST_F(CleaningRun, CacheAndCookieButtonDeletesBothButNeverHistory) {
    RunMode(IDC_CACHE_COOKIE, true, true, "キャッシュとクッキー");
}

TEST_F(CleaningRun, AnsweringNoLeavesEveryEntryAndTheWindowOpen) {
    ASSERT_TRUE(SeedUrlCache(AllNames()));
    StartAndPress(IDC_CACHE_COOKIE);
    PostClick(::GetDlgItem(box, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 10000));
    PumpFor(500);
    EXPECT_EQ(WaitForDialogWith(app, main, IDC_PROGRESS, 200), nullptr);
    EXPECT_TRUE(app.IsRunning());
    EXPECT_TRUE(::IsWindowVisible(main) && ::IsWindowEnabled(main));
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(AllNames()));

    PostClick(::GetDlgItem(main, IDCANCEL));
    EXPECT_TRUE(app.WaitForExit(15000));
}

TEST_F(CleaningRun, AHistoryOnlyCacheCompletesAtOnceAndEndsTheProgram) {
    ASSERT_TRUE(SeedUrlCache(HistoryNames()));
    StartAndPress(IDC_CACHE);
    ConfirmAndFinish(0);
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(HistoryNames()));
}

// The keep list edited in its dialog, opened through the system menu's command of the real
// window, and then obeyed by the cookie button: the preview in the question counts what the
// completion then reports.
TEST_F(CleaningRun, TheEditorsListIsObeyedByTheNextCleaning) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string list = std::string(temp) + "dw-e2e-keep-" + std::to_string(::GetCurrentProcessId()) + ".txt";
    ::DeleteFileA(list.c_str());
    const std::vector<std::string> cookies = {"Cookie:u@a-keep.test/", "Cookie:u@b-gone.test/", "Cookie:v@www.a-keep.test/x"};
    ASSERT_TRUE(SeedUrlCache(Concat({&ContentNames(), &cookies})));
    ASSERT_TRUE(app.Start(std::string(), "/keep \"" + list + "\""));
    main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);

    ::PostMessageW(main, WM_SYSCOMMAND, IDM_KEEP_LIST, 0);
    HWND editor = WaitForDialogWith(app, main, IDC_KEEP_HOSTS);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(WindowText(editor), "残すサイト");
    HWND hosts = ::GetDlgItem(editor, IDC_KEEP_HOSTS);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(::GetDlgItem(editor, IDC_KEEP_STATUS)).empty(); }, 10000))
        << "the cache's sites arrive";
    auto checked = [&](int row) {
        return (::SendMessageW(hosts, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) ==
               INDEXTOSTATEIMAGEMASK(2);
    };
    ASSERT_EQ(::SendMessageW(hosts, LVM_GETITEMCOUNT, 0, 0), 3) << "a-keep.test, b-gone.test, www.a-keep.test";
    EXPECT_FALSE(checked(0));
    // Space on the first row, as a user presses it: its subdomain's row follows.
    ::PostMessageW(hosts, WM_KEYDOWN, VK_SPACE, 0);
    ::PostMessageW(hosts, WM_KEYUP, VK_SPACE, 0);
    EXPECT_TRUE(WaitUntil([&] { return checked(0) && checked(2); }, 5000));
    EXPECT_FALSE(checked(1));
    // A host that begins with '-' is refused where it is typed, as the list's parser refuses it.
    ::SendMessageW(::GetDlgItem(editor, IDC_KEEP_NEW_HOST), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"-dash.test"));
    PostClick(::GetDlgItem(editor, IDC_KEEP_ADD));
    HWND refusal = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND w : app.TopWindows()) {
                if (w != main && w != editor && ClassName(w) == "#32770" && ::GetDlgItem(w, 0xFFFF) != nullptr) refusal = w;
            }
            return refusal != nullptr;
        },
        10000));
    EXPECT_NE(MessageBoxText(refusal).find("-dash.test"), std::string::npos) << MessageBoxText(refusal);
    PostClick(::GetDlgItem(refusal, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(refusal); }, 5000));
    EXPECT_EQ(::SendMessageW(hosts, LVM_GETITEMCOUNT, 0, 0), 3) << "nothing was added";
    // A site without cookies, typed and added.
    ::SendMessageW(::GetDlgItem(editor, IDC_KEEP_NEW_HOST), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Later.test"));
    PostClick(::GetDlgItem(editor, IDC_KEEP_ADD));
    EXPECT_TRUE(WaitUntil([&] { return ::SendMessageW(hosts, LVM_GETITEMCOUNT, 0, 0) == 4; }, 5000));
    PostClick(::GetDlgItem(editor, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(editor); }, 5000));

    KeepListLoad saved = LoadKeepList({std::wstring(list.begin(), list.end()), true});
    ASSERT_EQ(saved.status, KeepListLoad::Status::Loaded);
    std::vector<std::string> rules;
    for (const KeepRule& rule : saved.list.Rules()) rules.push_back(rule.host);
    EXPECT_EQ(Sorted(rules), (std::vector<std::string>{"a-keep.test", "later.test"}));

    StartAndPress(IDC_COOKIE);
    EXPECT_EQ(MessageBoxText(box), "クッキー 1件（0 B）を削除します。残すサイトのクッキー 2件は削除しません。" + kQuestion);
    ConfirmAndFinish(1, "、残したクッキー 2件");
    const std::vector<std::string> kept = {cookies[0], cookies[2]};
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(Concat({&ContentNames(), &kept})));
    ::DeleteFileA(list.c_str());
}

// Whatever becomes of the stored keep list while the question is up, the cleaning obeys the
// list the question counted, in both passes: under Wine the second pass's copy sees this same
// cache, so a copy that read the file again would delete the kept cookie here.
TEST_F(CleaningRun, TheListTheQuestionCountedIsObeyedByBothPasses) {
    const std::wstring stored = StoredKeepList().path;
    ASSERT_FALSE(stored.empty());
    const std::string path(stored.begin(), stored.end());
    ::CreateDirectoryW(stored.substr(0, stored.rfind(L'\\')).c_str(), nullptr);
    CFileHandle writer;  // a program half-way through saving the list
    struct Change {
        const char* what;
        std::function<void()> apply;
    };
    const std::vector<Change> changes = {
        {"renamed", [&] { ASSERT_TRUE(::MoveFileExA(path.c_str(), (path + ".old").c_str(), MOVEFILE_REPLACE_EXISTING)); }},
        {"deleted", [&] { ASSERT_TRUE(::DeleteFileA(path.c_str())); }},
        {"emptied", [&] { std::ofstream(path, std::ios::binary | std::ios::trunc); }},
        {"held by a writer", [&] {
             writer.Reset(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
             ASSERT_TRUE(writer);
         }},
    };
    const std::vector<std::string> cookies = {"Cookie:u@keep.test/", "Cookie:u@gone.test/"};
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        ClearUrlCache();
        ASSERT_TRUE(SeedUrlCache(cookies));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << "keep.test\n";
        StartAndPress(IDC_COOKIE);
        EXPECT_EQ(MessageBoxText(box), "クッキー 1件（0 B）を削除します。残すサイトのクッキー 1件は削除しません。" + kQuestion);
        change.apply();
        ConfirmAndFinish(1, "、残したクッキー 1件");
        writer.Reset();
        EXPECT_EQ(UrlCacheSourceNames(), std::vector<std::string>{cookies[0]});
    }
    ::DeleteFileA(path.c_str());
    ::DeleteFileA((path + ".old").c_str());
}

TEST_F(CleaningRun, ABrokenKeepListStopsTheCookieButtonAndSaysWhichFileAndLine) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string list = std::string(temp) + "dw-e2e-broken-" + std::to_string(::GetCurrentProcessId()) + ".txt";
    std::ofstream(list, std::ios::binary) << "# mine\nkeep.test\nhttp://keep.test/\n";
    ASSERT_TRUE(SeedUrlCache(AllNames()));
    ASSERT_TRUE(app.Start(std::string(), "/keep \"" + list + "\""));
    main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    for (int button : {IDC_COOKIE, IDC_CACHE_COOKIE}) {
        PostClick(::GetDlgItem(main, button));
        HWND error = WaitForDialogWith(app, main, 0xFFFF);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(::GetDlgItem(error, IDYES), nullptr) << "no question: nothing can be deleted";
        const std::string text = MessageBoxText(error);
        EXPECT_NE(text.find(list), std::string::npos) << text;
        EXPECT_NE(text.find("3 行目"), std::string::npos) << text;
        PostClick(::GetDlgItem(error, IDOK));
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(error); }, 5000));
    }
    EXPECT_TRUE(app.IsRunning());
    EXPECT_EQ(Sorted(UrlCacheSourceNames()), Sorted(AllNames()));
    PostClick(::GetDlgItem(main, IDCANCEL));
    EXPECT_TRUE(app.WaitForExit(15000));
    ::DeleteFileA(list.c_str());
}

}  // namespace
