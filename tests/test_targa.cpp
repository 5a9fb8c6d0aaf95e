#include "raster_support.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/targa.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

// An 18-byte header; no colour map unless given.
ByteWriter TgaHead(int type, int width, int height, int depth, int descriptor = 0, int mapFirst = -1,
                   int mapLength = 0, int mapBits = 0) {
    ByteWriter w;
    w.u8(0).u8(mapFirst >= 0).u8(unsigned(type)).le16(unsigned(std::max(mapFirst, 0))).le16(unsigned(mapLength));
    w.u8(unsigned(mapBits)).le16(0).le16(0).le16(unsigned(width)).le16(unsigned(height));
    return w.u8(unsigned(depth)).u8(unsigned(descriptor));
}

Image Read(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadTargaFrom(in, st);
}

}  // namespace

TEST(TargaRead, MatchesIndependentDecoders) {
    // ImageMagick's types 1, 2, 3, 9, 10, 11 (24 and 32 bits); netpbm's, with
    // 15-bit map entries that this reader scales by 8.
    rastertest::ExpectFilesMatch(
        {"tga_im24", "tga_im24rle", "tga_im32", "tga_im32rle", "tga_im8", "tga_im8rle", "tga_grey", "tga_greyrle",
         "tga_np_cmap", "tga_np_rgbrle", "tga_np_rlecmap15"},
        ".tga", lg::kFormatTga,
        [](const std::string& n) { return rastertest::Has(n, "rle") ? "Run Length Encoding" : "None"; },
        [](const std::string& n) { return rastertest::Has(n, "15") ? 7 : 0; });
    rastertest::ExpectConvertsToBmp("tga_im24rle.tga", "tga_im24rle.ppm");
}

TEST(TargaRead, PixelsPacketsMapsAndRowOrder) {
    Status st;
    // 16-bit pixels: five bits per channel scaled by 8; bit 15 is ignored.
    Image img = Read(TgaHead(2, 2, 1, 16).le16(0x7FFF).le16(0x8000 | (1 << 10) | (2 << 5) | 3).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{248, 248, 248}));
    EXPECT_EQ(Rgb24(img, 1, 0), (std::array<int, 3>{8, 16, 24}));

    // A run packet of 4, a raw packet of 3 running on into the next row, and
    // a packet cut at the last row.
    img = Read(TgaHead(11, 3, 3, 8).bytes({0x83, 9, 0x02, 1, 2, 3, 0x85, 7}).b, st);
    ASSERT_TRUE(img) << st.error;
    const Bytes want[3] = {{9, 9, 9}, {9, 1, 2}, {3, 7, 7}};  // stored rows, bottom first
    for (int y = 0; y < 3; ++y) EXPECT_EQ(Bytes(img.row(y), img.row(y) + 3), want[y]) << "row " << y;

    // Descriptor bit 5: the first stored row is the top row.
    for (int descriptor : {0x00, 0x20})
        EXPECT_EQ(Read(TgaHead(3, 1, 2, 8, descriptor).bytes({10, 20}).b, st).topRow(0)[0], descriptor ? 10 : 20);

    // A map from entry 16 fills entries 16 to 31 and leaves 0 to 15 black.
    ByteWriter f = TgaHead(1, 1, 1, 8, 0, 16, 16, 24);
    for (int i = 0; i < 16; ++i) f.bytes({unsigned(i), 100, 200});
    img = Read(f.u8(20).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Bytes(img.palette() + 4 * 31, img.palette() + 4 * 31 + 3), (Bytes{15, 100, 200}));
    EXPECT_EQ(Bytes(img.palette() + 4 * 15, img.palette() + 4 * 15 + 4), (Bytes{0, 0, 0, 0}));
    // 32-bit entries are blue, green, red and alpha; the pixels follow the map.
    img = Read(TgaHead(1, 2, 1, 8, 0, 0, 2, 32).bytes({1, 2, 3, 255, 4, 5, 6, 255, 1, 0}).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Bytes(img.palette() + 4, img.palette() + 7), (Bytes{4, 5, 6}));
    EXPECT_EQ(img.row(0)[0], 1);
}

TEST(TargaRead, RefusesBadAndShortFiles) {
    Status st;
    for (const Bytes& bad : {TgaHead(2, 4, 4, 8).b, TgaHead(1, 4, 4, 24).b, TgaHead(2, 0, 4, 24).b, Bytes(10, 0)}) {
        EXPECT_FALSE(Read(bad, st));
        EXPECT_EQ(st.error, "Not a valid TARGA file, can't read header");
    }
    // Short rows, a run-length stream that ends early, and a huge picture
    // without its data (refused before any allocation).
    for (const Bytes& cut : {TgaHead(2, 4, 4, 24).bytes({1, 2, 3}).b, TgaHead(10, 4, 4, 24).bytes({0x8F, 1, 2}).b,
                             TgaHead(10, 65535, 65535, 32).b}) {
        EXPECT_FALSE(Read(cut, st));
        EXPECT_EQ(st.error, "Can't read data !");
    }
}
