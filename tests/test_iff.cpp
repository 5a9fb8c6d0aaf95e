#include "raster_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/iff.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

TEST(IffRead, MatchesNetpbm) {
    // 1 to 8 planes (5 with a short colour map, 6 without a viewport word),
    // a mask plane, 24 planes, raw and byte-run; hold-and-modify keeps four
    // (six) bits per channel, which netpbm scales to 255 and this reader by 16 (4).
    rastertest::ExpectFilesMatch(
        {"iff_planes1", "iff_planes4", "iff_planes4raw", "iff_planes5", "iff_planes6", "iff_planes8", "iff_masked",
         "iff_deep24", "iff_deep24raw", "iff_ham6", "iff_ham8"},
        ".iff", lg::kFormatIff,
        [](const std::string& n) { return rastertest::Has(n, "raw") ? "None" : "Run Length Encoding"; },
        [](const std::string& n) { return n == "iff_ham6" ? 15 : n == "iff_ham8" ? 3 : 0; });
    rastertest::ExpectConvertsToBmp("iff_planes5.iff", "iff_planes5.ppm");
}

namespace {

Bytes Be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

// One chunk: identifier, big-endian size, data padded to even length.
Bytes Chunk(const char* id, const Bytes& data) {
    Bytes c(id, id + 4);
    Bytes size = Be32(uint32_t(data.size()));
    c.insert(c.end(), size.begin(), size.end());
    c.insert(c.end(), data.begin(), data.end());
    if (data.size() & 1) c.push_back(0);
    return c;
}

Bytes Form(const char* type, const std::vector<Bytes>& chunks) {
    Bytes body(type, type + 4);
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return Chunk("FORM", body);
}

Bytes Bmhd(int width, int height, int planes, int compression = 0, int masking = 0) {
    return Chunk("BMHD", {uint8_t(width >> 8), uint8_t(width), uint8_t(height >> 8), uint8_t(height), 0, 0, 0, 0,
                          uint8_t(planes), uint8_t(masking), uint8_t(compression), 0, 0, 0, 10, 11, 0, 0, 0, 0});
}

// `entries` colours: entry i is (i, 2i, 3i) scaled by 4.
Bytes Cmap(int entries) {
    Bytes rgb;
    for (int i = 0; i < entries; ++i) rgb.insert(rgb.end(), {uint8_t(4 * i), uint8_t(8 * i), uint8_t(12 * i)});
    return Chunk("CMAP", rgb);
}

// Uncompressed plane rows (16 pixels wide at most) for rows of pixel values.
Bytes Body(const std::vector<std::vector<int>>& rows, int planes) {
    Bytes body;
    for (const auto& row : rows)
        for (int p = 0; p < planes; ++p) {
            uint16_t bits = 0;
            for (size_t x = 0; x < row.size(); ++x)
                if ((row[x] >> p) & 1) bits = uint16_t(bits | (0x8000 >> x));
            body.insert(body.end(), {uint8_t(bits >> 8), uint8_t(bits)});
        }
    return Chunk("BODY", body);
}

Image Read(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadIffFrom(in, st);
}

Bytes Entry(const Image& img, int i) { return Bytes(img.palette() + 4 * i, img.palette() + 4 * i + 3); }

}  // namespace

TEST(IffRead, PaletteRules) {
    Status st;
    // 5 planes with 32 colours: 8 bits, the entries above 31 black; with 16
    // colours, entries from 16 on are black.
    Image img = Read(Form("ILBM", {Bmhd(2, 1, 5), Cmap(32), Body({{31, 1}}, 5)}), st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.bitCount(), 8);
    EXPECT_EQ(Entry(img, 31), (Bytes{116, 248, 124}));  // (124, 248, 372) as bytes
    EXPECT_EQ(Entry(img, 32), (Bytes{0, 0, 0}));
    EXPECT_EQ(Entry(Read(Form("ILBM", {Bmhd(2, 1, 5), Cmap(16), Body({{3, 20}}, 5)}), st), 20), (Bytes{0, 0, 0}));

    // Extra half-brite: 6 planes, 32 colours, the upper 32 at half brightness.
    img = Read(Form("ILBM", {Bmhd(2, 1, 6), Chunk("CAMG", Be32(0x80)), Cmap(32), Body({{33, 1}}, 6)}), st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.row(0)[0], 33);
    EXPECT_EQ(Entry(img, 33), (Bytes{6, 4, 2}));  // half of entry 1: blue 12, green 8, red 4

    // 6 planes without a viewport word are hold-and-modify over a 16-colour
    // base; with more colours, or a viewport word without HAM, 64 colours.
    const struct {
        Bytes camg, cmap;
        int depth;
    } six[] = {{{}, Cmap(16), 24}, {{}, Cmap(40), 8}, {Chunk("CAMG", Be32(0)), Cmap(16), 8}};
    for (const auto& c : six) {
        Bytes file = c.camg.empty() ? Form("ILBM", {Bmhd(2, 1, 6), c.cmap, Body({{1, 0}}, 6)})
                                    : Form("ILBM", {Bmhd(2, 1, 6), c.camg, c.cmap, Body({{1, 0}}, 6)});
        EXPECT_EQ(Read(file, st).bitCount(), c.depth);
    }
}

TEST(IffRead, HoldAndModify) {
    Status st;
    // Base colour 1, then red changed; the next row starts from the colour
    // the last one ended with, and changes blue.
    Bytes cmap = Chunk("CMAP", {0, 0, 0, 0x12, 0x34, 0x56});
    Bytes file = Form("ILBM", {Bmhd(2, 2, 6), Chunk("CAMG", Be32(0x800)), cmap,
                               Body({{0x01, 0x2F}, {0x1A, 0x00}}, 6)});
    Image img = Read(file, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{0x10, 0x30, 0x50}));  // base colours keep four bits
    EXPECT_EQ(Rgb24(img, 1, 0), (std::array<int, 3>{0xF0, 0x30, 0x50}));
    EXPECT_EQ(Rgb24(img, 0, 1), (std::array<int, 3>{0xF0, 0x30, 0xA0}));
    EXPECT_EQ(Rgb24(img, 1, 1), (std::array<int, 3>{0, 0, 0}));

    // SHAM: every line has its own 16 base colours.
    Bytes sham = {0, 0};
    for (unsigned line : {0x0F00u, 0x00F0u})
        for (int i = 0; i < 16; ++i) sham.insert(sham.end(), {uint8_t(i == 1 ? line >> 8 : 0), uint8_t(i == 1 ? line : 0)});
    file = Form("ILBM", {Bmhd(1, 3, 6), Cmap(16), Chunk("SHAM", sham), Body({{1}, {1}, {1}}, 6)});
    img = Read(file, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{0xF0, 0, 0}));
    EXPECT_EQ(Rgb24(img, 0, 1), (std::array<int, 3>{0, 0xF0, 0}));
    EXPECT_EQ(Rgb24(img, 0, 2), (std::array<int, 3>{0xF0, 0, 0}));  // the lines start over
}

TEST(IffRead, ByteRunChunkyAnimationsAndShortData) {
    Status st;
    // 0x80 does nothing; literals beyond the row are dropped.
    Bytes body = Chunk("BODY", {0x80, 0x02, 0xAA, 0xBB, 0xCC, 0xFF, 0x11});
    Image img = Read(Form("ILBM", {Bmhd(16, 2, 1, 1), Cmap(2), body}), st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Bytes(img.topRow(0), img.topRow(0) + 2), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(Bytes(img.topRow(1), img.topRow(1) + 2), (Bytes{0x11, 0x11}));

    // Chunky PBM: a byte per pixel, rows padded to even length.
    img = Read(Form("PBM ", {Bmhd(3, 2, 8), Cmap(256), Chunk("BODY", {1, 2, 3, 0, 4, 5, 6, 0})}), st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Bytes(img.topRow(1), img.topRow(1) + 3), (Bytes{4, 5, 6}));

    // An animation shows its first picture.
    img = Read(Form("ANIM", {Form("ILBM", {Bmhd(2, 1, 1), Cmap(2), Body({{1, 0}}, 1)})}), st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.row(0)[0], 0x80);

    // Data that ends early: the rows read so far.
    Bytes cut = Form("ILBM", {Bmhd(2, 3, 1), Cmap(2), Body({{1, 0}, {0, 1}, {1, 1}}, 1)});
    cut.resize(cut.size() - 2);
    img = Read(cut, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(st.error, "Can't read data !");
    EXPECT_EQ(img.topRow(1)[0], 0x40);
    EXPECT_EQ(img.topRow(2)[0], 0);
}

TEST(IffRead, RefusesWhatItCannotRead) {
    Status st;
    Bytes body = Body({{1}}, 1);
    const Bytes bad[] = {
        Chunk("LIST", {'I', 'L', 'B', 'M'}),
        Form("ILBM", {Chunk("BMHD", Bytes(18, 0)), Cmap(2), body}),
        Form("ILBM", {Bmhd(10001, 1, 1), Cmap(2), body}),
        Form("ILBM", {Bmhd(1, 1, 1), body}),
        Form("ILBM", {Bmhd(1, 1, 1), Cmap(2)}),
        Form("ILBM", {Bmhd(1, 1, 5), Chunk("CAMG", Be32(0x800)), Cmap(16), Body({{1}}, 5)}),
    };
    for (const Bytes& b : bad) {
        EXPECT_FALSE(Read(b, st));
        EXPECT_EQ(st.error, "Not a valid IFF file");
    }
}
