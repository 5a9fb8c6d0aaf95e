#include "support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "formats/targa.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace rastertest {
void ExpectPicture(Image img, const std::string& refName, int tolerance = 0);
void ExpectConvertsToBmp(const std::string& name, const std::string& refName, int tolerance = 0);
}  // namespace rastertest

namespace {

// An 18-byte header; colour map fields zero unless given.
ByteWriter TgaHead(int type, int width, int height, int depth, int descriptor = 0, int mapType = 0,
                   int mapFirst = 0, int mapLength = 0, int mapBits = 0) {
    ByteWriter w;
    w.u8(0).u8(unsigned(mapType)).u8(unsigned(type)).le16(unsigned(mapFirst)).le16(unsigned(mapLength));
    w.u8(unsigned(mapBits)).le16(0).le16(0).le16(unsigned(width)).le16(unsigned(height));
    return w.u8(unsigned(depth)).u8(unsigned(descriptor));
}

Image Read(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadTargaFrom(in, st);
}

}  // namespace

TEST(TargaRead, MatchesIndependentDecoders) {
    const struct {
        const char* name;
        int depth;
        const char* info;
        int tolerance;
    } cases[] = {
        {"tga_im24", 24, "None", 0},
        {"tga_im24rle", 24, "Run Length Encoding", 0},
        {"tga_im32", 24, "None", 0},
        {"tga_im32rle", 24, "Run Length Encoding", 0},
        {"tga_im8", 8, "None", 0},
        {"tga_im8rle", 8, "Run Length Encoding", 0},
        {"tga_grey", 8, "None", 0},
        {"tga_greyrle", 8, "Run Length Encoding", 0},
        {"tga_np_cmap", 8, "None", 0},
        {"tga_np_rgbrle", 24, "Run Length Encoding", 0},
        // 15-bit map entries: five bits per channel, scaled by 8 here.
        {"tga_np_cmap15", 8, "Run Length Encoding", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Status st;
        Image img = lg::ReadTarga(DataPath(std::string(c.name) + ".tga"), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(st.info, c.info);
        EXPECT_EQ(img.bitCount(), c.depth);
        rastertest::ExpectPicture(std::move(img), std::string(c.name) + ".ppm", c.tolerance);
    }
    rastertest::ExpectConvertsToBmp("tga_im24rle.tga", "tga_im24rle.ppm");
}

TEST(TargaRead, PixelsPacketsAndRowOrder) {
    Status st;
    // 16-bit pixels: five bits per channel scaled by 8; bit 15 is ignored.
    Image img = Read(TgaHead(2, 2, 1, 16).le16(0x7FFF).le16(0x8000 | (1 << 10) | (2 << 5) | 3).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{248, 248, 248}));
    EXPECT_EQ(Rgb24(img, 1, 0), (std::array<int, 3>{8, 16, 24}));

    // A run packet of 4, then a raw packet of 3 that runs on into the next
    // row; a packet running past the last row is cut there.
    ByteWriter rle = TgaHead(11, 3, 3, 8);
    rle.bytes({0x83, 9, 0x02, 1, 2, 3, 0x85, 7});
    img = Read(rle.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(st.info, "Run Length Encoding");
    const Bytes want[3] = {{9, 9, 9}, {9, 1, 2}, {3, 7, 7}};  // stored rows, bottom first
    for (int y = 0; y < 3; ++y) EXPECT_EQ(Bytes(img.row(y), img.row(y) + 3), want[y]) << "row " << y;

    // Descriptor bit 5: the first stored row is the top row.
    for (int descriptor : {0x00, 0x20}) {
        img = Read(TgaHead(3, 1, 2, 8, descriptor).bytes({10, 20}).b, st);
        ASSERT_TRUE(img);
        EXPECT_EQ(img.topRow(0)[0], descriptor ? 10 : 20);
    }
}

TEST(TargaRead, ColourMaps) {
    Status st;
    // A map from entry 16: entries 16 to 31 filled, 0 to 15 black.
    ByteWriter f = TgaHead(1, 1, 1, 8, 0, 1, 16, 16, 24);
    for (int i = 0; i < 16; ++i) f.bytes({unsigned(i), 100, 200});
    Image img = Read(f.u8(20).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.row(0)[0], 20);
    EXPECT_EQ(Bytes(img.palette() + 4 * 16, img.palette() + 4 * 16 + 3), (Bytes{0, 100, 200}));
    EXPECT_EQ(Bytes(img.palette() + 4 * 31, img.palette() + 4 * 31 + 3), (Bytes{15, 100, 200}));
    EXPECT_EQ(Bytes(img.palette() + 4 * 15, img.palette() + 4 * 15 + 3), (Bytes{0, 0, 0}));

    // 32-bit entries are blue, green, red and alpha; the pixels follow the whole map.
    f = TgaHead(1, 2, 1, 8, 0, 1, 0, 2, 32);
    f.bytes({1, 2, 3, 255, 4, 5, 6, 255, 1, 0});
    img = Read(f.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Bytes(img.palette() + 4, img.palette() + 7), (Bytes{4, 5, 6}));
    EXPECT_EQ(img.row(0)[0], 1);

    // A map in a true-colour file is skipped.
    f = TgaHead(2, 1, 1, 24, 0, 1, 0, 3, 16);
    img = Read(f.bytes({0, 0, 0, 0, 0, 0, 30, 20, 10}).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{10, 20, 30}));
}

TEST(TargaRead, RefusesBadAndShortFiles) {
    Status st;
    for (const Bytes& bad : {TgaHead(2, 4, 4, 8).b, TgaHead(1, 4, 4, 24).b, TgaHead(2, 0, 4, 24).b,
                             TgaHead(2, 4, 0, 24).b, TgaHead(4, 4, 4, 8).b, Bytes(10, 0)}) {
        EXPECT_FALSE(Read(bad, st));
        EXPECT_EQ(st.error, "Not a valid TARGA file, can't read header");
    }
    // Short rows, a run-length stream that ends early, and a huge picture
    // without its data all fail, the last before any allocation.
    for (const Bytes& cut : {TgaHead(2, 4, 4, 24).bytes({1, 2, 3}).b, TgaHead(10, 4, 4, 24).bytes({0x8F, 1, 2}).b,
                             TgaHead(10, 65535, 65535, 32).b, TgaHead(3, 4, 4, 8).append(Bytes(15, 1)).b}) {
        EXPECT_FALSE(Read(cut, st));
        EXPECT_EQ(st.error, "Can't read data !");
    }
    EXPECT_FALSE(lg::ReadTarga("/nonexistent/x.tga", st));
    EXPECT_EQ(st.error, "Can't open file: /nonexistent/x.tga");
}
