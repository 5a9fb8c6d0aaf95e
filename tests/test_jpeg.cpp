// The JPEG reader and writer: decodes checked pixel for pixel against djpeg
// with the same settings, the greyscale, 256-colour and preview variants,
// Adobe CMYK, density, library errors, and round trips through the writer.
#include "support.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <utility>

#include "core/convert.h"
#include "formats/bmp.h"
#include "formats/convert_file.h"
#include "formats/jpeg.h"
#include "formats/save.h"
#include "platform/threads.h"

using lg::Image;
using lg::ReadOptions;
using lg::Status;
using namespace lgtest;

namespace lgtest {

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

int PixelsOff(const Image& picture, const std::string& ppmName, int tol) {
    Ppm ref;
    EXPECT_TRUE(ReadPpm(DataPath(ppmName), ref)) << "missing " << DataPath(ppmName);
    return PixelsOff(picture, ref, tol);
}

}  // namespace lgtest

namespace {

Image Read(const std::string& path, ReadOptions opt = ReadOptions()) {
    Status st;
    Image img = ReadAs(lg::kFormatJpeg, path, st, opt);
    EXPECT_TRUE(img) << path << ": " << st.error;
    return img;
}

Image FromMemory(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadJpegFrom(in, ReadOptions(), st);
}

TEST(JpegRead, MatchesDjpegWithTheSameSettings) {
    for (std::string name : {"jpeg_420", "jpeg_444", "jpeg_422", "jpeg_prog", "jpeg_restart"}) {
        Image img = Read(DataPath(name + ".jpg"));
        EXPECT_EQ(img.bitCount(), 24);
        EXPECT_EQ(img.xResolution(), 0) << "cjpeg writes an aspect ratio only";
        EXPECT_EQ(PixelsOff(img, name + ".ppm", 0), 0) << name;
        // The rows are decoded into a block that is not cleared first: the
        // padding after each row's pixels must still be zero.
        const size_t used = size_t(img.width()) * 3;
        for (int y = 0; y < img.height(); ++y)
            for (size_t x = used; x < img.stride(); ++x) ASSERT_EQ(img.row(y)[x], 0) << name << " row " << y;
    }
    EXPECT_EQ(Read(DataPath("jpeg_dpi.jpg")).yResolution(), 150);
    EXPECT_EQ(Read(DataPath("jpeg_dpcm.jpg")).xResolution(), 102) << "40 per cm in dots per inch";
}

// Decoding ahead hands the reader the block of a picture it dropped, and
// may stop it part-way.
TEST(JpegRead, SpareBlocksAndCancelling) {
    const Image probe = Read(DataPath("jpeg_420.jpg"));
    ASSERT_TRUE(probe);
    for (int otherSize = 0; otherSize < 2; ++otherSize) {
        Image spare = Image::Create(probe.width() + otherSize, probe.height(), 24, 0);
        ASSERT_TRUE(spare);
        std::memset(spare.header() + 40, 0xA5, spare.size() - 40);  // a used picture: every byte set
        spare.setResolution(300, 300);
        const uint8_t* block = spare.data();
        ReadOptions opt;
        opt.spare = &spare;
        Image img = Read(DataPath("jpeg_420.jpg"), opt);
        EXPECT_FALSE(spare) << "taken over or freed, never left with the caller";
        if (otherSize == 0) {
            EXPECT_EQ(img.data(), block) << "the block of the very size is taken";
        }
        EXPECT_EQ(PixelsOff(img, "jpeg_420.ppm", 0), 0);
        EXPECT_EQ(img.xResolution(), 0) << "the old header is not kept";
        const size_t used = size_t(img.width()) * 3;
        for (int y = 0; y < img.height(); ++y)
            for (size_t x = used; x < img.stride(); ++x) ASSERT_EQ(img.row(y)[x], 0) << "row " << y;
    }
    std::atomic<bool> stop{true};
    ReadOptions opt;
    opt.cancel = &stop;
    for (std::string name : {"jpeg_420", "jpeg_cmyk_flat"}) {
        Status st;
        EXPECT_FALSE(ReadAs(lg::kFormatJpeg, DataPath(name + ".jpg"), st, opt)) << name;
        EXPECT_FALSE(st.error.empty()) << name;
    }
    stop = false;
    EXPECT_EQ(PixelsOff(Read(DataPath("jpeg_420.jpg"), opt), "jpeg_420.ppm", 0), 0);
}

TEST(JpegRead, GreyAndPaletteOutput) {
    ReadOptions grey, palette, both;
    grey.grayscale = both.grayscale = true;
    palette.paletteDisplay = both.paletteDisplay = true;
    // A greyscale file whatever the flags, and a colour file loaded as grey.
    std::vector<std::pair<std::string, ReadOptions>> greyLoads = {
        {"jpeg_grey", ReadOptions()}, {"jpeg_grey", palette}, {"jpeg_grey", both}, {"jpeg_420", grey}, {"jpeg_420", both}};
    for (const auto& load : greyLoads) {
        Image img = Read(DataPath(load.first + ".jpg"), load.second);
        ASSERT_EQ(img.bitCount(), 8);
        EXPECT_EQ(img.colorsUsedField(), 256u);
        for (int i = 0; i < 256; i += 51) EXPECT_EQ(img.palette()[4 * i + 2], i);
        EXPECT_EQ(PixelsOff(img, load.first + (load.first == "jpeg_420" ? "_grey.ppm" : ".ppm"), 0), 0);
    }
    // On a 256-colour screen: the library's two-pass, dithered colours.
    Image img = Read(DataPath("jpeg_420.jpg"), palette);
    EXPECT_EQ(img.bitCount(), 8);
    EXPECT_EQ(PixelsOff(img, "jpeg_420_256.ppm", 0), 0);
}

TEST(JpegRead, PreviewWidthPicksTheScale) {
    ReadOptions opt;
    opt.previewWidth = 200;
    EXPECT_EQ(Read(DataPath("jpeg_wide2000.jpg"), opt).width(), 250);  // 1/8
    EXPECT_EQ(Read(DataPath("jpeg_wide300.jpg"), opt).width(), 75);    // 1/4
    EXPECT_EQ(Read(DataPath("jpeg_wide205.jpg"), opt).width(), 205);   // full size
    opt.previewWidth = 10;  // 61 / 8 >= 0: 1/8
    EXPECT_EQ(PixelsOff(Read(DataPath("jpeg_420.jpg"), opt), "jpeg_420_e.ppm", 0), 0);
    opt.previewWidth = 20;  // 61 / 8 < 10 and 61 > 30: 1/4
    EXPECT_EQ(PixelsOff(Read(DataPath("jpeg_420.jpg"), opt), "jpeg_420_q.ppm", 0), 0);
}

TEST(JpegRead, AdobeCmykBecomesRgbByAddingInk) {
    // cmyk(20%,60%,80%,60%) is stored inverted as 204, 103, 51, 102.
    ReadOptions palette;
    palette.paletteDisplay = true;
    Image img = Read(DataPath("jpeg_cmyk_flat.jpg"), palette);
    ASSERT_EQ(img.bitCount(), 24) << "never quantized by the library";
    EXPECT_EQ(Rgb24(img, 5, 5), (std::array<int, 3>{204 + 102 - 255, 0, 0}));
}

TEST(JpegRead, DamageGivesTheLibrarysMessage) {
    Status st;
    const Bytes good = ReadBytes(DataPath("jpeg_420.jpg"));
    ASSERT_GT(good.size(), 700u);
    EXPECT_FALSE(FromMemory(Bytes(good.begin() + 2, good.end()), st));
    EXPECT_EQ(st.error.rfind("Not a JPEG file", 0), 0u) << st.error;
    EXPECT_FALSE(FromMemory(Bytes(good.begin(), good.begin() + 150), st)) << "cut inside the tables";
    EXPECT_NE(st.error, "This is not a valid JPEG/JFIF file !");
    // Cut inside the picture data: the library warns and the rows it has are shown.
    EXPECT_EQ(FromMemory(Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)), st).height(), 43);

    size_t sof = 2;
    while (sof + 9 < good.size() && !(good[sof] == 0xFF && good[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 9, good.size());
    Bytes bad = good;
    bad[sof + 4] = 12;
    EXPECT_FALSE(FromMemory(bad, st));
    EXPECT_EQ(st.error, "Unsupported JPEG data precision 12");
    bad = good;  // 65000 x 65000 asks for gigabytes: refused before decoding
    bad[sof + 5] = bad[sof + 7] = 0xFD;
    bad[sof + 6] = bad[sof + 8] = 0xE8;
    EXPECT_FALSE(FromMemory(bad, st));
    EXPECT_EQ(st.error, "The picture is too large !");
}

// Conversions to BMP go from the decoder straight into the file, a band of
// rows at a time, on two threads or one. Against djpeg's BMP of the same file
// (everything after the 14 + 40 header bytes: colour table and rows, padding
// included) at odd sizes whose last band is cut short, loaded as grey, a
// greyscale file and one cut in half; Adobe CMYK by its one colour.
TEST(JpegToBmp, EveryByteIsDjpegsOnOneAndTwoThreads) {
    struct Case {
        std::string jpeg;
        bool grey;
        std::string reference;
    };
    const Case cases[] = {{"jpeg_tall", false, "jpeg_tall.bmp"},
                          {"jpeg_tall", true, "jpeg_tall_asgrey.bmp"},
                          {"jpeg_tallgrey", false, "jpeg_tallgrey.bmp"},
                          {"jpeg_tall_cut", false, "jpeg_tall_cut.bmp"},
                          {"jpeg_420", false, ""}};
    TempDir dir;
    for (int threads : {1, 2}) {
        lg::platform::SetThreadCount(threads);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.jpeg + (c.grey ? " as grey" : "") + ", threads " + std::to_string(threads));
            lg::ConvertOptions opt;
            opt.read.grayscale = c.grey;
            opt.read.autoRotate = true;
            std::string message;
            ASSERT_EQ(lg::ConvertFile(DataPath(c.jpeg + ".jpg"), dir.file("out.bmp"), opt, &message),
                      lg::ConvertResult::Ok)
                << message;
            const Bytes got = ReadBytes(dir.file("out.bmp"));
            ASSERT_GT(got.size(), 54u);
            EXPECT_EQ(lg::GetLE32(&got[2]), got.size());
            if (c.reference.empty()) {  // a picture of one band, as the reader decodes it
                Status st;
                EXPECT_EQ(PixelsOff(lg::ReadBmp(dir.file("out.bmp"), st), "jpeg_420.ppm", 0), 0);
                continue;
            }
            const Bytes ref = ReadBytes(DataPath(c.reference));
            ASSERT_GT(ref.size(), 54u);
            for (int field : {10, 18, 22}) EXPECT_EQ(lg::GetLE32(&got[field]), lg::GetLE32(&ref[field])) << field;
            EXPECT_EQ(lg::GetLE16(&got[28]), lg::GetLE16(&ref[28]));
            EXPECT_TRUE(got.size() == ref.size() && std::equal(got.begin() + 54, got.end(), ref.begin() + 54));
        }
        lg::ConvertOptions opt;
        std::string message;
        ASSERT_EQ(lg::ConvertFile(DataPath("jpeg_cmyk_tall.jpg"), dir.file("cmyk.bmp"), opt, &message),
                  lg::ConvertResult::Ok);
        Status st;
        const Image cmyk = lg::ReadBmp(dir.file("cmyk.bmp"), st);
        ASSERT_EQ(cmyk.height(), 411);
        int off = 0;
        for (int y = 0; y < cmyk.height(); ++y)
            for (int x = 0; x < cmyk.width(); ++x) off += Rgb24(cmyk, x, y) != std::array<int, 3>{204 + 102 - 255, 0, 0};
        EXPECT_EQ(off, 0);
        ASSERT_TRUE(lg::ConvertFile(DataPath("jpeg_dpi.jpg"), dir.file("dpi.bmp"), opt, &message) ==
                    lg::ConvertResult::Ok);
        const Bytes dpi = ReadBytes(dir.file("dpi.bmp"));
        ASSERT_GT(dpi.size(), 46u);
        EXPECT_EQ(lg::GetLE32(&dpi[38]), 300u) << "the resolution, as a load keeps it";
        EXPECT_EQ(lg::GetLE32(&dpi[42]), 150u);
    }
    lg::platform::SetThreadCount(0);
    // A JPEG named .bmp converted over itself: the input is read to its end
    // and closed before the new file takes its name.
    WriteBytes(dir.file("self.bmp"), ReadBytes(DataPath("jpeg_tall.jpg")));
    std::string message;
    ASSERT_EQ(lg::ConvertFile(dir.file("self.bmp"), dir.file("self.bmp"), lg::ConvertOptions(), &message),
              lg::ConvertResult::Ok)
        << message;
    const Bytes self = ReadBytes(dir.file("self.bmp")), ref = ReadBytes(DataPath("jpeg_tall.bmp"));
    EXPECT_TRUE(self.size() == ref.size() && std::equal(self.begin() + 54, self.end(), ref.begin() + 54));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"cmyk.bmp", "dpi.bmp", "out.bmp", "self.bmp"}))
        << "no file left behind";
}

// A conversion that fails after its output was begun (the decode is given up
// at the first band) or before: the reason, and the old file as it was.
TEST(JpegToBmp, FailuresKeepTheOldFile) {
    TempDir dir;
    const Bytes old{'o', 'l', 'd'};
    WriteBytes(dir.file("old.bmp"), old);
    std::atomic<bool> stop{true};
    lg::ConvertOptions opt;
    opt.read.cancel = &stop;
    std::string message;
    for (int threads : {1, 2}) {
        lg::platform::SetThreadCount(threads);
        EXPECT_EQ(lg::ConvertFile(DataPath("jpeg_tall.jpg"), dir.file("old.bmp"), opt, &message),
                  lg::ConvertResult::LoadFailed);
        EXPECT_EQ(message, "Error! Can't load: " + DataPath("jpeg_tall.jpg") +
                               " (Decoding stopped: the picture is no longer wanted)");
        EXPECT_EQ(ReadBytes(dir.file("old.bmp")), old);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"old.bmp"});
    }
    lg::platform::SetThreadCount(0);
    stop = false;
    Bytes damaged = ReadBytes(DataPath("jpeg_tall.jpg"));
    damaged.resize(150);  // cut inside the tables
    WriteBytes(dir.file("damaged.jpg"), damaged);
    EXPECT_EQ(lg::ConvertFile(dir.file("damaged.jpg"), dir.file("old.bmp"), opt, &message),
              lg::ConvertResult::LoadFailed);
    EXPECT_EQ(message.rfind("Error! Can't load: " + dir.file("damaged.jpg") + " (", 0), 0u) << message;
    EXPECT_EQ(ReadBytes(dir.file("old.bmp")), old);
    EXPECT_EQ(lg::ConvertFile(DataPath("jpeg_tall.jpg"), dir.file("none/x.bmp"), opt, &message),
              lg::ConvertResult::SaveFailed);
    EXPECT_EQ(message, "BMP Save error ! - Can't create file: " + dir.file("none/x.bmp"));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"damaged.jpg", "old.bmp"}));
}

// A picture and its pixels as RGB triples, top row first.
std::pair<Image, Ppm> Gradient(int w, int h) {
    std::pair<Image, Ppm> g{Image::Create(w, h, 24, 0), Ppm{w, h, {}}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t bgr[3] = {uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t(128 + x - y)};
            std::memcpy(g.first.topRow(y) + 3 * x, bgr, 3);
            g.second.rgb.insert(g.second.rgb.end(), {bgr[2], bgr[1], bgr[0]});
        }
    return g;
}

TEST(JpegWrite, RoundTripsWithTheOptions) {
    TempDir dir;
    Status st;
    auto [src, pixels] = Gradient(50, 30);
    src.setResolution(96, 72);
    lg::SaveOptions opt;
    opt.jpegQuality = 95;
    ASSERT_TRUE(lg::SaveJpeg(dir.file("a.jpg"), src, opt, st)) << st.error;
    Image back = Read(dir.file("a.jpg"));
    EXPECT_EQ(PixelsOff(back, pixels, 12), 0) << "fast DCT, no fancy upsampling";
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
    opt.jpegGrayscale = opt.jpegProgressive = true;
    ASSERT_TRUE(lg::SaveJpeg(dir.file("b.jpg"), src, opt, st));
    const Bytes b = ReadBytes(dir.file("b.jpg")), progressiveFrame{0xFF, 0xC2};
    EXPECT_LT(b.size(), ReadBytes(dir.file("a.jpg")).size());
    EXPECT_NE(std::search(b.begin(), b.end(), progressiveFrame.begin(), progressiveFrame.end()), b.end());
    EXPECT_EQ(Read(dir.file("b.jpg")).bitCount(), 8) << "greyscale file";
}

TEST(JpegWrite, PaletteDepthsAndDensityRules) {
    TempDir dir;
    Status st;
    Image pal = Image::Create(16, 8, 8, 2);
    pal.setPaletteEntry(0, 255, 0, 0);
    pal.setPaletteEntry(1, 0, 0, 255);
    for (int y = 0; y < 8; ++y) std::memset(pal.topRow(y), y / 3, 16);  // index 2 beyond the table: black
    lg::SaveOptions opt;
    opt.jpegQuality = 100;
    ASSERT_TRUE(lg::SaveJpeg(dir.file("p.jpg"), pal, opt, st)) << st.error;
    Image back = Read(dir.file("p.jpg"));
    auto near = [&](int y, std::array<int, 3> want) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(Rgb24(back, 8, y)[c], want[c], 16) << y;
    };
    near(1, {255, 0, 0});
    near(4, {0, 0, 255});
    near(7, {0, 0, 0});
    // No resolution: a plain 1:1 aspect ratio, never a zero density.
    const Bytes b = ReadBytes(dir.file("p.jpg"));
    ASSERT_GT(b.size(), 18u);
    EXPECT_EQ(Bytes(b.begin() + 13, b.begin() + 18), (Bytes{0, 0, 1, 0, 1}));
    EXPECT_EQ(back.xResolution(), 0);

    Image mono = Image::Create(8, 8, 1, 2);
    EXPECT_FALSE(lg::SaveJpeg(dir.file("m.jpg"), mono, opt, st)) << "1-bit pictures are expanded by the caller";
    std::string msg;
    EXPECT_TRUE(lg::SaveImage(mono, dir.file("m.jpg"), {}, &msg)) << msg;
}

TEST(JpegWrite, LibraryRefusalLeavesTheOldFile) {
    TempDir dir;
    WriteBytes(dir.file("keep.jpg"), Bytes{'o', 'l', 'd'});
    Status st;
    EXPECT_FALSE(lg::SaveJpeg(dir.file("keep.jpg"), Image::Create(70000, 1, 24, 0), lg::SaveOptions(), st));
    EXPECT_EQ(st.error, "Maximum supported image dimension is 65500 pixels");
    EXPECT_EQ(ReadBytes(dir.file("keep.jpg")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries().size(), 1u);
}

}  // namespace
