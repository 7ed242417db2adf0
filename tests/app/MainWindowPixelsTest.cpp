// What the main window shows on the screen, pixel by pixel, under real mouse input.
#include "MainWindowFixtures.h"
#include "ScreenPixels.h"
#include "Waiting.h"
#include "app/resource.h"
#include "skin/PackedDib.h"
#include "skin/PngResource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr COLORREF kBorder = RGB(51, 51, 51);
constexpr COLORREF kBody = RGB(238, 238, 238);
constexpr COLORREF kBand = RGB(164, 219, 250);
constexpr COLORREF kLink = RGB(28, 78, 116);

COLORREF PixelOf(const CPackedDib& image, int x, int y) {
    const BYTE* p = image.Bits() + (image.Height() - 1 - y) * image.Stride() + x * 3;
    return RGB(p[2], p[1], p[0]);
}

class MainWindowPixels : public RunningMainWindow {
protected:
    void SetUp() override {
        RunningMainWindow::SetUp();
        ParkMouse();
        PumpFor(500);
    }
    void ParkMouse() { MouseMoveTo(2, 2); }
    void Hover(int x, int y) {
        POINT pt = ToScreen(x, y);
        MouseMoveTo(pt.x, pt.y);
        PumpFor(400);
    }
    // How many pixels of the rectangle differ from the image (placed at the rectangle's corner).
    static int Differences(const ScreenPixels& shot, const CPackedDib& image, int left, int top) {
        int bad = 0;
        for (int y = 0; y < image.Height(); y += 3) {
            for (int x = 0; x < image.Width(); x += 3) {
                if (shot.At(left + x, top + y) != PixelOf(image, x, y)) ++bad;
            }
        }
        return bad;
    }
};

TEST_F(MainWindowPixels, ComposedBackgroundAndTexts) {
    ScreenPixels shot = CaptureClient(m_main);
    ASSERT_EQ(shot.Width(), 510);
    EXPECT_EQ(shot.At(0, 0), kBorder);
    EXPECT_EQ(shot.At(509, 309), kBorder);
    EXPECT_EQ(shot.At(0, 150), kBorder);
    EXPECT_EQ(shot.At(300, 35), kBorder) << "the line under the title bar";
    COLORREF bar = shot.At(300, 18);
    EXPECT_TRUE(GetBValue(bar) > GetRValue(bar) && GetRValue(bar) >= 44 && GetRValue(bar) <= 63) << std::hex << bar;
    EXPECT_EQ(shot.At(5, 150), kBody);
    EXPECT_EQ(shot.At(250, 40), kBody);
    EXPECT_EQ(shot.At(500, 270), kBody);
    EXPECT_EQ(shot.At(37, 290), kBand);
    EXPECT_EQ(shot.At(200, 300), kBand) << "the banner's strip matches the band";

    int white = 0;
    for (int y = 2; y < 34; ++y)
        for (int x = 15; x < 168; ++x) white += shot.At(x, y) == RGB(255, 255, 255);
    EXPECT_GT(white, 40) << "the version line is drawn in white in the title bar";
    int dark = 0;
    for (int y = 52; y < 87; ++y)
        for (int x = 17; x < 445; ++x) dark += GetRValue(shot.At(x, y)) < 100;
    EXPECT_GT(dark, 200) << "the description is drawn in black";

    // The credit line ends at x 495: text up to there, body colour beyond.
    int rightmost = -1;
    for (int y = 263; y < 276; ++y)
        for (int x = 300; x < 509; ++x)
            if (shot.At(x, y) != kBody) rightmost = std::max(rightmost, x);
    EXPECT_LE(rightmost, 494);
    EXPECT_GE(rightmost, 486);
}

TEST_F(MainWindowPixels, ButtonsShowTheirNormalHoverAndPressedImages) {
    struct Button {
        int id, x, y;
        WORD firstPng;
    };
    const Button buttons[] = {{IDC_HELP_BUTTON, 405, 1, IDB_HELP_NORMAL}, {IDCANCEL, 461, 1, IDB_EXIT_NORMAL},
                              {IDC_CACHE, 14, 92, IDB_CACHE_NORMAL},      {IDC_COOKIE, 176, 92, IDB_COOKIE_NORMAL},
                              {IDC_CACHE_COOKIE, 338, 92, IDB_CACHE_COOKIE_NORMAL}};
    ScreenPixels shot = CaptureClient(m_main);
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.id);
        CPackedDib normal;
        ASSERT_TRUE(LoadPngResource(normal, b.firstPng, nullptr));
        RECT rc;
        ::GetWindowRect(::GetDlgItem(m_main, b.id), &rc);
        POINT at = ToScreen(b.x, b.y);
        EXPECT_EQ(rc.left, at.x);
        EXPECT_EQ(rc.top, at.y);
        EXPECT_EQ(rc.right - rc.left, normal.Width());
        EXPECT_EQ(rc.bottom - rc.top, normal.Height());
        EXPECT_EQ(Differences(shot, normal, b.x, b.y), 0);
    }

    // Hover and press the cookie button; release outside, which is no click.
    CPackedDib hover, pressed;
    ASSERT_TRUE(LoadPngResource(hover, IDB_COOKIE_HOVER, nullptr));
    ASSERT_TRUE(LoadPngResource(pressed, IDB_COOKIE_PRESSED, nullptr));
    Hover(176 + 79, 92 + 79);
    EXPECT_EQ(Differences(CaptureClient(m_main), hover, 176, 92), 0) << "hover image";
    MouseDown();
    PumpFor(400);
    EXPECT_EQ(Differences(CaptureClient(m_main), pressed, 176, 92), 0) << "pressed image";
    Hover(250, 60);
    MouseUp();
    ParkMouse();
    PumpFor(600);
    CPackedDib normal;
    ASSERT_TRUE(LoadPngResource(normal, IDB_COOKIE_NORMAL, nullptr));
    EXPECT_EQ(Differences(CaptureClient(m_main), normal, 176, 92), 0) << "normal again after leaving";
    EXPECT_EQ(m_app.TopWindows().size(), 1u) << "no confirmation: no click happened";
}

TEST_F(MainWindowPixels, UnderlineUnderAHoveredMakerNameIsExactlyAsWideAsTheName) {
    // Lay the credit line out as the window does, with a font made the same way.
    CreditLayout layout = MeasureCreditLine();
    const int left0 = layout.left[1];
    const int right0 = left0 + layout.widths[1];
    const int left1 = layout.left[3];
    const int row = 263 + layout.height;
    const int seg[4] = {layout.widths[0], layout.widths[1], layout.widths[2], layout.widths[3]};

    auto runLength = [&](int from, int to) {
        ScreenPixels shot = CaptureClient(m_main);
        int n = 0;
        for (int x = from; x < to; ++x) n += shot.At(x, row) == kLink;
        return n;
    };
    EXPECT_EQ(runLength(left0 - 5, 500), 0) << "no underline before hovering";

    Hover(left0 + 3, 266);
    ScreenPixels shot = CaptureClient(m_main);
    EXPECT_EQ(runLength(left0, right0), seg[1]) << "underline under the whole first name";
    EXPECT_NE(shot.At(left0 - 1, row), kLink);
    EXPECT_NE(shot.At(right0, row), kLink);

    Hover(left1 + 3, 266);  // straight onto the other name
    EXPECT_EQ(runLength(left0, right0), 0) << "moved away from the first name in one step";
    EXPECT_EQ(runLength(left1, 495), seg[3]);

    ParkMouse();  // leave the window
    PumpFor(500);
    EXPECT_EQ(runLength(left0 - 5, 500), 0) << "gone after the mouse left";
}

TEST_F(MainWindowPixels, TextsComeBackAfterAnotherWindowCoveredThem) {
    ScreenPixels before = CaptureClient(m_main);
    RECT rc;
    ::GetWindowRect(m_main, &rc);
    HWND cover = ::CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, rc.left + 10,
                                   rc.top + 5, 420, 280, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(cover, nullptr);
    PumpFor(400);
    ::DestroyWindow(cover);
    PumpFor(800);
    ScreenPixels after = CaptureClient(m_main);
    int differ = 0;
    for (int y = 0; y < 310; ++y)
        for (int x = 0; x < 510; ++x) differ += before.At(x, y) != after.At(x, y);
    EXPECT_EQ(differ, 0);
}

}  // namespace
