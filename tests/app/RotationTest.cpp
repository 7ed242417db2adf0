// Ad rotation in the main window, with the list served by the tests' own HTTP server.
#include "AdServer.h"
#include "MainWindowFixtures.h"
#include "ScreenPixels.h"
#include "Waiting.h"
#include "app/MainDlg.h"
#include "framework/AppMessages.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

namespace {

// Serves the list, runs the main dialog and plays the scenario inside its modal loop.
void WithMainDialog(const std::string& list, std::function<void(CMainDlg&)> scenario) {
    AdServer server;
    if (list.empty()) {
        ASSERT_TRUE(server.ServeStatus(404));
    } else {
        ASSERT_TRUE(server.ServeList(list));
    }
    MouseMoveTo(1, 1);  // the pointer rests nowhere near the banner
    RunMainDialog(scenario);
    server.Reset();
}

bool WaitForFirstAd(CMainDlg& dlg) { return WaitUntil([&] { return dlg.CurrentAd() >= 0; }, 15000); }

// One tick of the rotation timer, as the timer delivers it.
int Tick(CMainDlg& dlg) {
    dlg.SendMessage(WM_TIMER, CMainDlg::kAdTimerId, 0);
    return dlg.CurrentAd();
}

TEST(AdRotation, OneAdIsShownAtOnceAndStays) {
    WithMainDialog("ひとつだけの広告,http://127.0.0.1:28017/one\n", [](CMainDlg& dlg) {
        ASSERT_TRUE(WaitForFirstAd(dlg));
        EXPECT_EQ(dlg.CurrentAd(), 0);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(Tick(dlg), 0);
        EXPECT_TRUE(::KillTimer(dlg.m_hWnd, CMainDlg::kAdTimerId)) << "the rotation timer runs";
    });
}

TEST(AdRotation, TwoAdsAlternateAtEveryTick) {
    WithMainDialog("一つ目,http://127.0.0.1:28017/a\n二つ目,http://127.0.0.1:28017/b\n", [](CMainDlg& dlg) {
        ASSERT_TRUE(WaitForFirstAd(dlg));
        int shown = dlg.CurrentAd();
        for (int i = 0; i < 8; ++i) {
            int next = Tick(dlg);
            EXPECT_EQ(next, 1 - shown) << "tick " << i;
            shown = next;
        }
    });
}

TEST(AdRotation, ThreeOrMoreNeverShowTheSameAdTwiceInARow) {
    WithMainDialog("A,http://a.example/\nB,http://b.example/\nC,http://c.example/\nD,http://d.example/\n",
                   [](CMainDlg& dlg) {
                       ASSERT_TRUE(WaitForFirstAd(dlg));
                       int shown = dlg.CurrentAd();
                       std::set<int> seen{shown};
                       for (int i = 0; i < 40; ++i) {
                           int next = Tick(dlg);
                           EXPECT_NE(next, shown) << "tick " << i;
                           EXPECT_GE(next, 0);
                           EXPECT_LT(next, 4);
                           seen.insert(next);
                           shown = next;
                       }
                       EXPECT_EQ(seen.size(), 4u) << "every ad comes up";
                   });
}

TEST(AdRotation, PointerRestingOnTheCaptionHoldsTheAd) {
    WithMainDialog("止まる広告のキャプション,http://127.0.0.1:28017/a\n次の広告のキャプション,http://127.0.0.1:28017/b\n",
                   [](CMainDlg& dlg) {
                       ASSERT_TRUE(WaitForFirstAd(dlg));
                       int shown = dlg.CurrentAd();
                       POINT onCaption{40 + 6, 282 + 12};  // the caption starts at the banner's left edge
                       ::ClientToScreen(dlg.m_hWnd, &onCaption);
                       MouseMoveTo(onCaption.x, onCaption.y);
                       PumpFor(300);
                       for (int i = 0; i < 4; ++i) EXPECT_EQ(Tick(dlg), shown) << "held while pointed at";
                       MouseMoveTo(1, 1);
                       PumpFor(300);
                       EXPECT_EQ(Tick(dlg), 1 - shown) << "the next tick after leaving changes the ad";
                   });
}

TEST(AdRotation, TheTimerChangesTheAdEveryFiveSeconds) {
    WithMainDialog("一つ目,http://127.0.0.1:28017/a\n二つ目,http://127.0.0.1:28017/b\n", [](CMainDlg& dlg) {
        ASSERT_TRUE(WaitForFirstAd(dlg));
        int first = dlg.CurrentAd();
        EXPECT_TRUE(WaitUntil([&] { return dlg.CurrentAd() != first; }, 8000)) << "a real tick came";
    });
}

TEST(AdRotation, NoListMeansNoTimerAndAnEmptyBanner) {
    WithMainDialog("", [](CMainDlg& dlg) {
        PumpFor(3000);
        EXPECT_EQ(dlg.CurrentAd(), -1);
        EXPECT_FALSE(::KillTimer(dlg.m_hWnd, CMainDlg::kAdTimerId)) << "no rotation timer";
    });
}

TEST(AdRotation, ReadyMessageWithoutAdsIsAnsweredAndIgnored) {
    WithMainDialog("", [](CMainDlg& dlg) {
        PumpFor(1500);
        EXPECT_EQ(dlg.SendMessage(WM_AD_LIST_READY, 0, 0), 1);
        EXPECT_EQ(dlg.CurrentAd(), -1);
        EXPECT_FALSE(::KillTimer(dlg.m_hWnd, CMainDlg::kAdTimerId));
    });
}

}  // namespace
