// The skin at other display scales: the art for 192 DPI, the resampling in between, and the
// sizes every scale gives. "Sharp" is measured against the vectors rendered at that scale.
#include "SkinTestSupport.h"
#include "app/resource.h"
#include "framework/WinUtil.h"
#include "skin/DpiScale.h"
#include "skin/PngResource.h"
#include "skin/Resample.h"
#include "skin/SkinImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Mean difference per channel of two equally sized 24-bit images over their common area.
double MeanDifference(const CPackedDib& a, const CPackedDib& b) {
    const int w = std::min(a.Width(), b.Width()), h = std::min(a.Height(), b.Height());
    const Bytes ra = TopDownRgb(a), rb = TopDownRgb(b);
    long long sum = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w * 3; ++x) sum += std::abs(ra[(y * a.Width()) * 3 + x] - rb[(y * b.Width()) * 3 + x]);
    }
    return static_cast<double>(sum) / (3.0 * w * h);
}

// A 24-bit picture of width x height whose pixel (x, y) is colour(x, y) (0xRRGGBB).
template <typename F>
void Paint(CPackedDib& image, int width, int height, F colour) {
    ASSERT_TRUE(image.Create(width, height, 24));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE* p = image.Bits() + (height - 1 - y) * image.Stride() + x * 3;
            const unsigned c = colour(x, y);
            p[0] = static_cast<BYTE>(c);
            p[1] = static_cast<BYTE>(c >> 8);
            p[2] = static_cast<BYTE>(c >> 16);
        }
    }
}

unsigned Blue(const CPackedDib& image, int x, int y) { return image.Bits()[(image.Height() - 1 - y) * image.Stride() + x * 3]; }

TEST(SkinScale, LargeArtIsEveryImageAtTwiceTheSize) {
    for (WORD id = IDB_BACKGROUND; id <= IDB_EXIT_PRESSED; ++id) {
        SCOPED_TRACE(id);
        CPackedDib small, large;
        CString message;
        ASSERT_TRUE(LoadPngResource(small, id, &message)) << ToUtf8(message);
        ASSERT_TRUE(LoadPngResource(large, static_cast<WORD>(id + kLargeArtOffset), &message)) << ToUtf8(message);
        EXPECT_EQ(large.BitCount(), 24);
        EXPECT_EQ(large.Width(), 2 * small.Width());
        EXPECT_EQ(large.Height(), 2 * small.Height());
    }
}

// Every scale gives the 96-DPI size times the scale, rounded as the window's coordinates are.
TEST(SkinScale, LoadedSizeFollowsTheScale) {
    for (int dpi : {72, 96, 120, 144, 168, 192, 240, 288}) {
        for (UINT id : {IDB_BACKGROUND, IDB_CACHE_PRESSED, IDB_HELP_HOVER, IDB_EXIT_NORMAL}) {
            SCOPED_TRACE(testing::Message() << dpi << " DPI, image " << id);
            CSkinImage design, scaled;
            ASSERT_TRUE(design.Load(id));
            ASSERT_TRUE(scaled.Load(id, dpi));
            const CDpiScale scale(dpi);
            EXPECT_EQ(scaled.Image().Width(), scale.Scale(design.Image().Width()));
            EXPECT_EQ(scaled.Image().Height(), scale.Scale(design.Image().Height()));
        }
    }
}

// Between the shipped scales a button is as close to the vectors drawn at that scale as
// rounding allows, and much closer than the 96-DPI art enlarged would be. (The small title
// buttons are mostly text, which the renderer hints anew at each size: the large ones show
// the resampling itself.)
TEST(SkinScale, InBetweenScalesMatchTheVectorsNotTheStretchedSmallArt) {
    for (int dpi : {120, 144, 168}) {
        for (const char* name : {"cookie-normal", "cache-cookie-hover", "cache-pressed"}) {
            SCOPED_TRACE(testing::Message() << dpi << " DPI, " << name);
            CPackedDib vectors;
            ASSERT_TRUE(Decode(ReadFileBytes(FixturePath("dpi-" + std::to_string(dpi) + "/" + name + ".png")), vectors, nullptr));
            const UINT id = std::string(name) == "cookie-normal"        ? IDB_COOKIE_NORMAL
                            : std::string(name) == "cache-cookie-hover" ? IDB_CACHE_COOKIE_HOVER
                                                                        : IDB_CACHE_PRESSED;
            CSkinImage drawn, small;
            ASSERT_TRUE(drawn.Load(id, dpi));
            ASSERT_TRUE(small.Load(id));
            CPackedDib stretched;
            ASSERT_TRUE(ResampleDib(small.Image(), 96, stretched, dpi, drawn.Image().Width(), drawn.Image().Height()));

            const double drawnOff = MeanDifference(drawn.Image(), vectors);
            const double stretchedOff = MeanDifference(stretched, vectors);
            EXPECT_LT(drawnOff, 1.5);
            EXPECT_LT(drawnOff * 2, stretchedOff) << drawnOff << " against " << stretchedOff;
        }
    }
}

TEST(SkinScale, ShrinkingAveragesTheAreaAndKeepsEdgesOnWholePixels) {
    CPackedDib checker, grey;
    Paint(checker, 40, 40, [](int x, int y) { return ((x + y) % 2) ? 0xFFFFFFu : 0u; });
    ASSERT_TRUE(ResampleDib(checker, 192, grey, 96, 20, 20));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) ASSERT_NEAR(static_cast<int>(Blue(grey, x, y)), 128, 1) << x << "," << y;
    }

    // An edge at source column 80 of 192-DPI art lies on target column 60 at 144 DPI: both
    // sides stay pure. One at column 81 falls inside target pixel 60, which covers source
    // 80 to 81.33: a quarter of it is light.
    CPackedDib step, shrunk;
    for (int edge : {80, 81}) {
        Paint(step, 160, 4, [edge](int x, int) { return x < edge ? 0x000000u : 0x0000FFu; });
        ASSERT_TRUE(ResampleDib(step, 192, shrunk, 144, 120, 3));
        if (edge == 80) {
            EXPECT_EQ(Blue(shrunk, 59, 1), 0u);
            EXPECT_EQ(Blue(shrunk, 60, 1), 255u);
        } else {
            EXPECT_EQ(Blue(shrunk, 59, 1), 0u);
            EXPECT_NEAR(static_cast<int>(Blue(shrunk, 60, 1)), 255 / 4, 1);
            EXPECT_EQ(Blue(shrunk, 61, 1), 255u);
        }
    }
}

// The share of source pixel s in target pixel t: its overlap with [t, t + 1) * ratio, the
// interval cut at the image's end.
double Overlap(int t, int s, double ratio, int sourceLength) {
    const double from = t * ratio, to = std::min((t + 1) * ratio, static_cast<double>(sourceLength));
    return std::max(std::min(to, s + 1.0) - std::max(from, static_cast<double>(s)), 0.0);
}

// Every shrinking ratio the loops treat apart (two source pixels per target pixel, three, more)
// and sizes that end in the middle of a target pixel, over noise: each target pixel is the
// exact mean of the area it covers, to within the rounding of the two passes.
TEST(SkinScale, ShrinkingIsTheExactAreaMeanAtEveryRatioAndSize) {
    struct Case {
        int sourceDpi, targetDpi, width, height;
    };
    const Case cases[] = {{192, 144, 37, 23}, {192, 144, 4, 3}, {192, 168, 29, 31}, {192, 120, 33, 17},
                          {192, 96, 21, 5},   {288, 96, 16, 19}, {240, 72, 26, 9},   {96, 40, 12, 30}};
    unsigned seed = 12345;
    // Each case twice: every row different, and rows repeated in runs of 1 to 6 (as flat art
    // repeats them), which the resampler does not work out again.
    for (const bool runs : {false, true}) for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sourceDpi << " to " << c.targetDpi << ", " << c.width << " x " << c.height
                                        << (runs ? ", rows in runs" : ""));
        CPackedDib noise, shrunk;
        // The source row whose pixels row y repeats: itself, or the first of its run.
        std::vector<unsigned> rowOf(static_cast<size_t>(c.height));
        for (unsigned y = 0, runStart = 0, length = 1; y < rowOf.size(); ++y) {
            if (y == runStart + length) {
                runStart = y;
                length = length % 6 + 1;
            }
            rowOf[y] = runs ? runStart : y;
        }
        seed += 101;
        Paint(noise, c.width, c.height, [&](int x, int y) {
            return ((rowOf[static_cast<size_t>(y)] * 7919u + static_cast<unsigned>(x) + seed) * 2654435761u) >> 8;
        });
        const double ratio = static_cast<double>(c.sourceDpi) / c.targetDpi;
        const int width = static_cast<int>(std::ceil(c.width / ratio)), height = static_cast<int>(std::ceil(c.height / ratio));
        ASSERT_TRUE(ResampleDib(noise, c.sourceDpi, shrunk, c.targetDpi, width, height));
        const Bytes in = TopDownRgb(noise), out = TopDownRgb(shrunk);
        for (int ty = 0; ty < height; ++ty) {
            for (int tx = 0; tx < width; ++tx) {
                for (int ch = 0; ch < 3; ++ch) {
                    double sum = 0, area = 0;
                    for (int sy = 0; sy < c.height; ++sy) {
                        for (int sx = 0; sx < c.width; ++sx) {
                            const double w = Overlap(ty, sy, ratio, c.height) * Overlap(tx, sx, ratio, c.width);
                            sum += w * in[(sy * c.width + sx) * 3 + ch];
                            area += w;
                        }
                    }
                    ASSERT_NEAR(out[(ty * width + tx) * 3 + ch], sum / area, 1.0) << tx << "," << ty << " channel " << ch;
                }
            }
        }
    }
}

// Fed row by row, the target is complete with the last source row it covers, not before.
TEST(SkinScale, RowByRowTheTargetIsDoneWithTheLastRowItCovers) {
    CRowResampler resampler;
    CPackedDib target;
    ASSERT_TRUE(resampler.Begin(8, 8, 192, target, 144, 6, 6));
    const std::vector<BYTE> row(24, 200);
    for (int r = 0; r < 7; ++r) {
        EXPECT_FALSE(resampler.Done()) << "after " << r << " rows";
        resampler.Row(row.data());
    }
    resampler.Row(row.data());
    EXPECT_TRUE(resampler.Done());
    const Bytes pixels = TopDownRgb(target);
    EXPECT_EQ(pixels, Bytes(6 * 6 * 3, 200));

    CRowResampler refused;
    EXPECT_FALSE(refused.Begin(0, 8, 192, target, 144, 6, 6));
    EXPECT_TRUE(target.IsEmpty());
    EXPECT_FALSE(refused.Done());
}

TEST(SkinScale, EnlargingInterpolatesAndHoldsTheEdges) {
    CPackedDib ramp, twice;
    Paint(ramp, 3, 1, [](int x, int) { return static_cast<unsigned>(x * 100); });
    ASSERT_TRUE(ResampleDib(ramp, 96, twice, 192, 6, 2));
    const unsigned expected[6] = {0, 25, 75, 125, 175, 200};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(Blue(twice, x, 0), expected[x]) << x;
        EXPECT_EQ(Blue(twice, x, 1), expected[x]) << x;
    }
}

TEST(SkinScale, RefusesWhatItCannotResample) {
    CPackedDib palette, target, empty;
    ASSERT_TRUE(palette.Create(4, 4, 8));
    EXPECT_FALSE(ResampleDib(palette, 192, target, 144, 3, 3));
    EXPECT_TRUE(target.IsEmpty());
    EXPECT_FALSE(ResampleDib(empty, 192, target, 144, 3, 3));
    CPackedDib rgb;
    ASSERT_TRUE(rgb.Create(4, 4, 24));
    EXPECT_FALSE(ResampleDib(rgb, 192, target, 0, 3, 3));
    EXPECT_FALSE(ResampleDib(rgb, 192, target, 144, 0, 3));
}

TEST(SkinScale, DesignCoordinatesRoundToTheNearestPixelAndLinesStayVisible) {
    struct Row {
        int dpi, design, scaled, line;
    } const rows[] = {
        {96, 495, 495, 1}, {120, 495, 619, 1}, {144, 405, 608, 2}, {168, 263, 460, 2}, {192, 1, 2, 2}, {72, 1, 1, 1},
    };
    for (const Row& r : rows) {
        const CDpiScale scale(r.dpi);
        EXPECT_EQ(scale.Scale(r.design), r.scaled) << r.dpi;
        EXPECT_EQ(scale.Line(1), r.line) << r.dpi;
        // Rectangles that touch at 96 DPI touch at every scale.
        const RECT left = scale.Scale(RECT{0, 0, r.design, 10}), right = scale.Scale(RECT{r.design, 0, 510, 10});
        EXPECT_EQ(left.right, right.left) << r.dpi;
    }
    EXPECT_EQ(CDpiScale(0).Dpi(), 96) << "a failed query counts as 96 DPI";
}

}  // namespace
