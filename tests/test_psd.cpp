#include "support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "formats/psd.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace rastertest {
void ExpectPicture(Image img, const std::string& refName, int tolerance = 0);
void ExpectConvertsToBmp(const std::string& name, const std::string& refName, int tolerance = 0);
}  // namespace rastertest

TEST(PsdRead, MatchesImageMagick) {
    const struct {
        const char* name;
        int depth;
        bool rle;
        int tolerance;
    } cases[] = {
        {"psd_rgb", 24, true, 0},      {"psd_rgbraw", 24, false, 0},  {"psd_rgba", 24, true, 0},
        {"psd_rgb16", 24, true, 0},    {"psd_rgb16raw", 24, false, 0}, {"psd_grey", 8, true, 0},
        {"psd_greyraw", 8, false, 0},  {"psd_indexed", 8, true, 0},    {"psd_bitmap", 1, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Status st;
        Image img = lg::ReadPsd(DataPath(std::string(c.name) + ".psd"), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(st.info, c.rle ? "Adobe Photoshop - RLE" : "Adobe Photoshop - None");
        EXPECT_EQ(img.bitCount(), c.depth);
        rastertest::ExpectPicture(std::move(img), std::string(c.name) + ".ppm", c.tolerance);
    }
    rastertest::ExpectConvertsToBmp("psd_rgb.psd", "psd_rgb.ppm");
}

// Each colour is its ink's complement less the black ink: 255 - ink - black.
TEST(PsdRead, CmykInksBecomeColours) {
    const Bytes inks = ReadBytes(DataPath("psd_cmyk.cmyk"));
    for (const char* name : {"psd_cmyk.psd", "psd_cmykraw.psd"}) {
        SCOPED_TRACE(name);
        Status st;
        Image img = lg::ReadPsd(DataPath(name), st);
        ASSERT_TRUE(img) << st.error;
        ASSERT_EQ(img.bitCount(), 32);
        ASSERT_EQ(inks.size(), 4 * size_t(img.width()) * size_t(img.height()));
        int bad = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const uint8_t* ink = &inks[4 * (size_t(y) * size_t(img.width()) + size_t(x))];
                const uint8_t* p = img.topRow(y) + 4 * x;
                for (int c = 0; c < 3; ++c) bad += p[2 - c] != std::max(0, 255 - ink[c] - ink[3]);
            }
        EXPECT_EQ(bad, 0);
    }
}

namespace {

struct BeWriter : ByteWriter {
    BeWriter& be16(unsigned v) { bytes({(v >> 8) & 0xFF, v & 0xFF}); return *this; }
    BeWriter& be32(uint32_t v) { be16(v >> 16); return be16(v & 0xFFFF); }
};

// Signature, header, empty colour-mode data, resources and layers, compression.
BeWriter PsdHead(int channels, uint32_t height, uint32_t width, int bits, int mode, int compression,
                 int version = 1) {
    BeWriter w;
    w.bytes({'8', 'B', 'P', 'S'});
    w.be16(unsigned(version));
    w.append(Bytes(6, 0));
    w.be16(unsigned(channels)).be32(height).be32(width).be16(unsigned(bits)).be16(unsigned(mode));
    w.be32(0).be32(0).be32(0).be16(unsigned(compression));  // mode data, resources, layers
    return w;
}

Image Read(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadPsdFrom(in, st);
}

}  // namespace

TEST(PsdRead, CmykArithmeticAndRunLengthRows) {
    Status st;
    // Stored CMYK is inverted: all 255 is white, a stored black of 0 is black.
    BeWriter cmyk = PsdHead(4, 1, 3, 8, 4, 0);
    cmyk.bytes({255, 200, 200, 255, 100, 100, 255, 50, 50, 255, 0, 205});  // C, M, Y, K planes
    Image img = Read(cmyk.b, st);
    ASSERT_TRUE(img) << st.error;
    ASSERT_EQ(img.bitCount(), 32);
    const uint8_t* p = img.row(0);
    EXPECT_EQ(Bytes(p, p + 3), (Bytes{255, 255, 255}));
    EXPECT_EQ(Bytes(p + 4, p + 7), (Bytes{0, 0, 0}));
    EXPECT_EQ(Bytes(p + 8, p + 11), (Bytes{0, 50, 150}));  // blue, green, red: x - (255 - 205)

    // Each run-length row is read from its own count of bytes: 0x80 does
    // nothing, and codes left over in a row's count are passed over.
    BeWriter grey = PsdHead(1, 2, 4, 8, 1, 1);
    grey.be16(6).be16(2);
    grey.bytes({0x80, 0xFE, 7, 0x00, 8, 0x00});  // row 0: 7 7 7 8, then a code too many
    grey.bytes({0xFD, 3});
    img = Read(grey.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(st.info, "Adobe Photoshop - RLE");
    EXPECT_EQ(Bytes(img.topRow(0), img.topRow(0) + 4), (Bytes{7, 7, 7, 8}));
    EXPECT_EQ(Bytes(img.topRow(1), img.topRow(1) + 4), (Bytes{3, 3, 3, 3}));
    EXPECT_EQ(img.palette()[4 * 200], 200);

    // A file cut short keeps what was read.
    BeWriter cut = PsdHead(3, 2, 2, 8, 3, 0);
    img = Read(cut.bytes({1, 2, 3, 4, 5}).b, st);  // red plane, then one green sample
    ASSERT_TRUE(img);
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{1, 5, 0}));
    EXPECT_EQ(Rgb24(img, 1, 1), (std::array<int, 3>{4, 0, 0}));
}

TEST(PsdRead, RefusesWhatItCannotRead) {
    Status st;
    Bytes wrongSignature = PsdHead(3, 2, 2, 8, 3, 0).b;
    wrongSignature[3] = 'X';
    Bytes shortHeader = PsdHead(3, 2, 2, 8, 3, 0).b;
    shortHeader.pop_back();
    for (const Bytes& bad : {wrongSignature, shortHeader, PsdHead(3, 2, 2, 8, 3, 0, 2).b, PsdHead(3, 0, 2, 8, 3, 0).b}) {
        EXPECT_FALSE(Read(bad, st));
        EXPECT_EQ(st.error, "This is not a valid Adobe Photoshop File !");
    }
    EXPECT_FALSE(Read(PsdHead(3, 2, 2, 8, 9, 0).b, st));
    EXPECT_EQ(st.error, "Can't read Photoshop colour mode 9 with 8 bits per channel");
    EXPECT_FALSE(Read(PsdHead(2, 2, 2, 8, 3, 0).b, st));  // RGB needs three channels
    EXPECT_EQ(st.error, "Can't read Photoshop colour mode 3 with 8 bits per channel");
    EXPECT_FALSE(Read(PsdHead(3, 2, 2, 8, 3, 2).b, st));
    EXPECT_EQ(st.error, "Can't read data, unsupported compression !");
    EXPECT_FALSE(Read(PsdHead(3, 300000, 300000, 8, 3, 1).b, st));
    EXPECT_EQ(st.error, "Can't allocate memory");
}
