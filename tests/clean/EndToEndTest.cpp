// A cleaning as a user runs it: Dustwhirl.exe pressed by id, its prompt answered, its
// progress dialog watched and closed, and Wine's real URL cache inspected afterwards.
#include "AppProcess.h"
#include "CleanFixtures.h"
#include "CleanUrlCache.h"
#include "Waiting.h"
#include "app/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace cleanfix;

namespace {

const std::string kWarning = "を削除します。\n一度削除すると元に戻すことができません。\nよろしいですか？";
// "削除中...", or with the cache named: "通常のキャッシュを削除中...", ...
bool Deleting(const std::string& status) {
    const std::string tail = "削除中...";
    return status.size() >= tail.size() && status.compare(status.size() - tail.size(), tail.size(), tail) == 0;
}
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

    void StartAndPress(int buttonId) {
        ASSERT_TRUE(app.Start());
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
    void ConfirmAndFinish(size_t deleted) {
        const std::string completion = kFinished + "（" + std::to_string(deleted) + "件、0 B）";
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
        EXPECT_EQ(MessageBoxText(box), subject + kWarning);
        ConfirmAndFinish(AllNames().size() + bulk.size() - LeftAfter(bCache, bCookie).size());
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

}  // namespace
