// The shipped artwork as the program holds it: PNG resources 130-145 and cursor group 146.
#include "SkinTestSupport.h"
#include "app/resource.h"
#include "framework/WinUtil.h"
#include "skin/PngResource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

struct Chunk {
    std::string type;
    Bytes data;
};

std::vector<Chunk> Chunks(const BYTE* png, DWORD size) {
    std::vector<Chunk> chunks;
    for (DWORD i = 8; i + 12 <= size;) {
        DWORD length = DWORD(png[i]) << 24 | DWORD(png[i + 1]) << 16 | DWORD(png[i + 2]) << 8 | png[i + 3];
        if (i + 12 + length > size) break;
        chunks.push_back({std::string(reinterpret_cast<const char*>(png + i + 4), 4),
                          Bytes(png + i + 8, png + i + 8 + length)});
        i += 12 + length;
    }
    return chunks;
}

const BYTE* Resource(LPCSTR type, WORD id, DWORD* size) {
    HRSRC r = ::FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    if (r == nullptr) return nullptr;
    *size = ::SizeofResource(nullptr, r);
    return static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, r)));
}

TEST(SkinResources, EveryImageIsPlainEightBitRgbWithItsChunks) {
    for (WORD id = IDB_BACKGROUND; id <= IDB_EXIT_PRESSED; ++id) {
        SCOPED_TRACE(id);
        int width = id == IDB_BACKGROUND ? 510 : id <= IDB_COOKIE_PRESSED ? 158 : id <= IDB_HELP_PRESSED ? 56 : 48;
        int height = id == IDB_BACKGROUND ? 310 : id <= IDB_COOKIE_PRESSED ? 158 : 35;
        DWORD size = 0;
        const BYTE* png = Resource("PNG", id, &size);
        ASSERT_NE(png, nullptr);
        ASSERT_GT(size, 33u);
        EXPECT_EQ(std::memcmp(png, "\x89PNG\r\n\x1a\n", 8), 0);
        std::vector<Chunk> chunks = Chunks(png, size);
        ASSERT_FALSE(chunks.empty());
        ASSERT_EQ(chunks[0].type, "IHDR");
        const Bytes& ihdr = chunks[0].data;
        EXPECT_EQ(ihdr[0] << 24 | ihdr[1] << 16 | ihdr[2] << 8 | ihdr[3], width);
        EXPECT_EQ(ihdr[4] << 24 | ihdr[5] << 16 | ihdr[6] << 8 | ihdr[7], height);
        EXPECT_EQ(ihdr[8], 8) << "bit depth";
        EXPECT_EQ(ihdr[9], 2) << "colour type RGB";
        EXPECT_EQ(ihdr[12], 0) << "not interlaced";
        std::set<std::string> types;
        for (const Chunk& c : chunks) types.insert(c.type);
        for (const char* needed : {"sBIT", "pHYs", "tEXt", "IDAT", "IEND"}) EXPECT_EQ(types.count(needed), 1u) << needed;
        EXPECT_EQ(types.count("tRNS") + types.count("PLTE"), 0u);

        CPackedDib image;
        CString message;
        ASSERT_TRUE(LoadPngResource(image, id, &message)) << ToUtf8(message);
        EXPECT_EQ(image.BitCount(), 24);
        EXPECT_EQ(image.Width(), width);
        EXPECT_EQ(image.Height(), height);
    }
}

class Background : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadPngResource(m_image, IDB_BACKGROUND, nullptr)); }
    COLORREF At(int x, int y) const {
        const BYTE* p = m_image.Bits() + (m_image.Height() - 1 - y) * m_image.Stride() + 3 * x;
        return RGB(p[2], p[1], p[0]);
    }
    void ExpectRect(int left, int top, int right, int bottom, COLORREF color, const char* what) const {
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                ASSERT_EQ(At(x, y), color) << what << " at " << x << "," << y;
            }
        }
    }
    CPackedDib m_image;
};

TEST_F(Background, FrameTitleBarBodyAndBand) {
    const COLORREF dark = RGB(51, 51, 51);
    ExpectRect(0, 0, 509, 0, dark, "top border");
    ExpectRect(0, 309, 509, 309, dark, "bottom border");
    ExpectRect(0, 0, 0, 309, dark, "left border");
    ExpectRect(509, 0, 509, 309, dark, "right border");
    ExpectRect(1, 35, 508, 35, dark, "line under the title bar");
    ExpectRect(406, 1, 406, 34, dark, "divider before help");
    ExpectRect(461, 1, 461, 34, dark, "divider before exit");

    const COLORREF rim = RGB(93, 119, 154);
    ExpectRect(1, 1, 405, 1, rim, "rim, top");
    ExpectRect(1, 34, 405, 34, rim, "rim, bottom");
    ExpectRect(1, 1, 1, 34, rim, "rim, left");
    ExpectRect(508, 1, 508, 34, rim, "rim, right");
    ExpectRect(20, 2, 400, 2, RGB(63, 84, 117), "gradient, top");
    ExpectRect(20, 33, 400, 33, RGB(44, 62, 94), "gradient, bottom");
    for (int y = 3; y <= 33; ++y) {
        EXPECT_LE(GetBValue(At(200, y)), GetBValue(At(200, y - 1))) << "darkening downwards, row " << y;
    }

    ExpectRect(1, 36, 508, 278, RGB(238, 238, 238), "body");
    ExpectRect(34, 279, 508, 308, RGB(164, 219, 250), "band right of the tag");
    ExpectRect(1, 279, 508, 281, RGB(164, 219, 250), "band above the tag");
    ExpectRect(1, 306, 508, 308, RGB(164, 219, 250), "band below the tag");
}

TEST_F(Background, AdTagLeftOfTheBanner) {
    const COLORREF white = RGB(255, 255, 255);
    ExpectRect(4, 282, 33, 282, white, "tag edge, top");
    ExpectRect(4, 305, 33, 305, white, "tag edge, bottom");
    ExpectRect(4, 282, 4, 305, white, "tag edge, left");
    ExpectRect(33, 282, 33, 305, white, "tag edge, right");
    const COLORREF fill = RGB(218, 241, 250);
    ExpectRect(5, 283, 32, 285, fill, "tag fill above the letters");
    ExpectRect(5, 302, 32, 304, fill, "tag fill below the letters");
    int darkBlue = 0;
    for (int y = 286; y < 302; ++y) {
        for (int x = 6; x < 32; ++x) {
            COLORREF c = At(x, y);
            if (GetBValue(c) > GetRValue(c) + 60 && GetRValue(c) < 90) ++darkBlue;
        }
    }
    EXPECT_GT(darkBlue, 25) << "the letters AD in dark blue";
}

TEST(SkinResources, LinkCursorIsOneMonochromeHandWithItsHotSpotOnTheFingertip) {
    DWORD size = 0;
    const BYTE* group = Resource(reinterpret_cast<LPCSTR>(RT_GROUP_CURSOR), IDC_LINK_CURSOR, &size);
    ASSERT_NE(group, nullptr);
    WORD count = 0;
    std::memcpy(&count, group + 4, 2);
    ASSERT_EQ(count, 1);
    WORD width, height, bitCount, id;
    std::memcpy(&width, group + 6, 2);
    std::memcpy(&height, group + 8, 2);
    std::memcpy(&bitCount, group + 12, 2);
    std::memcpy(&id, group + 18, 2);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 64) << "XOR and AND masks";
    EXPECT_EQ(bitCount, 1);

    const BYTE* cursor = Resource(reinterpret_cast<LPCSTR>(RT_CURSOR), id, &size);
    ASSERT_NE(cursor, nullptr);
    WORD hotX, hotY;
    std::memcpy(&hotX, cursor, 2);
    std::memcpy(&hotY, cursor + 2, 2);
    EXPECT_EQ(hotX, 14);
    EXPECT_EQ(hotY, 7);
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, cursor + 4, sizeof(bih));
    EXPECT_EQ(bih.biWidth, 32);
    EXPECT_EQ(bih.biHeight, 64);
    EXPECT_EQ(bih.biBitCount, 1);
    // AND mask (after the two-colour table and the XOR mask): the hot spot is not transparent.
    const BYTE* andMask = cursor + 4 + 40 + 8 + 32 * 4;
    const BYTE* hotRow = andMask + (31 - 7) * 4;
    EXPECT_EQ(hotRow[14 / 8] & (0x80 >> (14 % 8)), 0) << "the fingertip is drawn";
    int opaque = 0;
    for (int i = 0; i < 32 * 4; ++i) {
        for (int b = 0; b < 8; ++b) opaque += (andMask[i] >> b & 1) == 0;
    }
    EXPECT_GT(opaque, 150) << "a hand, not a dot";
    EXPECT_LT(opaque, 600);

    HCURSOR loaded = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_CURSOR));
    ASSERT_NE(loaded, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(loaded, &info));
    EXPECT_EQ(info.xHotspot, 14u);
    EXPECT_EQ(info.yHotspot, 7u);
    EXPECT_EQ(info.hbmColor, nullptr) << "monochrome";
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
}

}  // namespace
