// CPackedDib and CDibSection: block layout, sizes, zero fill, re-creation and drawing.
#include "SkinTestSupport.h"
#include "skin/DibSection.h"
#include "skin/OffscreenDC.h"
#include "skin/PackedDib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

bool AllZero(const BYTE* p, size_t n) { return std::all_of(p, p + n, [](BYTE b) { return b == 0; }); }

TEST(PackedDib, StrideRoundsRowsUpToWholeWords) {
    EXPECT_EQ(StrideFor(510, 24), 1532);
    EXPECT_EQ(StrideFor(158, 24), 476);
    EXPECT_EQ(StrideFor(56, 24), 168);
    EXPECT_EQ(StrideFor(48, 24), 144);
    EXPECT_EQ(StrideFor(1, 24), 4);
    EXPECT_EQ(StrideFor(13, 8), 16);
    EXPECT_EQ(StrideFor(33, 1), 8);
    EXPECT_EQ(StrideFor(9, 4), 8);
    EXPECT_EQ(StrideFor(3, 32), 12);
}

TEST(PackedDib, TwentyFourBitBlockIsHeaderSlotAndZeroedRows) {
    CPackedDib dib;
    ASSERT_TRUE(dib.Create(158, 158, 24));
    EXPECT_EQ(dib.Size(), 75252);
    EXPECT_EQ(dib.Stride(), 476);
    const BYTE* block = reinterpret_cast<const BYTE*>(dib.Info());
    EXPECT_EQ(dib.Bits(), block + 44);
    EXPECT_TRUE(AllZero(block + 40, static_cast<size_t>(dib.Size() - 40))) << "the unused slot and every row are zero";

    const BITMAPINFOHEADER& h = dib.Info()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 158);
    EXPECT_EQ(h.biHeight, 158) << "positive: bottom-up rows";
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage + h.biXPelsPerMeter + h.biYPelsPerMeter + h.biClrUsed + h.biClrImportant, 0u);
}

TEST(PackedDib, PaletteImagesCarryAFullColourTable) {
    CPackedDib dib;
    ASSERT_TRUE(dib.Create(13, 5, 8));
    const BYTE* block = reinterpret_cast<const BYTE*>(dib.Info());
    EXPECT_EQ(reinterpret_cast<const BYTE*>(dib.Colors()), block + 40);
    EXPECT_EQ(dib.Bits(), block + 1064);
    EXPECT_EQ(dib.Size(), 1064 + 16 * 5);

    RGBQUAD table[256];
    for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    dib.SetColorTable(table);
    EXPECT_EQ(std::memcmp(dib.Colors(), table, sizeof(table)), 0);
    EXPECT_TRUE(AllZero(dib.Bits(), 16 * 5)) << "the table stops where the rows begin";

    ASSERT_TRUE(dib.Create(9, 2, 4));
    EXPECT_EQ(dib.Bits(), reinterpret_cast<const BYTE*>(dib.Info()) + 40 + 64);
    ASSERT_TRUE(dib.Create(33, 2, 1));
    EXPECT_EQ(dib.Bits(), reinterpret_cast<const BYTE*>(dib.Info()) + 48);
    EXPECT_EQ(dib.Size(), 48 + 8 * 2);
}

TEST(PackedDib, UnsupportedBitCountsLeaveNoBlock) {
    CPackedDib dib;
    for (int bits : {2, 0, 12, -8, 48}) {
        ASSERT_TRUE(dib.Create(4, 4, 24));
        EXPECT_FALSE(dib.Create(4, 4, bits)) << bits;
        EXPECT_TRUE(dib.IsEmpty()) << bits;
        EXPECT_EQ(dib.Bits(), nullptr);
        EXPECT_EQ(dib.Draw(nullptr, 0, 0), 0) << "an empty image draws nothing";
    }
}

TEST(PackedDib, RecreationStartsFromAFreshZeroedBlock) {
    CPackedDib dib;
    ASSERT_TRUE(dib.Create(20, 10, 24));
    std::memset(dib.Bits(), 0xAB, static_cast<size_t>(dib.Stride() * dib.Height()));
    ASSERT_TRUE(dib.Create(7, 3, 24));
    EXPECT_EQ(dib.Width(), 7);
    EXPECT_EQ(dib.Height(), 3);
    EXPECT_EQ(dib.Size(), 44 + 24 * 3);
    EXPECT_TRUE(AllZero(dib.Bits(), 24 * 3));
    dib.Release();
    EXPECT_TRUE(dib.IsEmpty());
    EXPECT_EQ(dib.Width(), 0);
}

TEST(DibSection, WidthIsPaddedToWholeWordsOfPixels) {
    CDibSection section;
    ASSERT_TRUE(section.Create(510, 310, 24));
    EXPECT_NE(section.Bitmap(), nullptr);
    EXPECT_NE(section.Bits(), nullptr);
    EXPECT_EQ(section.PaddedWidth(), 512);
    EXPECT_EQ(section.Pitch(), 1536);
    EXPECT_EQ(section.ImageSize(), 476160);
    EXPECT_EQ(section.Width(), 510);
    EXPECT_EQ(section.Height(), 310);
    EXPECT_EQ(section.BytesPerPixel(), 3);

    DIBSECTION info{};
    ASSERT_EQ(::GetObjectA(section.Bitmap(), sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.dsBm.bmWidth, 512);
    EXPECT_EQ(info.dsBmih.biHeight, 310);
    EXPECT_EQ(info.dsBm.bmWidthBytes, 1536);

    ASSERT_TRUE(section.Create(5, 3, 32));
    EXPECT_EQ(section.PaddedWidth(), 5) << "32-bit rows are always whole words";
    ASSERT_TRUE(section.Create(5, 3, 8));
    EXPECT_EQ(section.PaddedWidth(), 8);
    ASSERT_TRUE(section.Create(7, 3, 16));
    EXPECT_EQ(section.PaddedWidth(), 8);
    EXPECT_FALSE(section.Create(7, 3, 4));
    EXPECT_FALSE(section.Create(7, 3, 1));
}

TEST(DibSection, ReleaseDeletesTheBitmap) {
    CDibSection section;
    ASSERT_TRUE(section.Create(16, 16, 24));
    HBITMAP bitmap = section.Bitmap();
    section.Release();
    EXPECT_EQ(section.Bitmap(), nullptr);
    EXPECT_EQ(section.Width(), 0);
    EXPECT_EQ(section.ImageSize(), 0);
    BITMAP bm{};
    EXPECT_EQ(::GetObjectA(bitmap, sizeof(bm), &bm), 0) << "the section's bitmap is gone";
}

// Draw copies the image 1:1, bottom-up rows landing top-down on the target.
TEST(PackedDib, DrawCopiesEveryPixelUnscaled) {
    CPackedDib dib;
    ASSERT_TRUE(dib.Create(5, 4, 24));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            BYTE* p = dib.Bits() + (3 - y) * dib.Stride() + 3 * x;  // top row y
            p[0] = BYTE(10 * x + 1);  // blue
            p[1] = BYTE(40 * y + 2);  // green
            p[2] = 200;               // red
        }
    }
    CDibSection target;
    ASSERT_TRUE(target.Create(12, 10, 24));
    {
        COffscreenDC dc(target.Bitmap());
        EXPECT_NE(dib.Draw(dc.GetSafeHdc(), 3, 2), 0);
    }
    ::GdiFlush();
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            const BYTE* p = target.Bits() + (9 - y) * target.Pitch() + 3 * x;
            bool inside = x >= 3 && x < 8 && y >= 2 && y < 6;
            BYTE blue = inside ? BYTE(10 * (x - 3) + 1) : 0;
            BYTE green = inside ? BYTE(40 * (y - 2) + 2) : 0;
            BYTE red = inside ? 200 : 0;
            ASSERT_EQ(p[0], blue) << x << "," << y;
            ASSERT_EQ(p[1], green) << x << "," << y;
            ASSERT_EQ(p[2], red) << x << "," << y;
        }
    }
}

}  // namespace
