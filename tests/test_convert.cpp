#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "core/convert.h"

using lg::Image;

namespace {

int Pixel1(const Image& img, int x, int y) { return (img.row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
int Pixel4(const Image& img, int x, int y) {
    uint8_t b = img.row(y)[x >> 1];
    return x & 1 ? b & 15 : b >> 4;
}
void SetPixel1(Image& img, int x, int y, int v) {
    uint8_t& b = img.row(y)[x >> 3];
    b = uint8_t(v ? b | (0x80 >> (x & 7)) : b & ~(0x80 >> (x & 7)));
}
void SetPixel4(Image& img, int x, int y, int v) {
    uint8_t& b = img.row(y)[x >> 1];
    b = uint8_t(x & 1 ? (b & 0xF0) | v : (b & 0x0F) | (v << 4));
}

// Deterministic filler, so a failure repeats.
struct Lcg {
    uint32_t s;
    int next(int n) {
        s = s * 1664525u + 1013904223u;
        return int((s >> 8) % uint32_t(n));
    }
};

Image RandomIndexed(int w, int h, int bits, uint32_t seed) {
    Image img = Image::Create(w, h, bits, 0);
    Lcg r{seed};
    for (uint32_t i = 0; i < img.colorsUsed(); ++i)
        img.setPaletteEntry(int(i), uint8_t(r.next(256)), uint8_t(r.next(256)), uint8_t(r.next(256)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (bits == 1) SetPixel1(img, x, y, r.next(2));
            else if (bits == 4) SetPixel4(img, x, y, r.next(16));
            else img.row(y)[x] = uint8_t(r.next(256));
        }
    return img;
}

int IndexAt(const Image& img, int x, int y) {
    switch (img.bitCount()) {
    case 1: return Pixel1(img, x, y);
    case 4: return Pixel4(img, x, y);
    default: return img.row(y)[x];
    }
}

// Every pixel of `wide` shows the colour its index picks from `src`'s table.
void ExpectSameColours(const Image& src, const Image& wide) {
    ASSERT_TRUE(wide);
    ASSERT_EQ(wide.bitCount(), 24);
    ASSERT_EQ(wide.width(), src.width());
    ASSERT_EQ(wide.height(), src.height());
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const uint8_t* c = src.palette() + 4 * IndexAt(src, x, y);
            const uint8_t* d = wide.row(y) + 3 * x;
            ASSERT_TRUE(d[0] == c[0] && d[1] == c[1] && d[2] == c[2]) << "pixel " << x << "," << y;
        }
}

bool SameBytes(const Image& a, const Image& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

TEST(Expand1To4, EachBitBecomesANibble) {
    Image src = RandomIndexed(13, 3, 1, 1);
    src.setResolution(3780, 1890);
    Image out = lg::Expand1To4(src);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bitCount(), 4);
    EXPECT_EQ(out.colorsUsed(), 16u);
    EXPECT_EQ(out.xResolution(), 3780);
    EXPECT_EQ(out.yResolution(), 1890);
    EXPECT_EQ(lg::GetLE32(out.header() + 20), out.pixelBytes());
    EXPECT_EQ(std::memcmp(out.palette(), src.palette(), 8), 0);
    for (int i = 8; i < 64; ++i) EXPECT_EQ(out.palette()[i], 0) << i;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(Pixel4(out, x, y), Pixel1(src, x, y)) << x << "," << y;
}

TEST(Expand1To8, BlackAndWhiteBecomesAnAscendingGreyRamp) {
    Image src = RandomIndexed(13, 2, 1, 2);
    src.setPaletteEntry(0, 0, 0, 0);
    src.setPaletteEntry(1, 255, 255, 255);
    Image out = lg::Expand1To8(src);
    ASSERT_TRUE(out);
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = out.palette() + 4 * i;
        ASSERT_TRUE(e[0] == i && e[1] == i && e[2] == i && e[3] == 0) << "entry " << i;
    }
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(out.row(y)[x], Pixel1(src, x, y) ? 255 : 0);
}

TEST(Expand1To8, WhiteAndBlackBecomesADescendingRamp) {
    Image src = RandomIndexed(13, 2, 1, 3);
    src.setPaletteEntry(0, 255, 255, 255);
    src.setPaletteEntry(1, 0, 0, 0);
    Image out = lg::Expand1To8(src);
    ASSERT_TRUE(out);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(out.palette()[4 * i + 1], 255 - i) << "entry " << i;
    ExpectSameColours(src, lg::Expand8To24(out));
}

TEST(Expand1To8, TwoColoursSplitTheTableInHalves) {
    Image src = RandomIndexed(5, 2, 1, 4);
    src.setPaletteEntry(0, 10, 20, 30);
    src.setPaletteEntry(1, 200, 100, 50);
    Image out = lg::Expand1To8(src);
    ASSERT_TRUE(out);
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = out.palette() + 4 * i;
        const uint8_t* want = src.palette() + (i < 128 ? 0 : 4);
        ASSERT_EQ(std::memcmp(e, want, 3), 0) << "entry " << i;
    }
    ExpectSameColours(src, lg::Expand8To24(out));
}

TEST(Expand1To8, ColoursThatOnlyAddUpLikeBlackAndWhiteStayColours) {
    const uint8_t pairs[][6] = {
        {255, 0, 0, 0, 255, 255},        // red and cyan
        {128, 128, 128, 127, 127, 127},  // two middle greys
        {255, 255, 0, 0, 0, 255},        // yellow and blue
    };
    for (const auto& c : pairs) {
        SCOPED_TRACE(testing::PrintToString(std::vector<int>(c, c + 6)));
        Image src = RandomIndexed(9, 2, 1, 5);
        src.setPaletteEntry(0, c[0], c[1], c[2]);
        src.setPaletteEntry(1, c[3], c[4], c[5]);
        ExpectSameColours(src, lg::Expand8To24(lg::Expand1To8(src)));
    }
}

TEST(Expand1To8, LastByteOfAnOddWidthRowIgnoresPadding) {
    Image src = Image::Create(13, 1, 1, 0);
    src.setPaletteEntry(1, 255, 255, 255);
    src.row(0)[0] = 0x00;
    src.row(0)[1] = 0x8F;  // pixels 8 and 12 set; the three padding bits too
    src.row(0)[2] = 0xFF;  // padding byte
    Image out = lg::Expand1To8(src);
    ASSERT_TRUE(out);
    const uint8_t want[16] = {0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0};
    EXPECT_EQ(std::memcmp(out.row(0), want, 16), 0);
}

TEST(Expand4To8, OddWidthStaysInsideItsRow) {
    Image src = Image::Create(5, 2, 4, 0);
    const uint8_t r0[4] = {0x12, 0x34, 0x5F, 0xFF}, r1[4] = {0xAB, 0xCD, 0xEF, 0xFF};
    std::memcpy(src.row(0), r0, 4);
    std::memcpy(src.row(1), r1, 4);
    src.setPaletteEntry(15, 1, 2, 3);
    Image out = lg::Expand4To8(src);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.colorsUsed(), 256u);
    EXPECT_EQ(std::memcmp(out.palette(), src.palette(), 64), 0);
    const uint8_t w0[8] = {1, 2, 3, 4, 5, 0, 0, 0}, w1[8] = {10, 11, 12, 13, 14, 0, 0, 0};
    EXPECT_EQ(std::memcmp(out.row(0), w0, 8), 0);
    EXPECT_EQ(std::memcmp(out.row(1), w1, 8), 0);
}

TEST(Expand8To24, IndexBeyondTheTableIsBlack) {
    Image src = Image::Create(3, 1, 8, 5);
    for (int i = 0; i < 5; ++i) src.setPaletteEntry(i, uint8_t(10 + i), uint8_t(20 + i), uint8_t(30 + i));
    src.row(0)[0] = 0;
    src.row(0)[1] = 4;
    src.row(0)[2] = 200;
    Image out = lg::Expand8To24(src);
    ASSERT_TRUE(out);
    const uint8_t want[12] = {30, 20, 10, 34, 24, 14, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(out.row(0), want, 12), 0);
    EXPECT_EQ(lg::GetLE32(out.header() + 20), 12u);
}

TEST(ExpandTo24, KeepsWhatEveryIndexedPictureShows) {
    for (int bits : {1, 4, 8})
        for (int w : {1, 7, 13, 32}) {
            SCOPED_TRACE("depth " + std::to_string(bits) + " width " + std::to_string(w));
            Image src = RandomIndexed(w, 5, bits, uint32_t(bits * 100 + w));
            ExpectSameColours(src, lg::ExpandTo24(src.Duplicate()));
        }
    Image one = RandomIndexed(13, 4, 1, 9);
    ExpectSameColours(one, lg::Expand1To24(one));
    Image four = lg::Expand1To4(one);
    ExpectSameColours(one, lg::Expand4To24(four));
}

TEST(Widen3To24, EachBitIsAFullChannel) {
    Image src = Image::Create(3, 1, 3, 0);
    src.row(0)[0] = 0x8E;  // 100 011 10|1, the last pixel crossing into the next byte
    src.row(0)[1] = 0xFF;  // its last bit, then padding
    Image out = lg::Widen3To24(src);
    ASSERT_TRUE(out);
    const uint8_t want[12] = {255, 0, 0, 0, 255, 255, 255, 0, 255, 0, 0, 0};
    EXPECT_EQ(std::memcmp(out.row(0), want, 12), 0);
}

TEST(Widen16To24, FiveBitsPerChannelAtTheTop) {
    Image src = Image::Create(5, 1, 16, 0);
    const uint16_t v[5] = {0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x8000};
    for (int x = 0; x < 5; ++x) lg::PutLE16(src.row(0) + 2 * x, v[x]);
    Image out = lg::Widen16To24(src);
    ASSERT_TRUE(out);
    const uint8_t want[15] = {248, 248, 248, 248, 0, 0, 0, 248, 0, 0, 0, 248, 0, 0, 0};
    EXPECT_EQ(std::memcmp(out.row(0), want, 15), 0);
}

TEST(WidenWide, KeepsTheFirstThreeBytesOfEachPixel) {
    const struct {
        int bits;
        Image (*fn)(const Image&);
    } cases[] = {{32, lg::Widen32To24}, {40, lg::Widen40To24}, {48, lg::Widen48To24}, {64, lg::Widen64To24}};
    for (const auto& c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.bits));
        const int w = 3, h = 2, step = c.bits / 8;
        Image src = Image::Create(w, h, c.bits, 0);
        ASSERT_TRUE(src);
        src.setResolution(100, 200);
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < w * step; ++i) src.row(y)[i] = uint8_t(y * 100 + i);
        Image out = c.fn(src);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.bitCount(), 24);
        EXPECT_EQ(out.xResolution(), 100);
        EXPECT_EQ(out.yResolution(), 200);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(out.row(y)[3 * x + k], y * 100 + x * step + k) << "pixel " << x << "," << y;
    }
}

TEST(WidenToWorkingDepth, PassesWorkingDepthsThroughAndWidensTheRest) {
    for (int bits : {1, 4, 8, 24}) {
        Image img = Image::Create(3, 3, bits, 0);
        const uint8_t* block = img.data();
        Image same = lg::WidenToWorkingDepth(std::move(img));
        EXPECT_EQ(same.data(), block) << "depth " << bits;
    }
    for (int bits : {3, 16, 32, 40, 48, 64}) {
        Image wide = lg::WidenToWorkingDepth(Image::Create(3, 3, bits, 0));
        ASSERT_TRUE(wide) << "depth " << bits;
        EXPECT_EQ(wide.bitCount(), 24);
    }
    EXPECT_TRUE(lg::WidenToWorkingDepth(Image::Create(3, 3, 2, 0)).empty());
    EXPECT_TRUE(lg::WidenToWorkingDepth(Image()).empty());

    Image rgb = Image::Create(3, 3, 24, 0);
    const uint8_t* block = rgb.data();
    EXPECT_EQ(lg::ExpandTo24(std::move(rgb)).data(), block);
    Image w16 = lg::ExpandTo24(Image::Create(3, 3, 16, 0));
    ASSERT_TRUE(w16);
    EXPECT_EQ(w16.bitCount(), 24);
}

TEST(Conversions, WrongDepthGivesNothingAndLeavesTheSource) {
    const struct {
        Image (*fn)(const Image&);
        int wrongBits;
    } cases[] = {
        {lg::Expand1To4, 4},   {lg::Expand1To8, 8},   {lg::Expand4To8, 1},    {lg::Expand8To24, 24},
        {lg::Expand4To24, 8},  {lg::Expand1To24, 4},  {lg::Widen3To24, 24},   {lg::Widen16To24, 8},
        {lg::Widen32To24, 24}, {lg::Widen40To24, 32}, {lg::Widen48To24, 64}, {lg::Widen64To24, 48},
    };
    for (const auto& c : cases) {
        Image src = Image::Create(5, 2, c.wrongBits, 0);
        ASSERT_TRUE(src);
        for (size_t i = 40; i < src.size(); ++i) src.header()[i] = uint8_t(i);
        Image before = src.Duplicate();
        EXPECT_TRUE(c.fn(src).empty()) << "depth " << c.wrongBits;
        EXPECT_TRUE(SameBytes(src, before)) << "depth " << c.wrongBits;
        EXPECT_TRUE(c.fn(Image()).empty());
    }
}
