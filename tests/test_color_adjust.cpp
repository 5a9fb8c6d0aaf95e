#include "ops_pictures.h"

#include <cstring>
#include <set>

#include "ops/color_adjust.h"

using lg::Image;
using namespace opstest;

namespace {

const int kDepths[] = {1, 4, 8, 24};

TEST(ColorAdjust, GreyUsesTheWeightsInDoublePrecision) {
    EXPECT_EQ(lg::GreyOf(255, 0, 0), 76);
    EXPECT_EQ(lg::GreyOf(0, 255, 0), 150);
    EXPECT_EQ(lg::GreyOf(0, 0, 255), 28);
    EXPECT_EQ(lg::GreyOf(255, 255, 255), 255);
    // Rounding of the products loses one level for these greys only.
    const std::set<int> lower = {23,  41,  46,  55,  63,  82,  92,  97,  101, 110, 111, 126, 159,
                                 164, 184, 189, 194, 197, 202, 209, 220, 222, 237, 245, 247, 252};
    for (int g = 0; g < 256; ++g) EXPECT_EQ(lg::GreyOf(g, g, g), lower.count(g) ? g - 1 : g) << g;
}

TEST(ColorAdjust, GreyscaleOfTrueColourMakesAGreyRampPicture) {
    Image img = Pattern(5, 3, 24, 4);
    img.setResolution(11, 22);
    const Image src = img.Duplicate();
    ASSERT_TRUE(lg::ToGreyscale(img));
    ASSERT_EQ(img.bitCount(), 8);
    EXPECT_EQ(img.colorsUsed(), 256u);
    EXPECT_EQ(img.yResolution(), 22);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(img.palette()[4 * i + 1], i);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const Rgb c = Shown(src, x, y);
            EXPECT_EQ(IndexAt(img, x, y), lg::GreyOf(c[0], c[1], c[2]));
        }
}

TEST(ColorAdjust, PalettePicturesChangeOnlyTheirTable) {
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const Image src = Pattern(7, 3, bits, 8);
        Image grey = src.Duplicate();
        ASSERT_TRUE(lg::ToGreyscale(grey));
        EXPECT_EQ(grey.bitCount(), bits);
        EXPECT_EQ(0, std::memcmp(grey.pixels(), src.pixels(), src.pixelBytes()));
        for (uint32_t i = 0; i < src.colorsUsed(); ++i) {
            const uint8_t* e = src.palette() + 4 * i;
            const uint8_t* g = grey.palette() + 4 * i;
            EXPECT_EQ(g[0], lg::GreyOf(e[2], e[1], e[0]));
            EXPECT_TRUE(g[0] == g[1] && g[1] == g[2]);
        }
        Image swapped = src.Duplicate();
        ASSERT_TRUE(lg::SwapChannels(swapped, lg::ChannelSwap::RgbToBgr));
        EXPECT_EQ(0, std::memcmp(swapped.pixels(), src.pixels(), src.pixelBytes()));
        EXPECT_NE(0, std::memcmp(swapped.palette(), src.palette(), src.paletteBytes()));
    }
}

TEST(ColorAdjust, NegativeTwiceIsTheIdentityAndMatchesImageMagick) {
    for (int bits : kDepths) {
        const std::string name = "ops_bit" + std::to_string(bits);
        SCOPED_TRACE(name);
        Image img = LoadBmp(name + ".bmp");
        ASSERT_TRUE(img);
        const Image src = img.Duplicate();
        ASSERT_TRUE(lg::Negative(img));
        EXPECT_TRUE(ShowsPpm(img, name + "_negate.ppm"));
        ASSERT_TRUE(lg::Negative(img));
        EXPECT_TRUE(SameBlock(img, src));
    }
    // The row padding of a 24-bit picture is not complemented.
    Image odd = Flat24(1, 1, {0, 0, 0});
    ASSERT_TRUE(lg::Negative(odd));
    EXPECT_EQ(odd.row(0)[0], 255);
    EXPECT_EQ(odd.row(0)[3], 0);
}

TEST(ColorAdjust, BrightnessContrastAndGammaMakeChangedCopies) {
    Image src = Image::Create(256, 1, 24, 0);
    for (int i = 0; i < 256; ++i) std::memset(src.row(0) + 3 * i, i, 3);
    const Image keep = src.Duplicate();
    auto at = [](const Image& img, int i) { return int(img.row(0)[3 * i]); };

    const Image up = lg::Brighten(src, 255), down = lg::Brighten(src, -255), some = lg::Brighten(src, 20);
    const Image more = lg::Contrast(src, 10), less = lg::Contrast(src, -10);
    const Image g1 = lg::GammaCorrect(src, 1.0), g2 = lg::GammaCorrect(src, 2.0);
    ASSERT_TRUE(up && down && some && more && less && g1 && g2);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(at(up, i), 255);
        EXPECT_EQ(at(down, i), 0);
        EXPECT_EQ(at(some, i), std::min(255, i + 20));
        EXPECT_EQ(at(g1, i), i);
    }
    EXPECT_EQ(at(more, 127), 117);
    EXPECT_EQ(at(more, 128), 138);
    EXPECT_EQ(at(more, 250), 255);
    EXPECT_EQ(at(less, 0), 10);
    EXPECT_EQ(at(less, 255), 245);
    EXPECT_EQ(at(g2, 64), 128);
    EXPECT_EQ(at(g2, 255), 255);
    EXPECT_TRUE(SameBlock(src, keep));

    // Values from outside the dialog's range are limited, not overflowed.
    EXPECT_EQ(at(lg::Brighten(src, 2147483647), 0), 255);
    uint8_t table[256], lowest[256];
    lg::GammaTable(0.0, table);
    lg::GammaTable(0.01, lowest);
    EXPECT_EQ(0, std::memcmp(table, lowest, 256));
    EXPECT_EQ(lowest[128], 0);
    EXPECT_EQ(lowest[255], 255);
}

TEST(ColorAdjust, EachChannelSwapIsItsPermutation) {
    Image img = Flat24(1, 1, {10, 20, 30});
    // Red 10, green 20, blue 30 after each exchange of the menu.
    const std::pair<lg::ChannelSwap, Rgb> cases[] = {
        {lg::ChannelSwap::RgbToRbg, {10, 30, 20}}, {lg::ChannelSwap::RgbToBgr, {30, 20, 10}},
        {lg::ChannelSwap::RgbToBrg, {20, 30, 10}}, {lg::ChannelSwap::RgbToGrb, {20, 10, 30}},
        {lg::ChannelSwap::RgbToGbr, {30, 10, 20}}};
    for (const auto& [variant, want] : cases) {
        Image p = img.Duplicate();
        ASSERT_TRUE(lg::SwapChannels(p, variant));
        EXPECT_EQ(Shown(p, 0, 0), want) << int(variant);
    }
}

TEST(PaletteEditor, CellsAndClicksMeetOnTheSameEntries) {
    const lg::PaletteGrid g = lg::PaletteGridFor(371, 275);
    EXPECT_EQ(g.cellWidth, 20);
    EXPECT_EQ(g.cellHeight, 14);
    for (int i : {0, 17, 255}) {
        int x, y;
        lg::PaletteCellOrigin(g, i, &x, &y);
        EXPECT_EQ(lg::PaletteEntryAt(g, x, y, 256), i);
        EXPECT_EQ(lg::PaletteEntryAt(g, x + g.cellWidth - 1, y + g.cellHeight - 1, 256), i);
    }
    int x, y;
    lg::PaletteCellOrigin(g, 17, &x, &y);
    EXPECT_EQ(x, 26);
    EXPECT_EQ(y, 20);
    EXPECT_EQ(lg::PaletteEntryAt(g, x, y, 16), -1);           // beyond a 4-bit table
    EXPECT_EQ(lg::PaletteEntryAt(g, 400, 3, 256), -1);         // right of the grid
    EXPECT_EQ(lg::PaletteEntryAt(lg::PaletteGridFor(40, 40), 5, 5, 256), -1);  // no cells
}

TEST(PaletteEditor, EditsStayInsideTheTable) {
    Image img = Image::Create(4, 4, 8, 16);  // an 8-bit picture with a short table
    EXPECT_EQ(lg::PaletteEntriesShown(img), 16);
    EXPECT_TRUE(lg::SetPaletteColour(img, 15, 1, 2, 3));
    EXPECT_EQ(img.palette()[4 * 15 + 2], 1);
    EXPECT_FALSE(lg::SetPaletteColour(img, 16, 1, 2, 3));
    EXPECT_EQ(lg::PaletteEntriesShown(Image::Create(4, 4, 1, 0)), 2);
    EXPECT_EQ(lg::PaletteEntriesShown(Image::Create(4, 4, 24, 0)), 0);
}

}  // namespace
