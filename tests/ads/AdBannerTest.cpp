// The banner in a window of its own, with the real mouse cursor and the real shell, whose
// "open" command is the recording program.
#include "Accessibility.h"
#include "ScreenPixels.h"
#include "ShellRecorder.h"
#include "Waiting.h"

#include "ads/AdBannerWnd.h"
#include "framework/WinUtil.h"
#include "app/resource.h"
#include "framework/ShellOpen.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// An ad from UTF-8 text, as the list delivers it.
AdEntry Ad(const std::string& caption, const std::string& link) { return AdEntry{FromUtf8(caption), FromUtf8(link)}; }


class TestBanner : public CAdBannerWnd {
public:
    RECT TextRect() const { return m_rcText; }
    const CString& Caption() const { return m_strCaption; }
    const CString& Link() const { return m_strLink; }
    HFONT MadeFont() const { return m_font; }
};

// A plain top-level window holding the banner where the main window has it.
class Host : public CWnd {};

constexpr RECT kBannerRect{40, 282, 495, 306};
const std::string kLink = "http://127.0.0.1:28017/landing?a=1&b=2";

HCURSOR HandCursor() { return ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_CURSOR)); }
HCURSOR ArrowCursor() { return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)); }

bool IsNear(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class AdBanner : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.CreateEx(0, L"", WS_POPUP | WS_VISIBLE, RECT{60, 60, 60 + 510, 60 + 310}, nullptr, 0));
        ::SetForegroundWindow(m_host.m_hWnd);
        ASSERT_TRUE(m_banner.Create(kBannerRect, &m_host));
        MoveCursorAway();
        PumpFor(100);
    }
    void TearDown() override {
        m_host.DestroyWindow();
        MoveCursorAway();
    }

    POINT ToScreen(int x, int y) const {
        POINT pt{x, y};
        ::ClientToScreen(m_banner.m_hWnd, &pt);
        return pt;
    }
    // Puts the mouse cursor at a point of the banner's client area (it may lie outside it).
    void MoveCursorTo(int x, int y) {
        POINT pt = ToScreen(x, y);
        ::SetCursorPos(pt.x, pt.y);
        PumpFor(30);
    }
    void MoveCursorAway() {
        ::SetCursorPos(2, 700);
        PumpFor(30);
    }
    // The cursor the banner sets with the cursor at (x, y).
    HCURSOR CursorAt(int x, int y, UINT hitTest = HTCLIENT) {
        MoveCursorTo(x, y);
        ::SetCursor(nullptr);
        m_banner.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_banner.m_hWnd), MAKELPARAM(hitTest, WM_MOUSEMOVE));
        return ::GetCursor();
    }
    // A click as the banner receives it; the point in the message is deliberately wrong,
    // since only the cursor's position counts.
    void ClickAt(int x, int y, UINT msg = WM_LBUTTONDOWN) {
        MoveCursorTo(x, y);
        m_banner.SendMessage(msg, MK_LBUTTON, MAKELPARAM(400, 20));
    }
    void ShowAd(const std::string& caption, const std::string& link) {
        MoveCursorAway();
        ASSERT_TRUE(m_banner.SetAd(Ad(caption, link)));
        ::UpdateWindow(m_banner.m_hWnd);
    }
    // The banner as the screen shows it, once the caption has reached the screen (the
    // display is updated a little after the window has painted).
    ScreenPixels CaptureInked() {
        auto inked = [](const ScreenPixels& p) {
            for (int y = 0; y < p.Height(); ++y) {
                for (int x = 0; x < p.Width(); ++x) {
                    if (p.At(x, y) == CAdBannerWnd::kTextColor) return true;
                }
            }
            return false;
        };
        WaitUntil([&] { return inked(CaptureClient(m_banner.m_hWnd)); }, 3000);
        return CaptureClient(m_banner.m_hWnd);
    }
    // Ends a test that expects no hand-over: a last, good click must be the only record.
    void ExpectOnlyTheBarrierReachesTheShell(ShellRecorder& shell) {
        const std::string barrier = "http://127.0.0.1:28017/barrier";
        ShowAd("barrier", barrier);
        ClickAt(1, 1);
        ASSERT_TRUE(shell.WaitForRecords(1, 15000));
        PumpFor(300);
        EXPECT_EQ(shell.Records(), std::vector<std::string>{barrier});
    }

    Host m_host;
    TestBanner m_banner;
};

TEST_F(AdBanner, IsAVisibleChildWithoutTextOrId) {
    EXPECT_EQ(m_banner.GetStyle(), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(::GetParent(m_banner.m_hWnd), m_host.m_hWnd);
    EXPECT_EQ(::GetDlgCtrlID(m_banner.m_hWnd), 0);
    EXPECT_TRUE(m_banner.GetWindowText().empty());
    RECT rc;
    ::GetClientRect(m_banner.m_hWnd, &rc);
    EXPECT_EQ(rc.right, 455);
    EXPECT_EQ(rc.bottom, 24);

    EXPECT_EQ(m_banner.MadeFont(), nullptr) << "an empty banner paints without a font";
    ASSERT_TRUE(m_banner.SetAd(Ad("広告", "http://127.0.0.1/")));
    LOGFONTW lf{};
    ASSERT_NE(m_banner.MadeFont(), nullptr);
    ASSERT_NE(::GetObjectW(m_banner.MadeFont(), sizeof(lf), &lf), 0);
    EXPECT_EQ(lf.lfHeight, 12);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
    EXPECT_STREQ(lf.lfFaceName, L"ＭＳ Ｐゴシック");
}

// A screen reader reads the caption on show as the banner's name, and the new one after a change;
// an empty caption leaves no stale name behind.
TEST_F(AdBanner, ItsAccessibleNameIsTheCaptionOnShow) {
    EXPECT_EQ(AccessibleName(m_banner.m_hWnd), "<no name>") << "no ad yet";
    // An '&' is read as itself, not as a mnemonic's mark (Wine's reader undoes only the first; a
    // caption with several is left to the Windows checklist).
    for (const char* caption : {"新しいクッキー対策を見る", "Second ad, much longer", "Q&A 100%", ""}) {
        SCOPED_TRACE(caption);
        ShowAd(caption, kLink);
        EXPECT_EQ(AccessibleName(m_banner.m_hWnd), *caption != '\0' ? caption : "<no name>");
    }
}

TEST(AdBannerWithoutWindow, TakesAnAdWithoutTouchingOtherWindows) {
    TestBanner banner;
    EXPECT_TRUE(banner.SetAd(Ad("広告", "http://127.0.0.1/")));
    EXPECT_EQ(ToUtf8(banner.Caption()), "広告");
    RECT text = banner.TextRect();
    EXPECT_TRUE(::IsRectEmpty(&text));
}

TEST_F(AdBanner, EmptyBeforeTheFirstAd) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Installed());
    PumpFor(300);
    ScreenPixels pixels = CaptureClient(m_banner.m_hWnd);
    for (int y = 0; y < pixels.Height(); ++y) {
        for (int x = 0; x < pixels.Width(); ++x) {
            ASSERT_EQ(pixels.At(x, y), CAdBannerWnd::kBackColor) << x << "," << y;
        }
    }
    EXPECT_EQ(CursorAt(0, 0), ArrowCursor());
    EXPECT_EQ(CursorAt(100, 12), ArrowCursor());
    ClickAt(0, 0);
    ClickAt(0, 0, WM_LBUTTONDBLCLK);
    ExpectOnlyTheBarrierReachesTheShell(shell);
}

TEST_F(AdBanner, PaintsTheCaptionInItsFontAndColours) {
    ShowAd("春の大掃除キャンペーン & セール", kLink);
    ScreenPixels pixels = CaptureInked();
    if (const char* hold = std::getenv("DW_ADS_HOLD_MS")) PumpFor(static_cast<DWORD>(std::atoi(hold)));
    RECT text = m_banner.TextRect();
    int top = pixels.Height(), bottom = -1, right = -1;
    for (int y = 0; y < pixels.Height(); ++y) {
        for (int x = 0; x < pixels.Width(); ++x) {
            COLORREF c = pixels.At(x, y);
            if (c == CAdBannerWnd::kBackColor) continue;
            // Only the caption's colour (and its smoothed edges) is painted on the background.
            if (IsNear(c, CAdBannerWnd::kTextColor, 8)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(right, 0) << "no pixel in the caption colour";
    EXPECT_LT(right, text.right) << "ink stays within the measured caption";
    EXPECT_GT(right, text.right / 2);
    // Centred vertically: about as much room above the ink as below it.
    EXPECT_LE(std::abs(top - (pixels.Height() - 1 - bottom)), 4) << top << ".." << bottom;
    EXPECT_EQ(pixels.At(pixels.Width() - 1, 0), CAdBannerWnd::kBackColor);
    EXPECT_EQ(pixels.At(0, pixels.Height() - 1), CAdBannerWnd::kBackColor);
}

TEST_F(AdBanner, AmpersandIsDrawnAndMeasuredLiterally) {
    ShowAd("AB", kLink);
    LONG plain = m_banner.TextRect().right;
    ShowAd("A&B", kLink);
    LONG one = m_banner.TextRect().right;
    ShowAd("A&&B", kLink);
    LONG two = m_banner.TextRect().right;
    EXPECT_GT(one, plain);
    EXPECT_GT(two, one);

    ShowAd("&", kLink);
    ASSERT_GT(m_banner.TextRect().right, 0);
    ScreenPixels pixels = CaptureInked();
    bool inked = false;
    for (int y = 0; y < pixels.Height() && !inked; ++y) {
        for (int x = 0; x < pixels.Width() && !inked; ++x) inked = pixels.At(x, y) != CAdBannerWnd::kBackColor;
    }
    EXPECT_TRUE(inked) << "a lone ampersand is a character, not a mnemonic marker";
}

TEST_F(AdBanner, HandCursorOnlyOverTheMeasuredCaption) {
    ShowAd("広告です", kLink);
    RECT text = m_banner.TextRect();
    EXPECT_EQ(text.left, 0);
    EXPECT_EQ(text.top, 0);
    ASSERT_GT(text.right, 10);
    ASSERT_GT(text.bottom, 5);

    EXPECT_EQ(CursorAt(0, 0), HandCursor());
    EXPECT_EQ(CursorAt(text.right - 1, text.bottom - 1), HandCursor());
    EXPECT_EQ(CursorAt(text.right, 0), ArrowCursor());
    EXPECT_EQ(CursorAt(0, text.bottom), ArrowCursor());
    EXPECT_EQ(CursorAt(300, 12), ArrowCursor());
    EXPECT_NE(CursorAt(0, 0, HTBORDER), HandCursor()) << "only the client area shows the hand";
}

TEST_F(AdBanner, RealMouseMoveShowsTheHand) {
    ShowAd("広告です", kLink);
    POINT over = ToScreen(2, 2);
    MouseMoveTo(over.x, over.y);
    EXPECT_TRUE(WaitUntil([] { return ::GetCursor() == HandCursor(); }, 3000));
    POINT beside = ToScreen(m_banner.TextRect().right + 20, 2);
    MouseMoveTo(beside.x, beside.y);
    EXPECT_TRUE(WaitUntil([] { return ::GetCursor() == ArrowCursor(); }, 3000));
}

TEST_F(AdBanner, NewAdRefusedWhileTheCursorRestsOnTheCaption) {
    ShowAd("最初の広告", kLink);
    RECT before = m_banner.TextRect();
    MoveCursorTo(1, 1);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(m_banner.SetAd(Ad("Second ad, much longer", "http://x/")));
    EXPECT_EQ(ToUtf8(m_banner.Caption()), "最初の広告");
    EXPECT_EQ(ToUtf8(m_banner.Link()), kLink);
    RECT after = m_banner.TextRect();
    EXPECT_TRUE(::EqualRect(&before, &after));

    MoveCursorTo(before.right, 1);  // just off the caption
    EXPECT_TRUE(m_banner.SetAd(Ad("Second ad, much longer", "http://x/")));
    EXPECT_EQ(ToUtf8(m_banner.Caption()), "Second ad, much longer");
    EXPECT_EQ(ToUtf8(m_banner.Link()), "http://x/");
    EXPECT_GT(m_banner.TextRect().right, before.right);
}

TEST_F(AdBanner, EmptyCaptionIsNeverClickableNorRefuses) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Installed());
    ShowAd("", kLink);
    EXPECT_EQ(m_banner.TextRect().right, 0);
    EXPECT_EQ(CursorAt(0, 0), ArrowCursor());
    ClickAt(0, 0);
    EXPECT_TRUE(m_banner.SetAd(Ad("", "http://127.0.0.1:28017/other")));
    ExpectOnlyTheBarrierReachesTheShell(shell);
}

TEST_F(AdBanner, CaptionWiderThanTheBannerIsCutButMeasuredInFull) {
    std::string caption;
    for (int i = 0; i < 80; ++i) caption += "広告";
    ShowAd(caption, kLink);
    RECT text = m_banner.TextRect();
    RECT client;
    ::GetClientRect(m_banner.m_hWnd, &client);
    EXPECT_GT(text.right, client.right + 100);

    ScreenPixels pixels = CaptureInked();
    bool inkAtEdge = false;
    for (int y = 0; y < pixels.Height(); ++y) {
        for (int x = pixels.Width() - 12; x < pixels.Width(); ++x) inkAtEdge |= pixels.At(x, y) != CAdBannerWnd::kBackColor;
    }
    EXPECT_TRUE(inkAtEdge) << "the caption runs on to the banner's right edge";

    // Beyond the banner's right edge, yet inside the measured caption: still "on the caption".
    MoveCursorTo(client.right + 50, 2);
    EXPECT_TRUE(m_banner.IsCursorOverText());
    EXPECT_FALSE(m_banner.SetAd(Ad("next", kLink)));
}

// Real mouse input: one click opens the link once; a double click (press, release, press,
// release) opens it twice, for the press and again for the double click.
TEST_F(AdBanner, RealClicksOnTheCaptionOpenItsLinkOncePerPress) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Installed());
    ShowAd("クリックしてください", kLink);
    POINT over = ToScreen(3, 3);
    MouseMoveTo(over.x, over.y);
    for (size_t presses : {1u, 2u}) {
        shell.Clear();
        PumpFor(700);  // apart from the last press, so that the first one here is a single click
        for (size_t i = 0; i < presses; ++i) {
            MouseDown();
            MouseUp();
        }
        ASSERT_TRUE(shell.WaitForRecords(presses, 15000)) << presses;
        PumpFor(700);
        EXPECT_EQ(shell.Records(), std::vector<std::string>(presses, kLink));
        EXPECT_EQ(AfxGetApp()->WaitCursorCount(), 0) << "the wait cursor is gone again";
    }
}

TEST_F(AdBanner, ClickBesideTheCaptionDoesNothing) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Installed());
    ShowAd("short", "http://127.0.0.1:28017/beside");
    ClickAt(m_banner.TextRect().right + 5, 2);
    ClickAt(2, m_banner.TextRect().bottom + 1, WM_LBUTTONDBLCLK);
    ClickAt(-3, 2);  // left of the banner
    ExpectOnlyTheBarrierReachesTheShell(shell);
}

// A link from the downloaded list is opened only when it is a plain web address.
TEST_F(AdBanner, LinksThatAreNotWebAddressesNeverReachTheShell) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Installed());
    ASSERT_TRUE(shell.AddProtocol("javascript"));
    wchar_t windowsDirWide[MAX_PATH];
    ASSERT_NE(::GetWindowsDirectoryW(windowsDirWide, MAX_PATH), 0u);
    const std::string windowsDir = ToUtf8(windowsDirWide);

    // First the proof that the watch can see them: handed to the shell, these do arrive.
    const std::vector<std::string> seen = {windowsDir, "javascript:alert(1)", "file:///C:/windows"};
    for (size_t i = 0; i < seen.size(); ++i) {
        ShellOpen(FromUtf8(seen[i]).c_str());
        ASSERT_TRUE(shell.WaitForRecords(i + 1, 15000)) << seen[i];
    }
    shell.Clear();

    std::vector<std::string> unsafe = seen;
    // A program (one that ends at once, should it ever be started), a network path, ...
    unsafe.insert(unsafe.end(), {shell.RecorderPath(), "\\\\127.0.0.1\\share\\setup.exe", "",
                                 "http:///no-host", "http://127.0.0.1/\" C:\\windows"});
    for (const std::string& link : unsafe) {
        ShowAd("危ないリンク", link);
        ClickAt(1, 1);
        ClickAt(1, 1, WM_LBUTTONDBLCLK);
    }
    ExpectOnlyTheBarrierReachesTheShell(shell);
}

}  // namespace
