// The JPEG reader and writer: decodes checked pixel for pixel against djpeg
// with the same settings, the greyscale, 256-colour and preview variants,
// Adobe CMYK, density, library errors, and round trips through the writer.
#include "support.h"

#include <cstring>
#include <utility>

#include "core/convert.h"
#include "formats/jpeg.h"
#include "formats/save.h"

using lg::Image;
using lg::ReadOptions;
using lg::Status;
using namespace lgtest;

namespace lgtest {

// Channel values of a picture (any depth) further than `tol` from the
// reference PPM; -1 when the sizes differ.
int PixelsOff(const Image& picture, const Ppm& ref, int tol) {
    Image img = lg::ExpandTo24(lg::WidenToWorkingDepth(picture.Duplicate()));
    if (!img || img.width() != ref.width || img.height() != ref.height) return -1;
    int off = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            auto got = Rgb24(img, x, y);
            for (int c = 0; c < 3; ++c) off += std::abs(got[c] - ref.at(x, y)[c]) > tol;
        }
    return off;
}

}  // namespace lgtest

namespace {

Image ReadJ(const std::string& name, ReadOptions opt = ReadOptions(), Status* stOut = nullptr) {
    Status st;
    lg::PictureFacts facts;
    Image img = lg::ReadJpeg(DataPath(name), opt, st, facts);
    EXPECT_TRUE(img) << name << ": " << st.error;
    if (stOut) *stOut = st;
    return img;
}

Ppm Ref(const std::string& name) {
    Ppm p;
    EXPECT_TRUE(ReadPpm(DataPath(name), p)) << "missing " << DataPath(name);
    return p;
}

Image FromMemory(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadJpegFrom(in, ReadOptions(), st);
}

bool IsGreyRamp(const Image& img) {
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = img.palette() + 4 * i;
        if (e[0] != i || e[1] != i || e[2] != i) return false;
    }
    return img.colorsUsedField() == 256;
}

TEST(JpegRead, MatchesDjpegWithTheSameSettings) {
    for (const char* name : {"jpeg_420", "jpeg_444", "jpeg_422", "jpeg_prog", "jpeg_restart"}) {
        Image img = ReadJ(std::string(name) + ".jpg");
        ASSERT_TRUE(img);
        EXPECT_EQ(img.bitCount(), 24);
        EXPECT_EQ(img.xResolution(), 0) << "cjpeg writes an aspect ratio only";
        EXPECT_EQ(PixelsOff(img, Ref(std::string(name) + ".ppm"), 0), 0) << name;
    }
}

TEST(JpegRead, GreyOutputIsEightBitsWithTheGreyRamp) {
    ReadOptions grey, palette;
    grey.grayscale = true;
    palette.paletteDisplay = true;
    ReadOptions both = grey;
    both.paletteDisplay = true;
    // A greyscale file, whatever the flags; a colour file loaded as grey.
    for (const ReadOptions& opt : {ReadOptions(), grey, palette, both}) {
        Image img = ReadJ("jpeg_grey.jpg", opt);
        ASSERT_TRUE(img);
        EXPECT_EQ(img.bitCount(), 8);
        EXPECT_TRUE(IsGreyRamp(img));
        EXPECT_EQ(PixelsOff(img, Ref("jpeg_grey.ppm"), 0), 0);
    }
    for (const ReadOptions& opt : {grey, both}) {
        Image img = ReadJ("jpeg_420.jpg", opt);
        ASSERT_TRUE(img);
        EXPECT_TRUE(IsGreyRamp(img));
        EXPECT_EQ(PixelsOff(img, Ref("jpeg_420_grey.ppm"), 0), 0);
    }
}

TEST(JpegRead, PaletteDisplayGetsTheLibrarysDitheredColours) {
    ReadOptions opt;
    opt.paletteDisplay = true;
    Image img = ReadJ("jpeg_420.jpg", opt);
    ASSERT_TRUE(img);
    EXPECT_EQ(img.bitCount(), 8);
    EXPECT_EQ(img.colorsUsedField(), 256u);
    EXPECT_EQ(PixelsOff(img, Ref("jpeg_420_256.ppm"), 0), 0);
}

TEST(JpegRead, PreviewWidthPicksTheScale) {
    ReadOptions opt;
    opt.previewWidth = 200;
    EXPECT_EQ(ReadJ("jpeg_wide2000.jpg", opt).width(), 250);  // 1/8
    EXPECT_EQ(ReadJ("jpeg_wide300.jpg", opt).width(), 75);    // 1/4
    EXPECT_EQ(ReadJ("jpeg_wide205.jpg", opt).width(), 205);   // full size
    opt.previewWidth = 10;  // 61 / 8 >= 0: 1/8
    EXPECT_EQ(PixelsOff(ReadJ("jpeg_420.jpg", opt), Ref("jpeg_420_e.ppm"), 0), 0);
    opt.previewWidth = 20;  // 61 / 8 < 10 and 61 > 30: 1/4
    EXPECT_EQ(PixelsOff(ReadJ("jpeg_420.jpg", opt), Ref("jpeg_420_q.ppm"), 0), 0);
}

TEST(JpegRead, AdobeCmykBecomesRgbByAddingInk) {
    // cmyk(20%,60%,80%,60%) is stored inverted as 204, 103, 51, 102.
    Image flat = ReadJ("jpeg_cmyk_flat.jpg");
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat.bitCount(), 24);
    EXPECT_EQ(Rgb24(flat, 5, 5), (std::array<int, 3>{204 + 102 - 255, 0, 0}));

    Bytes ink = ReadBytes(DataPath("jpeg_cmyk.cmyk"));  // ImageMagick's decode: C, M, Y, K
    Ppm want;
    want.width = 61;
    want.height = 43;
    ASSERT_EQ(ink.size(), size_t(want.width) * size_t(want.height) * 4);
    for (size_t i = 0; i < ink.size(); i += 4)
        for (int c = 0; c < 3; ++c) want.rgb.push_back(uint8_t(std::max(0, 255 - ink[i + c] - ink[i + 3])));
    // ImageMagick decodes with another DCT; the sum of two samples doubles its differences.
    EXPECT_EQ(PixelsOff(ReadJ("jpeg_cmyk.jpg"), want, 10), 0);
    ReadOptions palette;
    palette.paletteDisplay = true;
    EXPECT_EQ(ReadJ("jpeg_cmyk.jpg", palette).bitCount(), 24) << "CMYK is never quantized by the library";
}

TEST(JpegRead, DensityInDotsPerInch) {
    Image dpi = ReadJ("jpeg_dpi.jpg");
    EXPECT_EQ(dpi.xResolution(), 300);
    EXPECT_EQ(dpi.yResolution(), 150);
    EXPECT_EQ(ReadJ("jpeg_dpcm.jpg").xResolution(), 102);  // 40 per cm
}

TEST(JpegRead, DamageGivesTheLibrarysMessage) {
    Status st;
    lg::PictureFacts facts;
    EXPECT_FALSE(lg::ReadJpeg(DataPath("no-such.jpg"), ReadOptions(), st, facts));
    EXPECT_EQ(st.error, "Can't open file for reading !");

    const Bytes good = ReadBytes(DataPath("jpeg_420.jpg"));
    ASSERT_GT(good.size(), 700u);
    Bytes notJpeg(good.begin() + 2, good.end());
    EXPECT_FALSE(FromMemory(notJpeg, st));
    EXPECT_EQ(st.error.rfind("Not a JPEG file", 0), 0u) << st.error;

    EXPECT_FALSE(FromMemory(Bytes(good.begin(), good.begin() + 150), st)) << "cut inside the tables";
    EXPECT_FALSE(st.error.empty());
    EXPECT_NE(st.error, "This is not a valid JPEG/JFIF file !");

    // Cut inside the picture data: the library warns and the rows it has are shown.
    Image cut = FromMemory(Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)), st);
    ASSERT_TRUE(cut) << st.error;
    EXPECT_EQ(cut.height(), 43);

    size_t sof = 2;
    while (sof + 9 < good.size() && !(good[sof] == 0xFF && good[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 9, good.size());
    Bytes twelveBit = good;
    twelveBit[sof + 4] = 12;
    EXPECT_FALSE(FromMemory(twelveBit, st));
    EXPECT_EQ(st.error, "Unsupported JPEG data precision 12");

    Bytes huge = good;  // 65000 x 65000 asks for gigabytes: refused before decoding
    huge[sof + 5] = huge[sof + 7] = 0xFD;
    huge[sof + 6] = huge[sof + 8] = 0xE8;
    EXPECT_FALSE(FromMemory(huge, st));
    EXPECT_EQ(st.error, "Can't allocate memory");
}

Image Gradient(int w, int h) {
    Image img = Image::Create(w, h, 24, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.topRow(y) + 3 * x;
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t(128 + (x - y));
        }
    return img;
}

// The picture as RGB triples, top row first.
Ppm AsPpm(const Image& img24) {
    Ppm p;
    p.width = img24.width();
    p.height = img24.height();
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int v : Rgb24(img24, x, y)) p.rgb.push_back(uint8_t(v));
    return p;
}

TEST(JpegWrite, RoundTripsWithTheOptions) {
    TempDir dir;
    Status st;
    lg::PictureFacts facts;
    Image src = Gradient(50, 30);
    src.setResolution(96, 72);
    lg::SaveOptions opt;
    opt.jpegQuality = 95;
    ASSERT_TRUE(lg::WriteJpeg(dir.file("a.jpg"), src, opt, st)) << st.error;
    Image back = lg::ReadJpeg(dir.file("a.jpg"), ReadOptions(), st, facts);
    ASSERT_TRUE(back) << st.error;
    EXPECT_EQ(back.bitCount(), 24);
    EXPECT_EQ(PixelsOff(back, AsPpm(src), 12), 0) << "fast DCT, no fancy upsampling";
    EXPECT_EQ(back.xResolution(), 96);
    EXPECT_EQ(back.yResolution(), 72);
#ifndef _WIN32
    // An independent decoder agrees.
    ASSERT_EQ(std::system(("convert " + dir.file("a.jpg") + " ppm:" + dir.file("a.ppm")).c_str()), 0);
    Ppm im;
    ASSERT_TRUE(ReadPpm(dir.file("a.ppm"), im));
    EXPECT_EQ(PixelsOff(src, im, 6), 0);
#endif

    opt.jpegQuality = 20;
    opt.jpegGrayscale = true;
    opt.jpegProgressive = true;
    ASSERT_TRUE(lg::WriteJpeg(dir.file("b.jpg"), src, opt, st));
    const Bytes b = ReadBytes(dir.file("b.jpg"));
    EXPECT_LT(b.size(), ReadBytes(dir.file("a.jpg")).size());
    const Bytes progressiveFrame{0xFF, 0xC2};
    EXPECT_NE(std::search(b.begin(), b.end(), progressiveFrame.begin(), progressiveFrame.end()), b.end());
    EXPECT_EQ(lg::ReadJpeg(dir.file("b.jpg"), ReadOptions(), st, facts).bitCount(), 8) << "greyscale file";
}

TEST(JpegWrite, PaletteDepthsAndDensityRules) {
    TempDir dir;
    Status st;
    lg::PictureFacts facts;
    Image pal = Image::Create(16, 8, 8, 4);
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int i = 0; i < 4; ++i) pal.setPaletteEntry(i, colours[i][0], colours[i][1], colours[i][2]);
    for (int y = 0; y < 8; ++y) std::memset(pal.topRow(y), y / 2, 16);
    lg::SaveOptions opt;
    opt.jpegQuality = 100;
    ASSERT_TRUE(lg::WriteJpeg(dir.file("p.jpg"), pal, opt, st)) << st.error;
    Image back = lg::ReadJpeg(dir.file("p.jpg"), ReadOptions(), st, facts);
    ASSERT_TRUE(back);
    EXPECT_EQ(PixelsOff(back, AsPpm(lg::Expand8To24(pal)), 40), 0);
    // No resolution: a plain 1:1 aspect ratio, never a zero density.
    const Bytes b = ReadBytes(dir.file("p.jpg"));
    ASSERT_GT(b.size(), 18u);
    EXPECT_EQ(std::string(b.begin() + 6, b.begin() + 10), "JFIF");
    EXPECT_EQ(Bytes(b.begin() + 13, b.begin() + 18), (Bytes{0, 0, 1, 0, 1}));
    EXPECT_EQ(back.xResolution(), 0);

    Image mono = Image::Create(8, 8, 1, 2);
    EXPECT_FALSE(lg::WriteJpeg(dir.file("m.jpg"), mono, opt, st)) << "1-bit pictures are expanded by the caller";
    std::string msg;
    EXPECT_TRUE(lg::SaveImage(mono, dir.file("m.jpg"), false, &msg)) << msg;
}

TEST(JpegWrite, LibraryRefusalLeavesTheOldFile) {
    TempDir dir;
    WriteBytes(dir.file("keep.jpg"), Bytes{'o', 'l', 'd'});
    Status st;
    Image wide = Image::Create(70000, 1, 24, 0);
    ASSERT_TRUE(wide);
    EXPECT_FALSE(lg::WriteJpeg(dir.file("keep.jpg"), wide, lg::SaveOptions(), st));
    EXPECT_EQ(st.error, "Maximum supported image dimension is 65500 pixels");
    EXPECT_EQ(ReadBytes(dir.file("keep.jpg")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries().size(), 1u);
}

}  // namespace
