// PNG decoding through libpng: every kind of file the skin may meet, refusals with their
// messages, broken data without them, and agreement with an independent decoder.
#include "SkinTestSupport.h"
#include "app/resource.h"
#include "framework/WinUtil.h"
#include "skin/PngResource.h"
#include "skin/SkinImage.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char kTooManyColours[] = "色数が多すぎます。";
const char kUnsupported[] = "このPNGの画像フォーマットには未対応です。";

// A palette image whose index at (x, y) is known, with `entries` palette colours.
PngPicture PalettePicture(int bitDepth, int entries, int width = 13, int height = 7) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.bitDepth = bitDepth;
    picture.colorType = PNG_COLOR_TYPE_PALETTE;
    for (int i = 0; i < entries; ++i) {
        picture.palette.insert(picture.palette.end(), {BYTE(17 + i * 3), BYTE(250 - i), BYTE(i * 7 % 256)});
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture.samples.push_back(BYTE((x * 3 + y * 5) % entries));
    }
    return picture;
}

// An RGB image whose every byte is a function of its place.
PngPicture RgbPicture(int width, int height, bool interlaced = false) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.interlaced = interlaced;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.samples.insert(picture.samples.end(), {BYTE(x * 5 + y), BYTE(y * 9 + 1), BYTE(x ^ (y * 16))});
        }
    }
    return picture;
}

TEST(PngDecode, PaletteImagesOfEveryDepthGiveOneIndexBytePerPixel) {
    struct Case {
        int bitDepth, entries;
    };
    for (Case c : {Case{1, 2}, Case{2, 3}, Case{4, 11}, Case{8, 200}}) {
        SCOPED_TRACE(c.bitDepth);
        PngPicture picture = PalettePicture(c.bitDepth, c.entries);
        CPackedDib image;
        std::string message;
        ASSERT_TRUE(Decode(WritePng(picture), image, &message));
        EXPECT_EQ(message, "");
        ASSERT_EQ(image.BitCount(), 8);
        ASSERT_EQ(image.Width(), 13);
        ASSERT_EQ(image.Height(), 7);
        ASSERT_EQ(image.Stride(), 16);
        for (int y = 0; y < 7; ++y) {
            const BYTE* row = image.Bits() + (6 - y) * 16;
            for (int x = 0; x < 13; ++x) ASSERT_EQ(row[x], picture.samples[size_t(y * 13 + x)]) << x << "," << y;
            EXPECT_EQ(row[13] | row[14] | row[15], 0) << "row padding stays zero";
        }
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD& q = image.Colors()[i];
            if (i < c.entries) {
                EXPECT_EQ(q.rgbRed, picture.palette[size_t(3 * i)]) << i;
                EXPECT_EQ(q.rgbGreen, picture.palette[size_t(3 * i + 1)]) << i;
                EXPECT_EQ(q.rgbBlue, picture.palette[size_t(3 * i + 2)]) << i;
                EXPECT_EQ(q.rgbReserved, 0) << i;
            } else {
                ASSERT_EQ(q.rgbRed | q.rgbGreen | q.rgbBlue | q.rgbReserved, 0) << "entry " << i << " past the palette";
            }
        }
    }
}

TEST(PngDecode, PaletteTransparencyIsNotApplied) {
    PngPicture picture = PalettePicture(8, 4);
    picture.trns = {0, 128, 255};
    CPackedDib image;
    ASSERT_TRUE(Decode(WritePng(picture), image, nullptr));
    EXPECT_EQ(image.BitCount(), 8);
    EXPECT_EQ(image.Colors()[0].rgbRed, picture.palette[0]);
    EXPECT_EQ(image.Colors()[0].rgbReserved, 0);
    EXPECT_EQ(image.Bits()[6 * 16], picture.samples[0]) << "indices, not blended colours";
}

TEST(PngDecode, RgbRowsAreBgrBottomUpWithZeroPadding) {
    PngPicture picture = RgbPicture(158, 6);
    CPackedDib image;
    ASSERT_TRUE(Decode(WritePng(picture), image, nullptr));
    ASSERT_EQ(image.BitCount(), 24);
    ASSERT_EQ(image.Stride(), 476);
    // The top row's first pixel starts with its blue byte at bits + (height - 1) x stride.
    const BYTE* top = image.Bits() + 5 * 476;
    EXPECT_EQ(top[0], picture.samples[2]);
    EXPECT_EQ(top[1], picture.samples[1]);
    EXPECT_EQ(top[2], picture.samples[0]);
    for (int y = 0; y < 6; ++y) {
        const BYTE* row = image.Bits() + (5 - y) * 476;
        EXPECT_EQ(row[474], 0) << "padding of row " << y;
        EXPECT_EQ(row[475], 0) << "padding of row " << y;
    }
    Bytes expected(picture.samples.begin(), picture.samples.end());
    EXPECT_EQ(TopDownRgb(image), expected);
}

TEST(PngDecode, InterlacedTwinGivesTheSamePixels) {
    for (int width : {1, 5, 37}) {
        SCOPED_TRACE(width);
        CPackedDib plain, interlaced;
        ASSERT_TRUE(Decode(WritePng(RgbPicture(width, 11)), plain, nullptr));
        ASSERT_TRUE(Decode(WritePng(RgbPicture(width, 11, true)), interlaced, nullptr));
        ASSERT_EQ(plain.Size(), interlaced.Size());
        EXPECT_EQ(std::memcmp(plain.Info(), interlaced.Info(), size_t(plain.Size())), 0);
    }
    PngPicture palette = PalettePicture(2, 4, 9, 9);
    CPackedDib a, b;
    ASSERT_TRUE(Decode(WritePng(palette), a, nullptr));
    palette.interlaced = true;
    ASSERT_TRUE(Decode(WritePng(palette), b, nullptr));
    EXPECT_EQ(std::memcmp(a.Info(), b.Info(), size_t(a.Size())), 0);
}

TEST(PngDecode, SixteenBitIsRefusedBeforeAnyImageExists) {
    PngPicture picture = RgbPicture(4, 3);
    picture.bitDepth = 16;
    picture.samples.resize(4 * 3 * 3 * 2, 0x42);
    Bytes png = WritePng(picture);

    CPackedDib empty;
    std::string message;
    EXPECT_FALSE(Decode(png, empty, &message));
    EXPECT_EQ(message, kTooManyColours);
    EXPECT_TRUE(empty.IsEmpty());

    CPackedDib kept;
    ASSERT_TRUE(kept.Create(2, 2, 24));
    kept.Bits()[0] = 0x77;
    message.clear();
    EXPECT_FALSE(Decode(png, kept, &message));
    EXPECT_EQ(message, kTooManyColours);
    EXPECT_EQ(kept.Width(), 2) << "the image is left as it was";
    EXPECT_EQ(kept.Bits()[0], 0x77);

    PngPicture grey16;
    grey16.colorType = PNG_COLOR_TYPE_GRAY;
    grey16.bitDepth = 16;
    grey16.samples = {1, 2};
    message.clear();
    EXPECT_FALSE(Decode(WritePng(grey16), empty, &message));
    EXPECT_EQ(message, kTooManyColours) << "the depth is checked before the colour type";
}

TEST(PngDecode, GreyAndAlphaImagesAreRefused) {
    struct Case {
        int colorType, bitDepth, samplesPerPixel;
    };
    for (Case c : {Case{PNG_COLOR_TYPE_GRAY, 8, 1}, Case{PNG_COLOR_TYPE_GRAY, 1, 1}, Case{PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2},
                   Case{PNG_COLOR_TYPE_RGBA, 8, 4}}) {
        SCOPED_TRACE(c.colorType);
        PngPicture picture;
        picture.width = 3;
        picture.height = 2;
        picture.colorType = c.colorType;
        picture.bitDepth = c.bitDepth;
        picture.samples.assign(size_t(6 * c.samplesPerPixel), 1);
        CPackedDib image;
        ASSERT_TRUE(image.Create(3, 3, 24));
        std::string message;
        EXPECT_FALSE(Decode(WritePng(picture), image, &message));
        EXPECT_EQ(message, kUnsupported);
        EXPECT_TRUE(image.IsEmpty()) << "the failed Create released the old block";
    }
}

// What a decoding row by row delivers: the size, then every row in order.
class RowRecorder : public CPngRowSink {
public:
    explicit RowRecorder(bool accept = true) : m_accept(accept) {}
    bool Begin(int width, int height) override {
        ++begins;
        this->width = width;
        this->height = height;
        return m_accept;
    }
    void Row(const BYTE* pixels) override {
        ++rows;
        // Back to red-green-blue, as TopDownRgb gives them.
        for (int x = 0; x < width; ++x) rgb.insert(rgb.end(), {pixels[x * 3 + 2], pixels[x * 3 + 1], pixels[x * 3]});
    }
    int begins = 0, rows = 0, width = 0, height = 0;
    Bytes rgb;

private:
    bool m_accept;
};

bool Stream(const Bytes& png, CPngRowSink& sink) {
    CMemFile file(png.data(), static_cast<UINT>(png.size()), 0);
    return StreamPng(file, sink);
}

TEST(PngDecode, RowByRowGivesTheSameRowsInOrderForPlainRgbOnly) {
    for (int width : {1, 5, 158}) {
        SCOPED_TRACE(width);
        const Bytes png = WritePng(RgbPicture(width, 7));
        CPackedDib whole;
        ASSERT_TRUE(Decode(png, whole, nullptr));
        RowRecorder rows;
        ASSERT_TRUE(Stream(png, rows));
        EXPECT_EQ(rows.begins, 1);
        EXPECT_EQ(rows.width, width);
        EXPECT_EQ(rows.rows, 7);
        EXPECT_EQ(rows.rgb, TopDownRgb(whole));
    }
    // What only the whole decoding reads (or reports), and what it fails on too: no row comes.
    PngPicture sixteen = RgbPicture(4, 4);
    sixteen.bitDepth = 16;
    sixteen.samples.resize(sixteen.samples.size() * 2, 0x11);
    const Bytes good = WritePng(RgbPicture(37, 23));
    const std::vector<std::pair<std::string, Bytes>> refused = {
        {"interlaced", WritePng(RgbPicture(9, 9, true))},
        {"palette", WritePng(PalettePicture(8, 4, 9, 9))},
        {"16-bit", WritePng(sixteen)},
        {"cut short", Bytes(good.begin(), good.begin() + long(good.size() / 2))},
        {"not a PNG", Bytes(64, 0x42)},
    };
    for (const auto& [name, png] : refused) {
        SCOPED_TRACE(name);
        RowRecorder rows;
        EXPECT_FALSE(Stream(png, rows));
        EXPECT_LT(rows.rows, 23) << "never the whole picture";
    }
    RowRecorder declining(false);
    EXPECT_FALSE(Stream(good, declining));
    EXPECT_EQ(declining.begins, 1);
    EXPECT_EQ(declining.rows, 0) << "a sink that declines the size gets no row";
}

TEST(PngDecode, ShippedArtRowByRowIsTheWholeDecoding) {
    for (WORD id : {WORD(IDB_BACKGROUND + kLargeArtOffset), WORD(IDB_COOKIE_NORMAL + kLargeArtOffset), WORD(IDB_EXIT_PRESSED)}) {
        SCOPED_TRACE(id);
        CPackedDib whole;
        ASSERT_TRUE(LoadPngResource(whole, id, nullptr));
        RowRecorder rows;
        ASSERT_TRUE(StreamPngResource(id, rows));
        EXPECT_EQ(rows.rgb, TopDownRgb(whole));
    }
    RowRecorder none;
    EXPECT_FALSE(StreamPngResource(999, none));
    EXPECT_EQ(none.begins, 0);
}

// Broken data ends decoding with false and no message, whatever the damage.
TEST(PngDecode, TruncatedCorruptAndGarbageDataFailSilently) {
    const Bytes good = WritePng(RgbPicture(37, 23));
    std::vector<std::pair<std::string, Bytes>> cases;
    for (size_t keep : {size_t(0), size_t(5), size_t(8), size_t(20), size_t(33), size_t(45), good.size() / 2,
                        good.size() - 12, good.size() - 1}) {
        cases.emplace_back("truncated to " + std::to_string(keep), Bytes(good.begin(), good.begin() + long(keep)));
    }
    Bytes badCrc = good;
    badCrc[29] ^= 0x01;  // IHDR's CRC
    cases.emplace_back("IHDR CRC", badCrc);
    // Find the IDAT chunk and damage its data, leaving its CRC as it was.
    Bytes badData = good;
    for (size_t i = 8; i + 8 < badData.size();) {
        uint32_t length = uint32_t(badData[i]) << 24 | uint32_t(badData[i + 1]) << 16 | uint32_t(badData[i + 2]) << 8 | badData[i + 3];
        if (std::memcmp(&badData[i + 4], "IDAT", 4) == 0) {
            badData[i + 8 + length / 2] ^= 0x5A;
            break;
        }
        i += 12 + length;
    }
    cases.emplace_back("IDAT data", badData);
    Bytes garbage(4096);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = BYTE((i * 2654435761u) >> 13);
    cases.emplace_back("garbage", garbage);
    Bytes fakeHeader = garbage;
    std::memcpy(fakeHeader.data(), good.data(), 16);  // signature and an IHDR chunk header, then noise
    cases.emplace_back("signature then garbage", fakeHeader);

    MessageBoxWatcher boxes;
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        CPackedDib image;
        std::string message;
        EXPECT_FALSE(Decode(data, image, &message));
        EXPECT_EQ(message, "");
        EXPECT_FALSE(Decode(data, image, nullptr));
    }
    EXPECT_TRUE(boxes.Stop().empty()) << "no message box for broken data";
}

TEST(PngDecode, ShortDataAfterTheHeaderLeavesAPartlyFilledImage) {
    const Bytes good = WritePng(RgbPicture(37, 23));
    CPackedDib image;
    EXPECT_FALSE(Decode(Bytes(good.begin(), good.begin() + long(good.size() / 2)), image, nullptr));
    EXPECT_EQ(image.Width(), 37) << "created from the header";
    EXPECT_EQ(image.Height(), 23);
}

// A flat image of any colour type and depth.
PngPicture FlatPicture(int colorType, int bitDepth, int samplesPerPixel) {
    PngPicture picture;
    picture.width = 2;
    picture.height = 2;
    picture.colorType = colorType;
    picture.bitDepth = bitDepth;
    picture.samples = Bytes(size_t(4 * samplesPerPixel * (bitDepth == 16 ? 2 : 1)), 9);
    return picture;
}

TEST(PngDecode, MessagesGoToAMessageBoxWithoutAnErrorString) {
    PngPicture picture = FlatPicture(PNG_COLOR_TYPE_RGBA, 8, 4);
    MessageBoxWatcher boxes;
    CPackedDib image;
    EXPECT_FALSE(Decode(WritePng(picture), image, nullptr));
    auto seen = boxes.Stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, kUnsupported);
    EXPECT_EQ(seen[0].caption, "Dustwhirl");
}

TEST(PngDecode, WithAnErrorStringNoMessageBoxAppears) {
    PngPicture picture = FlatPicture(PNG_COLOR_TYPE_RGB, 16, 3);
    MessageBoxWatcher boxes;
    CPackedDib image;
    std::string message;
    EXPECT_FALSE(Decode(WritePng(picture), image, &message));
    ::Sleep(300);
    EXPECT_TRUE(boxes.Stop().empty());
    EXPECT_EQ(message, kTooManyColours);
}

TEST(PngDecode, MissingResourceFailsSilently) {
    MessageBoxWatcher boxes;
    CPackedDib image;
    ASSERT_TRUE(image.Create(3, 3, 24));
    CString message;
    EXPECT_FALSE(LoadPngResource(image, 999, &message));
    EXPECT_FALSE(LoadPngResource(image, IDI_MAIN, nullptr)) << "an id of another resource type";
    ::Sleep(300);
    EXPECT_TRUE(boxes.Stop().empty());
    EXPECT_TRUE(message.empty());
    EXPECT_EQ(image.Width(), 3) << "unchanged";
}

// ImageMagick decodes the same files on the build machine; both must see the same colours.
TEST(PngDecode, AgreesWithImageMagick) {
    for (const char* name : {"im-rgb", "im-rgb-interlaced", "im-palette", "im-palette-interlaced"}) {
        SCOPED_TRACE(name);
        Bytes png = ReadFileBytes(FixturePath(std::string(name) + ".png"));
        Bytes reference = ReadFileBytes(FixturePath(std::string(name) + ".ref"));
        CPackedDib image;
        ASSERT_TRUE(Decode(png, image, nullptr));
        EXPECT_EQ(image.Width(), 37);
        EXPECT_EQ(TopDownRgb(image), reference);
    }
    // The source of the RGB files, as written, is the third opinion.
    Bytes source = ReadFileBytes(FixturePath("source.rgb"));
    CPackedDib rgb;
    ASSERT_TRUE(Decode(ReadFileBytes(FixturePath("im-rgb.png")), rgb, nullptr));
    EXPECT_EQ(TopDownRgb(rgb), source);
}

TEST(PngDecode, ShippedArtworkAgreesWithImageMagick) {
    struct Shipped {
        WORD id;
        const char* name;
    };
    const Shipped shipped[] = {
        {130, "background"},          {131, "cache-normal"},         {132, "cache-hover"},
        {133, "cache-pressed"},       {134, "cache-cookie-normal"},  {135, "cache-cookie-hover"},
        {136, "cache-cookie-pressed"}, {137, "cookie-normal"},       {138, "cookie-hover"},
        {139, "cookie-pressed"},      {140, "help-normal"},          {141, "help-hover"},
        {142, "help-pressed"},        {143, "exit-normal"},          {144, "exit-hover"},
        {145, "exit-pressed"},
    };
    for (const Shipped& s : shipped) {
        SCOPED_TRACE(s.name);
        CPackedDib image;
        CString message;
        ASSERT_TRUE(LoadPngResource(image, s.id, &message)) << ToUtf8(message);
        EXPECT_EQ(TopDownRgb(image), ReadFileBytes(FixturePath(std::string("shipped-") + s.name + ".ref")));
    }
}

}  // namespace
