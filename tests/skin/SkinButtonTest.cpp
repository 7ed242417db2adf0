// CSkinButton in a real modal dialog, driven with real mouse input from a second thread:
// state images, hover tracking, repaints, the hand cursor, clicks and double clicks.
#include "SkinTestSupport.h"
#include "Waiting.h"
#include "app/resource.h"
#include "framework/Dialog.h"
#include "skin/DibSection.h"
#include "skin/OffscreenDC.h"
#include "skin/SkinButton.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <thread>

namespace {

constexpr UINT kRunOnUi = WM_APP + 7;

class CountingButton : public CSkinButton {
public:
    void DrawItem(DRAWITEMSTRUCT* dis) override {
        ++draws;
        CSkinButton::DrawItem(dis);
    }
    std::atomic<int> draws{0};
};

// The main window's template with two of its buttons made picture buttons: "cache" with
// normal, hover and pressed images, "cookie" with its normal image only.
class ButtonDialog : public CDialog {
public:
    ButtonDialog() : CDialog(IDD_MAIN) {}
    CountingButton cache;
    CountingButton cookie;
    std::atomic<int> cacheClicks{0};
    std::atomic<int> cookieClicks{0};
    std::atomic<bool> ready{false};

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        MoveWindow(0, 0, 510, 310, TRUE);
        CSkinButton::s_cursorId = IDC_LINK_CURSOR;
        cache.Init(this, IDC_CACHE, 14, 92, IDB_CACHE_NORMAL, SBS_NORMAL | SBS_HOVER | SBS_PRESSED);
        cookie.Init(this, IDC_COOKIE, 176, 92, IDB_COOKIE_NORMAL, SBS_NORMAL);
        // A mouse user's window: the keyboard cues hidden, so a click draws no focus frame.
        for (CSkinButton* button : {static_cast<CSkinButton*>(&cache), static_cast<CSkinButton*>(&cookie)}) {
            button->SendMessage(WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS));
        }
        ready = true;
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kRunOnUi) {
            (*reinterpret_cast<std::function<void()>*>(lp))();
            return 0;
        }
        if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
            if (LOWORD(wp) == IDC_CACHE) ++cacheClicks;
            if (LOWORD(wp) == IDC_COOKIE) ++cookieClicks;
        }
        return CDialog::WindowProc(msg, wp, lp);
    }
};

// Everything the script thread does to the dialog and reads from it.
class Driver {
public:
    explicit Driver(ButtonDialog& dlg) : m_dlg(dlg) {}

    void OnUi(const std::function<void()>& f) {
        std::function<void()> copy = f;
        ::SendMessageA(m_dlg.m_hWnd, kRunOnUi, 0, reinterpret_cast<LPARAM>(&copy));
    }
    // Moves the real pointer to a point of the dialog's client area.
    void MoveTo(int x, int y) {
        POINT pt{x, y};
        ::ClientToScreen(m_dlg.m_hWnd, &pt);
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = pt.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = pt.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        ::SendInput(1, &in, sizeof(in));
        ::Sleep(150);
    }
    void Button(DWORD flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        ::SendInput(1, &in, sizeof(in));
    }
    bool Wait(const std::function<bool()>& pred, DWORD ms = 3000) {
        for (DWORD waited = 0; waited < ms; waited += 20) {
            if (pred()) return true;
            ::Sleep(20);
        }
        return pred();
    }
    // The button's client area as it is on the screen, top-down RGB, after pending paints.
    Bytes Capture(CSkinButton& button) {
        Bytes rgb;
        OnUi([&] {
            ::UpdateWindow(button.m_hWnd);
            RECT rc;
            ::GetClientRect(button.m_hWnd, &rc);
            CDibSection section;
            if (!section.Create(rc.right, rc.bottom, 24)) return;
            {
                COffscreenDC dc(section.Bitmap());
                HDC screen = ::GetDC(button.m_hWnd);
                ::BitBlt(dc.GetSafeHdc(), 0, 0, rc.right, rc.bottom, screen, 0, 0, SRCCOPY);
                ::ReleaseDC(button.m_hWnd, screen);
            }
            for (int y = 0; y < rc.bottom; ++y) {
                const BYTE* row = section.Bits() + (rc.bottom - 1 - y) * section.Pitch();
                for (int x = 0; x < rc.right; ++x) rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
            }
        });
        return rgb;
    }
    bool Shows(CSkinButton& button, int slot) {
        return Wait([&] {
            Bytes expected;  // read where the button loads its images
            OnUi([&] { expected = TopDownRgb(button.StateImage(slot).Image()); });
            return !expected.empty() && Capture(button) == expected;
        });
    }

private:
    ButtonDialog& m_dlg;
};

struct Observations {
    bool started = false;
    DWORD cacheStyle = 0;
    RECT cacheRect{}, cookieRect{};
    bool normalShown = false, hoverShown = false, hoverAfterMove = false, pressedShown = false;
    bool hoverAfterRelease = false, normalAfterLeave = false, hoverAgain = false;
    int drawsAfterEnter = 0, drawsAfterMovesInside = 0, drawsAfterReentry = 0;
    HCURSOR cursorOverButton = nullptr, cursorOverDialog = nullptr;
    int clicksAfterOne = 0, clicksAfterDouble = 0;
    bool hoverDecodedBeforeHover = true;
    bool maskOneNormal = false, maskOnePressedDrewNothing = false, maskOneRepaintedOnPress = false;
    int cookieClicks = 0;
    bool disabledLooksNormal = false;
};

void RunScript(ButtonDialog& dlg, Observations& o) {
    Driver d(dlg);
    o.started = d.Wait([&] { return dlg.ready && ::IsWindowVisible(dlg.m_hWnd); }, 10000);
    if (!o.started) return;
    d.OnUi([&] {
        o.cacheStyle = dlg.cache.GetStyle();
        ::GetWindowRect(dlg.cache.m_hWnd, &o.cacheRect);
        ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&o.cacheRect), 2);
        ::GetWindowRect(dlg.cookie.m_hWnd, &o.cookieRect);
        ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&o.cookieRect), 2);
    });

    d.MoveTo(400, 40);
    o.normalShown = d.Shows(dlg.cache, 0);
    d.OnUi([&] { o.hoverDecodedBeforeHover = !dlg.cache.StateImage(1).Image().IsEmpty(); });

    // Enter: one repaint with the hover image; further moves inside repaint nothing.
    int before = dlg.cache.draws;
    d.MoveTo(90, 170);
    o.hoverShown = d.Wait([&] { return dlg.cache.IsHover(); }) && d.Shows(dlg.cache, 1);
    o.drawsAfterEnter = dlg.cache.draws - before;
    for (int i = 0; i < 5; ++i) d.MoveTo(95 + 6 * i, 160 + 4 * i);
    ::Sleep(300);
    o.drawsAfterMovesInside = dlg.cache.draws - before;
    d.OnUi([&] { o.cursorOverButton = ::GetCursor(); });

    // Press and release: pressed image while held, one click, back to hover.
    d.Button(MOUSEEVENTF_LEFTDOWN);
    o.pressedShown = d.Shows(dlg.cache, 2);
    d.Button(MOUSEEVENTF_LEFTUP);
    d.Wait([&] { return dlg.cacheClicks == 1; });
    o.clicksAfterOne = dlg.cacheClicks;
    o.hoverAfterRelease = d.Shows(dlg.cache, 1);

    // A double click is two clicks.
    ::Sleep(600);
    for (int i = 0; i < 2; ++i) {
        d.Button(MOUSEEVENTF_LEFTDOWN);
        ::Sleep(30);
        d.Button(MOUSEEVENTF_LEFTUP);
        ::Sleep(30);
    }
    d.Wait([&] { return dlg.cacheClicks >= 3; });
    ::Sleep(200);
    o.clicksAfterDouble = dlg.cacheClicks;

    // Leave and come back: normal again, then one more hover repaint.
    d.MoveTo(400, 40);
    o.normalAfterLeave = d.Wait([&] { return !dlg.cache.IsHover(); }) && d.Shows(dlg.cache, 0);
    d.OnUi([&] { o.cursorOverDialog = ::GetCursor(); });
    before = dlg.cache.draws;
    d.MoveTo(100, 150);
    o.hoverAgain = d.Wait([&] { return dlg.cache.IsHover(); }) && d.Shows(dlg.cache, 1);
    o.drawsAfterReentry = dlg.cache.draws - before;
    d.MoveTo(400, 40);
    d.Wait([&] { return !dlg.cache.IsHover(); });

    // Mask 1: no hover image, and a press draws nothing over what is there.
    d.MoveTo(250, 170);
    o.maskOneNormal = d.Shows(dlg.cookie, 0);
    // Focused beforehand, so that the press brings no focus repaint, only the pressed one.
    d.OnUi([&] { ::SetFocus(dlg.cookie.m_hWnd); });
    d.Capture(dlg.cookie);
    d.OnUi([&] {
        HDC dc = ::GetDC(dlg.cookie.m_hWnd);
        RECT rc{0, 0, 158, 158};
        HBRUSH magenta = ::CreateSolidBrush(RGB(255, 0, 255));
        ::FillRect(dc, &rc, magenta);
        ::DeleteObject(magenta);
        ::ReleaseDC(dlg.cookie.m_hWnd, dc);
    });
    int cookieDraws = dlg.cookie.draws;
    d.Button(MOUSEEVENTF_LEFTDOWN);
    o.maskOneRepaintedOnPress = d.Wait([&] { return dlg.cookie.draws > cookieDraws; });
    ::Sleep(200);
    Bytes pressed = d.Capture(dlg.cookie);
    o.maskOnePressedDrewNothing = !pressed.empty();
    for (size_t i = 0; i + 2 < pressed.size(); i += 3) {
        if (pressed[i] != 255 || pressed[i + 1] != 0 || pressed[i + 2] != 255) o.maskOnePressedDrewNothing = false;
    }
    d.Button(MOUSEEVENTF_LEFTUP);
    d.Wait([&] { return dlg.cookieClicks == 1; });
    o.cookieClicks = dlg.cookieClicks;

    // Mask 7 has no disabled image: a disabled button looks like an enabled one.
    d.MoveTo(400, 40);
    d.OnUi([&] { ::EnableWindow(dlg.cache.m_hWnd, FALSE); });
    o.disabledLooksNormal = d.Shows(dlg.cache, 0);
    d.OnUi([&] { ::EnableWindow(dlg.cache.m_hWnd, TRUE); });

    // Looking at the states by eye: DW_SKIN_SHOWCASE_MS keeps the dialog open with the
    // cache button hovered and the cookie button held down.
    if (const char* ms = std::getenv("DW_SKIN_SHOWCASE_MS")) {
        d.MoveTo(90, 170);
        d.OnUi([&] { dlg.cookie.SendMessage(BM_SETSTATE, TRUE); });
        ::Sleep(static_cast<DWORD>(std::atoi(ms)));
    }
}

TEST(SkinButton, StatesHoverCursorAndClicksUnderRealMouseInput) {
    ButtonDialog dlg;
    Observations o;
    std::thread script([&] {
        RunScript(dlg, o);
        // However the script ended, end the dialog.
        while (dlg.m_hWnd == nullptr && !o.started) ::Sleep(50);
        if (dlg.m_hWnd != nullptr) ::PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });
    INT_PTR result = dlg.DoModal();
    script.join();
    ASSERT_EQ(result, IDCANCEL);
    ASSERT_TRUE(o.started);

    EXPECT_EQ(o.cacheStyle & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_EQ(o.cacheRect.left, 14);
    EXPECT_EQ(o.cacheRect.top, 92);
    EXPECT_EQ(o.cacheRect.right, 172) << "sized to its normal image";
    EXPECT_EQ(o.cacheRect.bottom, 250);
    EXPECT_EQ(o.cookieRect.left, 176);
    EXPECT_EQ(o.cookieRect.right - o.cookieRect.left, 158);

    EXPECT_TRUE(o.normalShown);
    EXPECT_TRUE(o.hoverShown);
    EXPECT_FALSE(o.hoverDecodedBeforeHover) << "only what the window shows is decoded at start-up";
    EXPECT_EQ(o.drawsAfterEnter, 1) << "entering repaints once";
    EXPECT_EQ(o.drawsAfterMovesInside, 1) << "moving within the button repaints nothing more";
    EXPECT_TRUE(o.pressedShown);
    EXPECT_EQ(o.clicksAfterOne, 1);
    EXPECT_TRUE(o.hoverAfterRelease);
    EXPECT_EQ(o.clicksAfterDouble, 3) << "a double click is two clicks";
    EXPECT_TRUE(o.normalAfterLeave);
    EXPECT_TRUE(o.hoverAgain);
    EXPECT_EQ(o.drawsAfterReentry, 1);

    HCURSOR hand = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_CURSOR));
    EXPECT_EQ(o.cursorOverButton, hand);
    EXPECT_NE(o.cursorOverDialog, hand);

    EXPECT_TRUE(o.maskOneNormal) << "no hover image: the normal one stays";
    EXPECT_TRUE(o.maskOneRepaintedOnPress);
    EXPECT_TRUE(o.maskOnePressedDrewNothing);
    EXPECT_EQ(o.cookieClicks, 1);
    EXPECT_TRUE(o.disabledLooksNormal);
}

TEST(SkinButton, ImageSlotsFollowTheStateBits) {
    EXPECT_EQ(CSkinButton::ImageForState(SBS_NORMAL), 0);
    EXPECT_EQ(CSkinButton::ImageForState(SBS_HOVER), 1);
    EXPECT_EQ(CSkinButton::ImageForState(SBS_PRESSED), 2);
    EXPECT_EQ(CSkinButton::ImageForState(SBS_DISABLED), 3);
    EXPECT_EQ(CSkinButton::ImageForState(0x80), 7);
    EXPECT_EQ(CSkinButton::ImageForState(0), 0);
    EXPECT_EQ(CSkinButton::ImageForState(SBS_HOVER | SBS_PRESSED), 0);
}

}  // namespace
