#include "raster_support.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/sunras.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

// Big-endian header: magic, width, height, depth, length, type, map type, map length.
ByteWriter RasHead(uint32_t width, uint32_t height, uint32_t depth, uint32_t type = 1, uint32_t mapLength = 0) {
    ByteWriter w;
    for (uint32_t v : {0x59A66A95u, width, height, depth, 0u, type, mapLength ? 1u : 0u, mapLength})
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

TEST(SunRasterRead, MatchesIndependentDecoders) {
    // netpbm's standard and byte-encoded files; ImageMagick's are red, green,
    // blue ordered (type 3), at 24 and 32 bits.
    rastertest::ExpectFilesMatch(
        {"ras_np24", "ras_np8", "ras_np8rle", "ras_np1", "ras_np1rle", "ras_im24", "ras_im32"}, ".ras", lg::kFormatRas,
        [](const std::string& n) {
            return rastertest::Has(n, "rle") ? "Sun Rasterfile - RLE compressed" : "Sun Rasterfile - None";
        });
    rastertest::ExpectConvertsToBmp("ras_np8rle.ras", "ras_np8rle.ppm");
}

TEST(SunRasterRead, TablesAndRuns) {
    Status st;
    // Without a map: 1 bit is black on white, 8 bits are grey levels.
    EXPECT_EQ(Entry(Read(RasHead(8, 1, 1).bytes({0x0F, 0}).b, st), 0), (Bytes{255, 255, 255}));
    EXPECT_EQ(Entry(Read(RasHead(2, 1, 8).bytes({0, 200}).b, st), 200), (Bytes{200, 200, 200}));
    // A map is planar: all reds, then greens, then blues; the rest stays black.
    Image img = Read(RasHead(2, 1, 8, 1, 6).bytes({10, 11, 20, 21, 30, 31, 1, 0}).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Entry(img, 1), (Bytes{31, 21, 11}));
    EXPECT_EQ(Entry(img, 2), (Bytes{0, 0, 0}));

    // 0x80 0x00 is one 0x80; 0x80 n v is n + 1 copies of v, running on into
    // the next row (3 pixels padded to 4 bytes).
    img = Read(RasHead(3, 3, 8, 2).bytes({0x80, 0, 0x80, 3, 0x41, 1, 2, 0x80, 5, 9}).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Top(img, 0, 3), (Bytes{0x80, 0x41, 0x41}));
    EXPECT_EQ(Top(img, 1, 3), (Bytes{0x41, 1, 2}));
    EXPECT_EQ(Top(img, 2, 3), (Bytes{9, 9, 9}));
}

TEST(SunRasterRead, BadAndShortFiles) {
    Status st;
    // Data that ends early: the rows read so far, and the error text.
    Image img = Read(RasHead(2, 3, 8).bytes({1, 2, 3, 4, 5}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(st.error, "Error reading file");
    EXPECT_EQ(Top(img, 2, 2), (Bytes{5, 0}));

    EXPECT_FALSE(Read(RasHead(2, 2, 8, 4).b, st));
    EXPECT_EQ(st.error, "Unsupported compression !");
    for (const Bytes& bad : {Bytes(32, 0), RasHead(2, 2, 4).b, RasHead(0, 2, 8).b}) {
        EXPECT_FALSE(Read(bad, st));
        EXPECT_EQ(st.error, "This is not a valid RAS File.");
    }
    EXPECT_FALSE(Read(RasHead(0x10000000, 0x10000000, 24).b, st));
    EXPECT_EQ(st.error, "The picture is too large !");
}
