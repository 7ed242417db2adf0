// COffscreenDC: GDI drawing lands in the caller's bitmap, which outlives the context.
#include "SkinTestSupport.h"
#include "skin/DibSection.h"
#include "framework/WinUtil.h"
#include "skin/OffscreenDC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

BYTE PatternByte(int x, int y, int channel) { return BYTE(x * 3 + y * 7 + channel * 50); }

TEST(OffscreenDC, TextLandsInTheSectionAndNowhereElse) {
    CDibSection section;
    ASSERT_TRUE(section.Create(150, 40, 24));
    for (int y = 0; y < 40; ++y) {
        BYTE* row = section.Bits() + y * section.Pitch();
        for (int x = 0; x < 150; ++x) {
            for (int c = 0; c < 3; ++c) row[3 * x + c] = PatternByte(x, y, c);
        }
    }
    const wchar_t text[] = L"Dustwhirl キャッシュ";
    SIZE extent{};
    {
        COffscreenDC dc(section.Bitmap());
        ASSERT_NE(dc.GetSafeHdc(), nullptr);
        CFont font = CreateAppFont();
        CSelectObject selectFont(dc, font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(255, 255, 255));
        extent = dc.GetTextExtent(text);
        EXPECT_TRUE(dc.TextOut(10, 8, text));
    }
    ASSERT_GT(extent.cx, 40);
    ASSERT_GT(extent.cy, 8);

    int inkInside = 0;
    for (int y = 0; y < 40; ++y) {
        const BYTE* row = section.Bits() + (39 - y) * section.Pitch();  // top row y
        for (int x = 0; x < 150; ++x) {
            const BYTE* p = row + 3 * x;
            bool changed = false;
            for (int c = 0; c < 3; ++c) changed |= p[c] != PatternByte(x, 39 - y, c);
            bool inBox = x >= 10 && x < 10 + extent.cx && y >= 8 && y < 8 + extent.cy;
            if (!inBox) {
                ASSERT_FALSE(changed) << "pixel " << x << "," << y << " outside the text";
            } else if (changed) {
                ++inkInside;
            }
        }
    }
    EXPECT_GT(inkInside, 30) << "the glyphs are in the section's pixels";
}

TEST(OffscreenDC, CallersBitmapSurvivesAndIsFreeAgain) {
    CDibSection section;
    ASSERT_TRUE(section.Create(20, 10, 24));
    {
        COffscreenDC dc(section.Bitmap());
        RECT all{0, 0, 20, 10};
        dc.FillSolidRect(&all, RGB(10, 20, 30));
    }
    BITMAP bm{};
    ASSERT_EQ(::GetObjectA(section.Bitmap(), sizeof(bm), &bm), static_cast<int>(sizeof(bm))) << "not deleted";
    const BYTE* p = section.Bits();
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);

    // A bitmap can be selected into one context at a time: it was given back.
    HDC other = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(other, section.Bitmap());
    EXPECT_NE(previous, nullptr);
    ::SelectObject(other, previous);
    ::DeleteDC(other);

    // A second context over the same bitmap draws over the first one's work.
    {
        COffscreenDC again(section.Bitmap());
        RECT one{0, 9, 1, 10};
        again.FillSolidRect(&one, RGB(1, 2, 3));
    }
    EXPECT_EQ(p[0], 3);
}

TEST(OffscreenDC, DrawTextWrapsAtLineFeedsInsideTheRectangle) {
    CDibSection section;
    ASSERT_TRUE(section.Create(200, 60, 24));
    COffscreenDC dc(section.Bitmap());
    RECT rect{0, 0, 200, 60};
    int height = dc.DrawText(L"one\ntwo", &rect, 0);
    RECT oneLine{0, 0, 200, 60};
    int single = dc.DrawText(L"one", &oneLine, 0);
    EXPECT_GT(single, 0);
    EXPECT_EQ(height, 2 * single);
}

// Drawing on some rows of a picture: those rows end as drawing on the whole picture leaves
// them, the others are never touched, and rows past the picture are left out.
TEST(OffscreenDC, DrawOnRowsDrawsItsRowsAsOnTheWholePictureAndNoOthers) {
    constexpr int kWidth = 37, kHeight = 29;  // an odd width: padded rows on both sides
    CPackedDib original;
    ASSERT_TRUE(original.Create(kWidth, kHeight, 24));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < 3; ++c) original.Bits()[(kHeight - 1 - y) * original.Stride() + 3 * x + c] = PatternByte(x, y, c);
        }
    }
    // Something different on every row: a diagonal and a bar down the whole height.
    const auto draw = [](CDC& dc) {
        CBrush brush(::CreateSolidBrush(RGB(10, 200, 30)));
        const RECT bar{12, 0, 19, kHeight};
        ::FillRect(dc.GetSafeHdc(), &bar, brush);
        ::MoveToEx(dc.GetSafeHdc(), 0, 0, nullptr);
        ::LineTo(dc.GetSafeHdc(), kWidth, kHeight);
    };
    // The same drawing on a section of the whole picture.
    CDibSection whole;
    ASSERT_TRUE(whole.Create(kWidth, kHeight, 24));
    for (int r = 0; r < kHeight; ++r) std::memcpy(whole.Bits() + r * whole.Pitch(), original.Bits() + r * original.Stride(), kWidth * 3);
    {
        COffscreenDC dc(whole.Bitmap());
        draw(dc);
    }
    ::GdiFlush();
    CPackedDib expected;
    ASSERT_TRUE(expected.Create(kWidth, kHeight, 24));
    for (int r = 0; r < kHeight; ++r) std::memcpy(expected.Bits() + r * expected.Stride(), whole.Bits() + r * whole.Pitch(), kWidth * 3);
    const Bytes before = TopDownRgb(original), after = TopDownRgb(expected);

    struct Band {
        int top, bottom, drawnTop, drawnBottom;
    };
    for (const Band& band : {Band{0, kHeight, 0, kHeight}, Band{5, 12, 5, 12}, Band{20, kHeight, 20, kHeight},
                             Band{-3, 4, 0, 4}, Band{27, 40, 27, kHeight}, Band{10, 10, 0, 0}, Band{30, 35, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << "rows " << band.top << " to " << band.bottom);
        CPackedDib picture;
        ASSERT_TRUE(picture.Create(kWidth, kHeight, 24));
        std::memcpy(picture.Bits(), original.Bits(), static_cast<size_t>(original.Stride()) * kHeight);
        EXPECT_EQ(DrawOnRows(picture, band.top, band.bottom, draw), band.drawnBottom > band.drawnTop);
        const Bytes got = TopDownRgb(picture);
        for (int y = 0; y < kHeight; ++y) {
            const bool drawn = y >= band.drawnTop && y < band.drawnBottom;
            const Bytes& want = drawn ? after : before;
            EXPECT_TRUE(std::equal(got.begin() + y * kWidth * 3, got.begin() + (y + 1) * kWidth * 3, want.begin() + y * kWidth * 3))
                << "row " << y << (drawn ? " drawn" : " untouched");
        }
    }
}

}  // namespace
