// The main window at one display scale, run by the table in CMakeLists.txt: each row starts
// this program under a Wine prefix whose system DPI is that row's (%DUSTWHIRL_DPI%).
#include "MainWindowFixtures.h"
#include "ScreenPixels.h"
#include "SkinTestSupport.h"
#include "Waiting.h"
#include "app/resource.h"
#include "skin/DpiScale.h"
#include "skin/PngResource.h"
#include "skin/Resample.h"
#include "skin/SkinButton.h"
#include "skin/SkinImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Where the window's parts sit at 96 DPI; every scale must put them on the same art.
struct Part {
    UINT id;
    RECT design;
};
const Part kParts[] = {
    {IDC_HELP_BUTTON, {405, 1, 461, 36}},   {IDCANCEL, {461, 1, 509, 36}},
    {IDC_CACHE, {14, 92, 172, 250}},        {IDC_COOKIE, {176, 92, 334, 250}},
    {IDC_CACHE_COOKIE, {338, 92, 496, 250}},
};

// Mean difference per channel between the screen and a picture placed at its corner.
double MeanDifference(const ScreenPixels& shot, const CPackedDib& image) {
    const Bytes rgb = TopDownRgb(image);
    long long sum = 0;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const COLORREF c = shot.At(x, y);
            const BYTE* p = &rgb[(static_cast<size_t>(y) * image.Width() + x) * 3];
            sum += std::abs(GetRValue(c) - p[0]) + std::abs(GetGValue(c) - p[1]) + std::abs(GetBValue(c) - p[2]);
        }
    }
    return static_cast<double>(sum) / (3.0 * image.Width() * image.Height());
}

// A window of the program that holds the control, once it has appeared (null after 10 s).
HWND WaitForWindowWith(const AppProcess& app, int controlId) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : app.TopWindows()) {
                if (::GetDlgItem(w, controlId) != nullptr) found = w;
            }
            return found != nullptr;
        },
        10000);
    return found;
}

class MainWindowDpi : public RunningMainWindow {
protected:
    void SetUp() override {
        const char* dpi = std::getenv("DUSTWHIRL_DPI");
        if (dpi == nullptr) GTEST_SKIP() << "runs from the table of display scales";
        m_scale = CDpiScale(std::atoi(dpi));
        MouseMoveTo(2, 2);
        RunningMainWindow::SetUp();
    }
    POINT Client(int designX, int designY) const { return POINT{m_scale.Scale(designX), m_scale.Scale(designY)}; }
    CDpiScale m_scale;
};

TEST_F(MainWindowDpi, SizeHitTestsArtAndDialogsFollowTheScale) {
    HDC screen = ::GetDC(nullptr);
    const int systemDpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    ASSERT_EQ(systemDpi, m_scale.Dpi()) << "the prefix's LogPixels did not take";

    RECT window;
    ::GetWindowRect(m_main, &window);
    EXPECT_NEAR(window.right - window.left, 510.0 * m_scale.Dpi() / 96, 1.0);
    EXPECT_NEAR(window.bottom - window.top, 310.0 * m_scale.Dpi() / 96, 1.0);

    // The drag strip ends where the help button's art begins.
    auto hit = [&](int x, int y) {
        const POINT pt = ToScreen(m_scale.Scale(x), m_scale.Scale(y));
        return ::SendMessageA(m_main, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    };
    EXPECT_EQ(hit(5, 5), HTCAPTION);
    EXPECT_EQ(hit(403, 33), HTCAPTION);
    EXPECT_EQ(hit(200, 40), HTCLIENT);

    for (const Part& part : kParts) {
        SCOPED_TRACE(part.id);
        HWND button = ::GetDlgItem(m_main, static_cast<int>(part.id));
        const RECT& d = part.design;
        for (POINT inside : {Client(d.left + 2, d.top + 2), Client(d.right - 3, d.bottom - 3),
                             Client((d.left + d.right) / 2, (d.top + d.bottom) / 2)}) {
            EXPECT_EQ(::ChildWindowFromPointEx(m_main, inside, CWP_SKIPINVISIBLE), button) << inside.x << "," << inside.y;
        }
        RECT rc;
        ::GetWindowRect(button, &rc);
        ::MapWindowPoints(nullptr, m_main, reinterpret_cast<POINT*>(&rc), 2);
        const RECT expected = m_scale.Scale(d);
        EXPECT_NEAR(rc.left, expected.left, 1);
        EXPECT_NEAR(rc.top, expected.top, 1);
        EXPECT_NEAR(rc.right, expected.right, 1);
        EXPECT_NEAR(rc.bottom, expected.bottom, 1);
    }
    HWND banner = ::ChildWindowFromPointEx(m_main, Client(260, 294), CWP_SKIPINVISIBLE);
    EXPECT_NE(banner, m_main);
    EXPECT_EQ(::GetDlgCtrlID(banner), 0) << "the banner, not a button";

    // Sharp: the cookie button on the screen is the art drawn from the vectors at this scale,
    // not the 96-DPI art enlarged.
    CPackedDib vectors, small, stretched;
    if (m_scale.Dpi() == 96 || m_scale.Dpi() == 192) {
        ASSERT_TRUE(LoadPngResource(vectors, IDB_COOKIE_NORMAL + (m_scale.Dpi() == 192 ? kLargeArtOffset : 0), nullptr));
    } else {
        const std::string name = "dpi-" + std::to_string(m_scale.Dpi()) + "/cookie-normal.png";
        ASSERT_TRUE(Decode(ReadFileBytes(FixturePath(name)), vectors, nullptr)) << name;
    }
    RECT cookie;
    ::GetWindowRect(::GetDlgItem(m_main, IDC_COOKIE), &cookie);
    const ScreenPixels shot(cookie);
    ASSERT_TRUE(LoadPngResource(small, IDB_COOKIE_NORMAL, nullptr));
    ASSERT_TRUE(ResampleDib(small, 96, stretched, m_scale.Dpi(), vectors.Width(), vectors.Height()));
    const double off = MeanDifference(shot, vectors);
    EXPECT_LT(off, 1.5);
    if (m_scale.Dpi() != 96) {
        EXPECT_LT(off * 2, MeanDifference(shot, stretched)) << off;
    }

    // The about box is a dialog template: its units follow its font, made at this DPI.
    ::PostMessageA(m_main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = WaitForWindowWith(m_app, IDC_VERSION_LINE);
    ASSERT_NE(about, nullptr);
    HFONT font = ::CreateFontW(-::MulDiv(9, m_scale.Dpi(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(font);
    RECT ok;
    ::GetWindowRect(::GetDlgItem(about, IDOK), &ok);
    EXPECT_NEAR(ok.bottom - ok.top, ::MulDiv(14, tm.tmHeight, 8), 1) << "OK is 14 dialog units high";
    PostClick(::GetDlgItem(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, 5000));
}

// How many pixels of the frame the focused button would show at dpi are the highlight colour.
int HighlightedFramePixels(HWND button, int dpi, int& framePixels) {
    RECT client;
    ::GetClientRect(button, &client);
    int t = 0;
    const RECT frame = CSkinButton::FocusFrame(client, dpi, t);
    const ScreenPixels shot = CaptureClient(button);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    int lit = 0;
    framePixels = 0;
    for (int y = frame.top; y < frame.bottom; ++y) {
        for (int x = frame.left; x < frame.right; ++x) {
            const bool ring = x < frame.left + t || x >= frame.right - t || y < frame.top + t || y >= frame.bottom - t;
            if (!ring) continue;
            ++framePixels;
            if (shot.At(x, y) == highlight) ++lit;
        }
    }
    return lit;
}

// A mouse user sees no focus; the first Tab shows it on the button it moves to, as a frame in
// the highlight colour at least two pixels thick and thicker with the scale; Enter and Space
// press that button, and Esc closes the window.
TEST_F(MainWindowDpi, TabShowsTheFocusAndTheKeysPressTheFocusedButton) {
    HWND cache = ::GetDlgItem(m_main, IDC_CACHE);
    HWND cookie = ::GetDlgItem(m_main, IDC_COOKIE);
    int t = 0;
    CSkinButton::FocusFrame(RECT{0, 0, 100, 100}, m_scale.Dpi(), t);
    EXPECT_GE(t, 2);
    EXPECT_GE(t * 96, 2 * m_scale.Dpi()) << "the frame grows with the scale";
    int ring = 0;
    for (HWND button : {cache, cookie}) {
        const int lit = HighlightedFramePixels(button, m_scale.Dpi(), ring);
        EXPECT_LT(lit, ring / 4) << "no cue before the keyboard is used";
    }
    const ScreenPixels cacheBefore = CaptureClient(cache);

    ::PostMessageW(m_main, WM_KEYDOWN, VK_TAB, 0);
    ::PostMessageW(m_main, WM_KEYUP, VK_TAB, 0);
    EXPECT_TRUE(WaitUntil([&] { return HighlightedFramePixels(cookie, m_scale.Dpi(), ring) == ring; }, 5000))
        << HighlightedFramePixels(cookie, m_scale.Dpi(), ring) << " of " << ring << " frame pixels lit";
    const ScreenPixels cacheAfter = CaptureClient(cache);
    int changed = 0;
    for (int y = 0; y < cacheBefore.Height(); ++y) {
        for (int x = 0; x < cacheBefore.Width(); ++x) changed += cacheBefore.At(x, y) != cacheAfter.At(x, y);
    }
    EXPECT_EQ(changed, 0) << "the button the focus left shows no cue";

    // Enter, then Space: each asks the cookie cleaning's question, which is answered No.
    for (UINT key : {VK_RETURN, VK_SPACE}) {
        SCOPED_TRACE(key);
        HWND target = key == VK_RETURN ? m_main : cookie;
        ::PostMessageW(target, WM_KEYDOWN, key, 0);
        ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (HWND w : m_app.TopWindows()) {
                    if (w != m_main && MessageBoxText(w).find("クッキー") != std::string::npos) box = w;
                }
                return box != nullptr;
            },
            10000));
        PostClick(::GetDlgItem(box, IDNO));
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 5000));
        EXPECT_TRUE(m_app.IsRunning());
    }
    ::PostMessageW(m_main, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(m_app.WaitForExit(10000)) << "Esc closes the window";
}

// The keep list's editor lays out its list at the window's scale: the count column is its
// design width scaled, the site column the rest short of a scroll bar of that scale.
TEST_F(MainWindowDpi, TheKeepListEditorsColumnsFollowTheScale) {
    ::PostMessageA(m_main, WM_SYSCOMMAND, IDM_KEEP_LIST, 0);
    HWND editor = WaitForWindowWith(m_app, IDC_KEEP_HOSTS);
    ASSERT_NE(editor, nullptr) << "the stored list of this prefix opens";
    HWND list = ::GetDlgItem(editor, IDC_KEEP_HOSTS);
    RECT client;
    ::GetClientRect(list, &client);
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    const auto forDpi = reinterpret_cast<GetSystemMetricsForDpiFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    ASSERT_NE(forDpi, nullptr);
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
    const int site = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(count, m_scale.Scale(70));
    EXPECT_EQ(site + count + forDpi(SM_CXVSCROLL, static_cast<UINT>(m_scale.Dpi())), client.right);
    PostClick(::GetDlgItem(editor, IDCANCEL));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(editor); }, 5000));
}

}  // namespace
