#include "support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "formats/sunras.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace rastertest {
void ExpectPicture(Image img, const std::string& refName, int tolerance = 0);
void ExpectConvertsToBmp(const std::string& name, const std::string& refName, int tolerance = 0);
}  // namespace rastertest

TEST(SunRasterRead, MatchesIndependentDecoders) {
    const struct {
        const char* name;
        int depth;
        const char* info;
    } cases[] = {
        {"ras_np24", 24, "Sun Rasterfile - None"},
        {"ras_np8", 8, "Sun Rasterfile - None"},
        {"ras_np8rle", 8, "Sun Rasterfile - RLE compressed"},
        {"ras_np1", 1, "Sun Rasterfile - None"},
        {"ras_np1rle", 1, "Sun Rasterfile - RLE compressed"},
        {"ras_im24", 24, "Sun Rasterfile - None"},  // red, green, blue order (type 3)
        {"ras_im32", 24, "Sun Rasterfile - None"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Status st;
        Image img = lg::ReadSunRaster(DataPath(std::string(c.name) + ".ras"), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(st.error, "");
        EXPECT_EQ(st.info, c.info);
        EXPECT_EQ(img.bitCount(), c.depth);
        rastertest::ExpectPicture(std::move(img), std::string(c.name) + ".ppm");
    }
    rastertest::ExpectConvertsToBmp("ras_np8rle.ras", "ras_np8rle.ppm");
}

namespace {

// Big-endian header: magic, width, height, depth, length, type, map type, map length.
ByteWriter RasHead(uint32_t width, uint32_t height, uint32_t depth, uint32_t type = 1, uint32_t mapType = 0,
                   uint32_t mapLength = 0) {
    ByteWriter w;
    for (uint32_t v : {0x59A66A95u, width, height, depth, 0u, type, mapType, mapLength})
        w.bytes({v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF});
    return w;
}

Image Read(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadSunRasterFrom(in, st);
}

Bytes Entry(const Image& img, int i) { return Bytes(img.palette() + 4 * i, img.palette() + 4 * i + 3); }
Bytes Top(const Image& img, int y, size_t n) { return Bytes(img.topRow(y), img.topRow(y) + n); }

}  // namespace

TEST(SunRasterRead, ColourTables) {
    Status st;
    // Without a map: 1 bit is black on white, 8 bits are grey levels.
    Image img = Read(RasHead(8, 1, 1).bytes({0x0F, 0}).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Entry(img, 0), (Bytes{255, 255, 255}));
    EXPECT_EQ(Entry(img, 1), (Bytes{0, 0, 0}));
    img = Read(RasHead(2, 1, 8).bytes({0, 200}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(Entry(img, 200), (Bytes{200, 200, 200}));
    // A map is planar: all reds, then greens, then blues.
    img = Read(RasHead(2, 1, 8, 1, 1, 6).bytes({10, 11, 20, 21, 30, 31, 1, 0}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(Entry(img, 1), (Bytes{31, 21, 11}));
    EXPECT_EQ(Entry(img, 2), (Bytes{0, 0, 0}));
    EXPECT_EQ(Top(img, 0, 2), (Bytes{1, 0}));
}

TEST(SunRasterRead, ByteEncodingAndPixelOrder) {
    Status st;
    // 0x80 0x00 is one 0x80; 0x80 n v is n + 1 copies of v, running on into
    // the next row (rows of 3 pixels padded to 4 bytes).
    Image img = Read(RasHead(3, 3, 8, 2).bytes({0x80, 0, 0x80, 3, 0x41, 1, 2, 0x80, 5, 9}).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(st.info, "Sun Rasterfile - RLE compressed");
    EXPECT_EQ(Top(img, 0, 3), (Bytes{0x80, 0x41, 0x41}));
    EXPECT_EQ(Top(img, 1, 3), (Bytes{0x41, 1, 2}));
    EXPECT_EQ(Top(img, 2, 3), (Bytes{9, 9, 9}));

    // Type 1 stores blue, green, red; type 3 red, green, blue; 32-bit pixels
    // lead with a padding byte. A single row is read whole.
    img = Read(RasHead(1, 1, 24, 1).bytes({30, 20, 10, 0}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{10, 20, 30}));
    img = Read(RasHead(1, 1, 24, 3).bytes({10, 20, 30, 0}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{10, 20, 30}));
    img = Read(RasHead(1, 1, 32, 1).bytes({0xFF, 30, 20, 10}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(img.bitCount(), 24);
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{10, 20, 30}));
}

TEST(SunRasterRead, BadAndShortFiles) {
    Status st;
    // Data that ends early: the rows read so far, and the error text.
    Image img = Read(RasHead(2, 3, 8).bytes({1, 2, 3, 4, 5}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(st.error, "Error reading file");
    EXPECT_EQ(Top(img, 1, 2), (Bytes{3, 4}));
    EXPECT_EQ(Top(img, 2, 2), (Bytes{5, 0}));

    EXPECT_FALSE(Read(RasHead(2, 2, 8, 4).b, st));
    EXPECT_EQ(st.error, "Unsupported compression !");
    Bytes wrongMagic = RasHead(2, 2, 8).b;
    wrongMagic[0] = 0;
    for (const Bytes& bad : {wrongMagic, RasHead(2, 2, 4).b, RasHead(0, 2, 8).b, Bytes(20, 0)}) {
        EXPECT_FALSE(Read(bad, st));
        EXPECT_EQ(st.error, "This is not a valid RAS File.");
    }
    EXPECT_FALSE(Read(RasHead(0x10000000, 0x10000000, 24).b, st));
    EXPECT_EQ(st.error, "Can't allocate memory");
}
