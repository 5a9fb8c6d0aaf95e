#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/image.h"

using lg::Image;

namespace {

// A packed 40-byte-header block made by hand, as the clipboard hands it over.
std::unique_ptr<uint8_t[]> MakeBlock(int w, int h, int bits, uint32_t colorsField, size_t size) {
    std::unique_ptr<uint8_t[]> b(new uint8_t[size]());
    lg::PutLE32(b.get(), 40);
    lg::PutLE32(b.get() + 4, uint32_t(w));
    lg::PutLE32(b.get() + 8, uint32_t(h));
    lg::PutLE16(b.get() + 12, 1);
    lg::PutLE16(b.get() + 14, uint16_t(bits));
    lg::PutLE32(b.get() + 32, colorsField);
    for (size_t i = 40; i < size; ++i) b[i] = uint8_t(i * 7 + 3);
    return b;
}

}  // namespace

TEST(ImageGeometry, RowsArePaddedToWholeWords) {
    EXPECT_EQ(lg::RowStride(1, 1), 4);
    EXPECT_EQ(lg::RowStride(32, 1), 4);
    EXPECT_EQ(lg::RowStride(33, 1), 8);
    EXPECT_EQ(lg::RowStride(5, 4), 4);
    EXPECT_EQ(lg::RowStride(9, 4), 8);
    EXPECT_EQ(lg::RowStride(3, 8), 4);
    EXPECT_EQ(lg::RowStride(3, 24), 12);
    EXPECT_EQ(lg::RowStride(1, 24), 4);
    EXPECT_EQ(lg::RowStride(-1, 24), -1);
    EXPECT_EQ(lg::RowStride(lg::kMaxDimension + 1, 24), -1);
}

TEST(ImageGeometry, BlockHoldsHeaderTableAndRows) {
    EXPECT_EQ(lg::DibBlockSize(5, 3, 4, 16), 40 + 4 * 16 + 4 * 3);
    EXPECT_EQ(lg::DibBlockSize(3, 2, 24, 0), 40 + 12 * 2);
    EXPECT_EQ(lg::DibBlockSize(13, 7, 8, 256), 40 + 1024 + 16 * 7);
    EXPECT_EQ(lg::DibBlockSize(0, 7, 8, 256), -1);
    EXPECT_EQ(lg::DibBlockSize(7, 0, 8, 256), -1);
    EXPECT_EQ(lg::DibBlockSize(7, 7, 8, 65537), -1);
    EXPECT_EQ(lg::DibBlockSize(200000, 200000, 24, 0), -1);  // 120 GB
}

TEST(ImageCreate, WritesHeaderAndZeroFillsTheBlock) {
    Image img = Image::Create(13, 7, 4, 0);
    ASSERT_TRUE(img);
    EXPECT_EQ(img.width(), 13);
    EXPECT_EQ(img.height(), 7);
    EXPECT_EQ(img.bitCount(), 4);
    EXPECT_EQ(lg::GetLE32(img.header()), 40u);
    EXPECT_EQ(lg::GetLE16(img.header() + 12), 1u);  // planes
    EXPECT_EQ(img.colorsUsedField(), 16u);          // zero asks for the depth's table
    EXPECT_EQ(img.stride(), 8u);
    EXPECT_EQ(img.size(), size_t(lg::DibBlockSize(13, 7, 4, 16)));
    EXPECT_EQ(img.pixels(), img.header() + 40 + 64);
    EXPECT_EQ(img.pixelBytes(), 8u * 7);
    for (size_t i = 40; i < img.size(); ++i) ASSERT_EQ(img.data()[i], 0) << "byte " << i;
}

// For readers that write every pixel: all else is zero even in reused
// memory (a block of the same size freed just before, full of 0xA5).
TEST(ImageCreate, ForRowsClearsAllButThePixels) {
    struct Case { int width, height, bits; size_t used; };  // bytes of each row the pixels take
    for (Case c : {Case{13, 7, 4, 7}, Case{5, 9, 24, 15}, Case{61, 3, 8, 61}, Case{8, 4, 24, 24}}) {
        const Image plain = Image::Create(c.width, c.height, c.bits, 0);
        {
            std::unique_ptr<uint8_t[]> dirty(new uint8_t[plain.size()]);
            std::memset(dirty.get(), 0xA5, plain.size());
        }
        Image img = Image::CreateForRows(c.width, c.height, c.bits, 0);
        ASSERT_TRUE(img);
        ASSERT_EQ(img.size(), plain.size());
        EXPECT_EQ(std::memcmp(img.data(), plain.data(), size_t(img.pixels() - img.header())), 0)
            << "header and colour table of " << c.width << "x" << c.bits;
        for (int y = 0; y < c.height; ++y)
            for (size_t x = c.used; x < img.stride(); ++x) ASSERT_EQ(img.row(y)[x], 0) << "row " << y << " byte " << x;
    }
}

TEST(ImageCreate, ColourTableFollowsHeader) {
    Image rgb = Image::Create(3, 2, 24, 0);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb.colorsUsed(), 0u);
    EXPECT_EQ(rgb.pixels(), rgb.header() + 40);  // no table at 24 bits
    EXPECT_EQ(rgb.size(), 40u + 24);

    Image few = Image::Create(4, 4, 8, 5);  // a short table for an 8-bit picture
    ASSERT_TRUE(few);
    EXPECT_EQ(few.colorsUsed(), 5u);
    EXPECT_EQ(few.pixels(), few.header() + 40 + 20);

    few.setPaletteEntry(4, 0x11, 0x22, 0x33);
    const uint8_t* e = few.palette() + 16;
    EXPECT_EQ(e[0], 0x33);  // stored blue, green, red, reserved
    EXPECT_EQ(e[1], 0x22);
    EXPECT_EQ(e[2], 0x11);
    EXPECT_EQ(e[3], 0);
}

TEST(ImageCreate, AbsurdSizesAreRefusedBeforeAllocating) {
    std::string why;
    Image huge = Image::Create(200000, 200000, 24, 0, &why);
    EXPECT_TRUE(huge.empty());
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(Image::Create(lg::kMaxDimension + 1, 1, 1, 0).empty());
    EXPECT_TRUE(Image::Create(-5, 5, 24, 0).empty());
    EXPECT_TRUE(Image::Create(5, 0, 24, 0).empty());
    EXPECT_TRUE(Image::Create(5, 5, 0, 0).empty());
}

TEST(ImageFromBlock, ZeroColoursFieldMeansTheFullTable) {
    const size_t size = 40 + 1024 + 4 * 2;
    Image img = Image::FromBlock(MakeBlock(3, 2, 8, 0, size), size);
    ASSERT_TRUE(img);
    EXPECT_EQ(img.colorsUsedField(), 0u);
    EXPECT_EQ(img.colorsUsed(), 256u);
    EXPECT_EQ(img.paletteBytes(), 1024u);
    EXPECT_EQ(img.pixels(), img.header() + 40 + 1024);
}

TEST(ImageFromBlock, RejectsBlocksThatDoNotHoldTheirHeader) {
    // Too short for the table that a zero field implies.
    EXPECT_TRUE(Image::FromBlock(MakeBlock(3, 2, 8, 0, 40 + 8), 40 + 8).empty());
    // A core header is not a packed DIB of ours.
    auto core = MakeBlock(3, 2, 24, 0, 64);
    lg::PutLE32(core.get(), 12);
    EXPECT_TRUE(Image::FromBlock(std::move(core), 64).empty());
    EXPECT_TRUE(Image::FromBlock(MakeBlock(3, 2, 24, 0, 39), 39).empty());
    EXPECT_TRUE(Image::FromBlock(nullptr, 100).empty());
}

TEST(ImageDuplicate, CopiesEveryByte) {
    Image a = Image::Create(13, 5, 8, 0);
    ASSERT_TRUE(a);
    for (size_t i = 40; i < a.size(); ++i) a.header()[i] = uint8_t(i * 13);
    a.setResolution(2835, 1417);
    Image b = a.Duplicate();
    ASSERT_TRUE(b);
    EXPECT_NE(b.data(), a.data());
    ASSERT_EQ(b.size(), a.size());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size()), 0);
}

TEST(ImageDuplicate, BlockWithZeroColoursFieldKeepsItsPixels) {
    const size_t size = 40 + 1024 + 4 * 2;
    Image a = Image::FromBlock(MakeBlock(3, 2, 8, 0, size), size);
    ASSERT_TRUE(a);
    Image b = a.Duplicate();
    ASSERT_TRUE(b);
    ASSERT_EQ(b.size(), size);
    EXPECT_EQ(std::memcmp(a.data(), b.data(), size), 0);
    EXPECT_EQ(b.topRow(0)[2], a.topRow(0)[2]);
}

TEST(ImageDuplicate, EmptyStaysEmpty) { EXPECT_TRUE(Image().Duplicate().empty()); }

TEST(ColorsUsedAnyHeader, ReadsBothHeaderKinds) {
    uint8_t core[12] = {12, 0, 0, 0, 5, 0, 5, 0, 1, 0, 8, 0};
    EXPECT_EQ(lg::ColorsUsedAnyHeader(core, 12), 256u);
    core[10] = 4;
    EXPECT_EQ(lg::ColorsUsedAnyHeader(core, 12), 16u);
    core[10] = 24;
    EXPECT_EQ(lg::ColorsUsedAnyHeader(core, 12), 0u);
    EXPECT_EQ(lg::ColorsUsedAnyHeader(core, 11), 0u);

    uint8_t info[40] = {40};
    lg::PutLE16(info + 14, 1);
    EXPECT_EQ(lg::ColorsUsedAnyHeader(info, 40), 2u);
    lg::PutLE32(info + 32, 7);
    EXPECT_EQ(lg::ColorsUsedAnyHeader(info, 40), 7u);
    EXPECT_EQ(lg::ColorsUsedAnyHeader(info, 20), 0u);  // cut short
}
