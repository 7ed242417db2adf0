// The modal loop's idle message: it comes once the dialog stands painted and everything queued
// has been handled, and again only while the dialog asks for more.
#include "app/resource.h"
#include "framework/Dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kQueued = WM_APP + 7;

bool NothingLeftToPaint(HWND wnd) {
    if (::GetUpdateRect(wnd, nullptr, FALSE)) return false;
    for (HWND child = ::GetWindow(wnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetUpdateRect(child, nullptr, FALSE)) return false;
    }
    return true;
}

// The main window's template run by a plain dialog, which writes down what reaches it.
class IdleDialog : public CDialog {
public:
    explicit IdleDialog(int kicksWanted) : CDialog(IDD_MAIN), m_kicksWanted(kicksWanted) {}

    std::vector<std::string> events;
    std::vector<LPARAM> counts;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        events.push_back("init");
        PostMessage(kQueued);
        return TRUE;
    }

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case kQueued:
            events.push_back("queued");
            return 0;
        case WM_KICKIDLE: {
            EXPECT_EQ(wp, static_cast<WPARAM>(MSGF_DIALOGBOX));
            EXPECT_TRUE(::IsWindowVisible(m_hWnd));
            EXPECT_TRUE(NothingLeftToPaint(m_hWnd)) << "kick " << lp;
            events.push_back("kick");
            counts.push_back(lp);
            const bool more = static_cast<int>(counts.size()) < m_kicksWanted;
            // The queue runs empty again while the timer is due: no kick may come then.
            if (!more) ::SetTimer(m_hWnd, 1, USER_TIMER_MINIMUM, nullptr);
            return more ? TRUE : FALSE;
        }
        case WM_TIMER:
            ::KillTimer(m_hWnd, 1);
            EndDialog(IDCANCEL);
            return 0;
        default:
            return CDialog::WindowProc(msg, wp, lp);
        }
    }

private:
    int m_kicksWanted;
};

TEST(DialogIdle, KicksComeAfterThePaintAndTheQueueAndStopWhenNotWanted) {
    for (int wanted : {1, 3}) {
        SCOPED_TRACE(wanted);
        IdleDialog dlg(wanted);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        std::vector<std::string> expected{"init", "queued"};
        std::vector<LPARAM> counts;
        for (int i = 0; i < wanted; ++i) {
            expected.push_back("kick");
            counts.push_back(i);
        }
        EXPECT_EQ(dlg.events, expected);
        EXPECT_EQ(dlg.counts, counts);
    }
}

}  // namespace
