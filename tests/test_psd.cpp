#include "raster_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "formats/psd.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

// Signature, header, empty colour-mode data, resources and layers, compression.
Bytes PsdHead(int channels, uint32_t height, uint32_t width, int bits, int mode, int compression, int version = 1) {
    ByteWriter w;
    w.bytes({'8', 'B', 'P', 'S', 0, unsigned(version), 0, 0, 0, 0, 0, 0, 0, unsigned(channels)});
    for (uint32_t v : {height, width}) w.bytes({v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF});
    w.bytes({0, unsigned(bits), 0, unsigned(mode), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, unsigned(compression)});
    return w.b;
}

Image Read(Bytes b, const Bytes& data, Status& st) {
    b.insert(b.end(), data.begin(), data.end());
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadPsdFrom(in, st);
}

}  // namespace

TEST(PsdRead, MatchesImageMagick) {
    // RGB (with alpha, 16 bits), grey, indexed and bitmap, raw and run-length.
    rastertest::ExpectFilesMatch(
        {"psd_rgb", "psd_rgbraw", "psd_rgba", "psd_rgb16", "psd_rgb16raw", "psd_grey", "psd_greyraw", "psd_indexed",
         "psd_bitmap"},
        ".psd", lg::kFormatPsd, [](const std::string& n) {
            return rastertest::Has(n, "raw") || n == "psd_bitmap" ? "Adobe Photoshop - None" : "Adobe Photoshop - RLE";
        });
    rastertest::ExpectConvertsToBmp("psd_rgb.psd", "psd_rgb.ppm");
}

// Stored CMYK is inverted: each colour is 255 - ink - black ink, never below 0.
TEST(PsdRead, CmykInksBecomeColours) {
    const Bytes inks = ReadBytes(DataPath("psd_cmyk.cmyk"));
    for (const char* name : {"psd_cmyk.psd", "psd_cmykraw.psd"}) {
        SCOPED_TRACE(name);
        Status st;
        Image img = ReadAs(lg::kFormatPsd, DataPath(name), st);
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
    // All 255 stored is white; a stored black of 0 is black whatever the rest.
    Status st;
    Image img = Read(PsdHead(4, 1, 2, 8, 4, 0), {255, 200, 255, 100, 255, 50, 255, 0}, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Bytes(img.row(0), img.row(0) + 7), (Bytes{255, 255, 255, 255, 0, 0, 0}));
}

TEST(PsdRead, RunLengthRowsShortAndBadFiles) {
    Status st;
    // Each run-length row is read from its own count of bytes: 0x80 does
    // nothing, and codes left over in a row's count are passed over.
    Image img = Read(PsdHead(1, 2, 4, 8, 1, 1), {0, 6, 0, 2, 0x80, 0xFE, 7, 0, 8, 0, 0xFD, 3}, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Bytes(img.topRow(0), img.topRow(0) + 4), (Bytes{7, 7, 7, 8}));
    EXPECT_EQ(Bytes(img.topRow(1), img.topRow(1) + 4), (Bytes{3, 3, 3, 3}));
    // A file cut short keeps what was read: the red plane and one green sample.
    img = Read(PsdHead(3, 2, 2, 8, 3, 0), {1, 2, 3, 4, 5}, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{1, 5, 0}));
    EXPECT_EQ(Rgb24(img, 1, 1), (std::array<int, 3>{4, 0, 0}));

    Bytes shortHeader = PsdHead(3, 2, 2, 8, 3, 0);
    shortHeader.pop_back();
    for (const Bytes& bad : {Bytes(30, 0), shortHeader, PsdHead(3, 2, 2, 8, 3, 0, 2), PsdHead(3, 0, 2, 8, 3, 0)}) {
        EXPECT_FALSE(Read(bad, {}, st));
        EXPECT_EQ(st.error, "This is not a valid Adobe Photoshop File !");
    }
    EXPECT_FALSE(Read(PsdHead(2, 2, 2, 8, 3, 0), {}, st));  // RGB needs three channels
    EXPECT_EQ(st.error, "Can't read Photoshop colour mode 3 with 8 bits per channel");
    EXPECT_FALSE(Read(PsdHead(3, 2, 2, 8, 3, 2), {}, st));
    EXPECT_EQ(st.error, "Can't read data, unsupported compression !");
    EXPECT_FALSE(Read(PsdHead(3, 300000, 300000, 8, 3, 1), {}, st));
    EXPECT_EQ(st.error, "The picture is too large !");
}
