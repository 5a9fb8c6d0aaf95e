// Photos: the Exif parser against blocks that lie; every orientation of JPEG
// and TIFF files made by exiftool and tiffset, loaded upright and compared
// with ImageMagick's -auto-orient view; a photo's Exif block and ICC profile
// kept through a save, read back by exiftool.
#include "raster_support.h"

#include <cstring>

#include "formats/bmp.h"
#include "formats/convert_file.h"
#include "formats/exif.h"
#include "formats/jpeg.h"
#include "formats/load.h"
#include "shell/logic/texts.h"

namespace {

using namespace lgtest;
using lg::Image;
using lg::Status;

// An Exif block by hand: identifier, TIFF header, one IFD with the given
// entries (tag, type, count, value field), in either byte order.
struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};
Bytes ExifBlock(bool little, const std::vector<Entry>& entries, uint32_t ifdOffset = 8) {
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](uint16_t v) {
        if (little) b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
        else b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    };
    auto u32 = [&](uint32_t v) {
        if (little) b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
        else b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    };
    b.insert(b.end(), little ? std::initializer_list<uint8_t>{'I', 'I'} : std::initializer_list<uint8_t>{'M', 'M'});
    u16(42);
    u32(ifdOffset);
    u16(uint16_t(entries.size()));
    for (const Entry& e : entries) {
        u16(e.tag);
        u16(e.type);
        u32(e.count);
        if (e.type == 3 && e.count == 1) {  // a short sits at the start of the field
            u16(uint16_t(e.value));
            u16(0);
        } else {
            u32(e.value);
        }
    }
    u32(0);  // no next IFD
    return b;
}

// The plain test JPEG with `exif` as an APP1 marker right after its start.
Bytes WithExif(const Bytes& exif) {
    const Bytes jpeg = ReadBytes(DataPath("orient_plain.jpg"));
    if (jpeg.size() < 4) return jpeg;
    Bytes file(jpeg.begin(), jpeg.begin() + 2);
    const size_t len = exif.size() + 2;
    file.insert(file.end(), {0xFF, 0xE1, uint8_t(len >> 8), uint8_t(len)});
    file.insert(file.end(), exif.begin(), exif.end());
    file.insert(file.end(), jpeg.begin() + 2, jpeg.end());
    return file;
}

int Orientation(const Bytes& b) { return lg::ExifOrientation(b.data(), b.size()); }

TEST(ExifOrientation, ReadsTheTagAndIgnoresBlocksThatLie) {
    const Entry width{256, 4, 1, 640}, other{0x0132, 2, 4, 0x41424300};  // text held in the entry
    for (bool little : {true, false}) {
        for (uint32_t v = 1; v <= 8; ++v)
            EXPECT_EQ(Orientation(ExifBlock(little, {width, {274, 3, 1, v}, other})), int(v)) << little;
        EXPECT_EQ(Orientation(ExifBlock(little, {width, other})), 0) << "no tag";
        EXPECT_EQ(Orientation(ExifBlock(little, {{274, 3, 1, 9}})), 0) << "value out of range";
        EXPECT_EQ(Orientation(ExifBlock(little, {{274, 3, 1, 0}})), 0);
        EXPECT_EQ(Orientation(ExifBlock(little, {{274, 4, 1, 6}})), 0) << "not a short";
        EXPECT_EQ(Orientation(ExifBlock(little, {{274, 3, 70000, 6}})), 0) << "absurd count";
        EXPECT_EQ(Orientation(ExifBlock(little, {{274, 3, 1, 6}}, 4000)), 0) << "IFD past the end";
        EXPECT_EQ(Orientation(ExifBlock(little, {{274, 3, 1, 6}}, 2)), 0) << "IFD inside the header";
    }
    // Entries counted beyond the block's end; cut at every length.
    Bytes good = ExifBlock(true, {width, {274, 3, 1, 6}});
    Bytes lying = good;
    lying[6 + 8] = 0xFF;  // 255 entries
    EXPECT_EQ(Orientation(lying), 0);
    for (size_t n = 0; n < good.size(); ++n) {
        const int got = lg::ExifOrientation(good.data(), n);
        EXPECT_TRUE(got == 0 || got == 6) << n;
        if (n < 6 + 8 + 2 + 24) {
            EXPECT_EQ(got, 0) << n;  // the tag's entry not whole
        }
    }
    Bytes noId = good;
    noId[0] = 'e';
    EXPECT_EQ(Orientation(noId), 0);
    Bytes badMagic = good;
    badMagic[6 + 2] = 43;
    EXPECT_EQ(Orientation(badMagic), 0);
    EXPECT_EQ(lg::ExifOrientation(nullptr, 0), 0);
}

Image LoadUpright(const std::string& path, bool autoRotate, Status& st) {
    lg::ReadOptions opt;
    opt.autoRotate = autoRotate;
    return lg::LoadQuiet(path, opt, st);
}

// Every orientation, in each kind of file, comes out as ImageMagick shows it.
TEST(Orientation, EveryValueInEveryFileKind) {
    for (int v = 1; v <= 8; ++v) {
        const std::string n = std::to_string(v);
        const struct { std::string file, ref; int tolerance; } cases[] = {
            {"orient_" + n + ".jpg", "orient_" + n + ".jpg.ppm", 16},  // fast DCT against the exact one
            {"orient_" + n + ".tif", "orient_" + n + ".tif.ppm", 0},
            {"orient_planes_" + n + ".tif", "orient_" + n + ".tif.ppm", 0},  // rendered by libtiff
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.file);
            Status st;
            Image img = LoadUpright(DataPath(c.file), true, st);
            ASSERT_TRUE(img) << st.error;
            rastertest::ExpectPicture(std::move(img), c.ref, c.tolerance);
        }
    }
}

// The converter turns a photo upright on its way to BMP as a load does, and
// leaves it as stored when asked to.
TEST(Orientation, ConversionToBmpTurnsByTheTag) {
    TempDir dir;
    for (int v : {1, 6, 7}) {
        for (bool autoRotate : {true, false}) {
            SCOPED_TRACE(std::to_string(v) + (autoRotate ? " turned" : " as stored"));
            lg::ConvertOptions opt;
            opt.read.autoRotate = autoRotate;
            std::string message;
            ASSERT_EQ(lg::ConvertFile(DataPath("orient_" + std::to_string(v) + ".jpg"), dir.file("out.bmp"), opt,
                                      &message),
                      lg::ConvertResult::Ok)
                << message;
            Status st;
            rastertest::ExpectPicture(lg::ReadBmp(dir.file("out.bmp"), st),
                                      autoRotate ? "orient_" + std::to_string(v) + ".jpg.ppm" : "orient_plain.jpg.ppm",
                                      16);
        }
    }
}

TEST(Orientation, InteractiveLoadRecordsTheTurn) {
    for (int v : {1, 3, 6, 8}) {
        std::string name = DataPath("orient_" + std::to_string(v) + ".jpg");
        lg::LoadRequest req;
        req.autoRotate = true;
        req.silent = true;
        lg::PictureFacts facts;
        Image img = lg::LoadPicture(name, req, lg::LoadUi(), facts);
        ASSERT_TRUE(img) << facts.messageText;
        EXPECT_EQ(facts.orientation, v);
        EXPECT_EQ(facts.orientationApplied, v == 1 ? 0 : v);
        EXPECT_EQ(facts.width, v >= 5 ? 21 : 37);
        EXPECT_EQ(img.width(), facts.width);
        lg::InfoFacts info;
        info.orientation = facts.orientation;
        info.orientationApplied = facts.orientationApplied;
        auto lines = lg::ImageInfoLines(info);
        EXPECT_EQ(lines.back().text, v == 6   ? "rotated 90 degrees clockwise (tag value 6)"
                                     : v == 8 ? "rotated 90 degrees counter-clockwise (tag value 8)"
                                     : v == 3 ? "rotated 180 degrees (tag value 3)"
                                              : "as stored (tag value 1)");
    }
    EXPECT_EQ(lg::OrientationText(0, 0), "as stored");
}

// Turned off, a JPEG shows its stored rows, and a TIFF is read as it always
// was (only orientation 4 read bottom row first).
TEST(Orientation, OffLeavesThePictureAsStored) {
    for (int v : {1, 3, 6, 8}) {
        Status st;
        rastertest::ExpectPicture(LoadUpright(DataPath("orient_" + std::to_string(v) + ".jpg"), false, st),
                                  "orient_plain.jpg.ppm", 16);
        rastertest::ExpectPicture(LoadUpright(DataPath("orient_" + std::to_string(v) + ".tif"), false, st),
                                  "orient_1.tif.ppm", 0);
    }
    Status st;
    rastertest::ExpectPicture(LoadUpright(DataPath("orient_4.tif"), false, st), "orient_4.tif.ppm", 0);
}

// A JPEG whose Exif block lies, or whose bytes after the picture are
// damaged, loads as stored.
TEST(Orientation, LyingExifInAFileLoadsUnturned) {
    TempDir dir;
    Bytes file = WithExif(ExifBlock(false, {{274, 3, 1, 6}}, 60000));  // IFD far past the end
    file.insert(file.end(), {0xFF, 0xE1, 0xFF});  // a marker cut off after the picture
    WriteBytes(dir.file("lying.jpg"), file);
    Status st;
    Image img = LoadUpright(dir.file("lying.jpg"), true, st);
    ASSERT_TRUE(img) << st.error;
    rastertest::ExpectPicture(std::move(img), "orient_plain.jpg.ppm", 16);
}

#ifndef _WIN32
std::string Convert(const std::string& in, const std::string& out, bool autoRotate, bool grey = false) {
    lg::ConvertOptions opt;
    opt.read.autoRotate = autoRotate;
    opt.save.jpegQuality = 90;
    opt.save.jpegGrayscale = grey;
    std::string message;
    EXPECT_EQ(lg::ConvertFile(in, out, opt, &message), lg::ConvertResult::Ok) << message;
    return message;
}

// A camera photo saved again keeps its maker, its ICC profile byte for byte
// and drops its thumbnail; the orientation says 1 once the pixels stand upright.
TEST(PhotoMetadata, KeptThroughASave) {
    TempDir dir;
    const std::string photo = DataPath("meta_photo.jpg");
    ASSERT_EQ(ExifTool("-s3 -n -Orientation", photo), "6\n");
    ASSERT_NE(ExifTool("-s3 -ThumbnailLength", photo), "");
    const Bytes profile = ReadBytes(DataPath("meta_profile.icc"));

    Status st;
    lg::PictureFacts facts;
    ASSERT_TRUE(lg::LoadQuiet(photo, lg::ReadOptions(), st, &facts)) << st.error;
    EXPECT_EQ(facts.icc, profile) << "two APP2 chunks joined";
    ASSERT_TRUE(lg::IsExifBlock(facts.exif.data(), facts.exif.size()));

    for (bool autoRotate : {true, false}) {
        SCOPED_TRACE(autoRotate);
        const std::string out = dir.file(autoRotate ? "upright.jpg" : "stored.jpg");
        Convert(photo, out, autoRotate);
        EXPECT_EQ(ExifTool("-s3 -n -Orientation", out), autoRotate ? "1\n" : "6\n");
        EXPECT_EQ(ExifTool("-s3 -Make -Model", out), "Lumatest\nCam1\n");
        EXPECT_EQ(ExifTool("-s3 -ThumbnailLength -ThumbnailImage", out), "") << "thumbnail dropped";
        EXPECT_EQ(ExifTool("-s3 -n -ImageWidth", out), autoRotate ? "21\n" : "37\n");
        lg::PictureFacts back;
        ASSERT_TRUE(lg::LoadQuiet(out, lg::ReadOptions(), st, &back));
        EXPECT_EQ(back.icc, profile);
        EXPECT_LT(back.exif.size(), facts.exif.size());
    }

    // A greyscale save keeps the Exif block but not the colour profile; a PNG neither.
    Convert(photo, dir.file("grey.jpg"), true, true);
    EXPECT_EQ(ExifTool("-s3 -Make", dir.file("grey.jpg")), "Lumatest\n");
    lg::PictureFacts grey;
    ASSERT_TRUE(lg::LoadQuiet(dir.file("grey.jpg"), lg::ReadOptions(), st, &grey));
    EXPECT_TRUE(grey.icc.empty());
    Convert(photo, dir.file("photo.png"), true);
    EXPECT_EQ(ExifTool("-s3 -Make", dir.file("photo.png")), "");
}

// A block with one lying entry is not believed (the picture stays as stored)
// and not written again; the picture still is.
TEST(PhotoMetadata, LyingBlockDropped) {
    TempDir dir;
    const Bytes exif = ExifBlock(true, {{274, 3, 1, 6}, {0x010F, 2, 100, 5000}});  // maker text past the end
    WriteBytes(dir.file("lying.jpg"), WithExif(exif));
    EXPECT_EQ(lg::ExifOrientation(exif.data(), exif.size()), 0);
    Convert(dir.file("lying.jpg"), dir.file("out.jpg"), true);
    EXPECT_EQ(ExifTool("-s3 -n -Orientation", dir.file("out.jpg")), "");
    Status st;
    const Image out = LoadUpright(dir.file("out.jpg"), false, st);
    ASSERT_TRUE(out) << st.error;
    EXPECT_EQ(out.width(), 37) << "not turned";
    EXPECT_EQ(out.height(), 21);
}
#endif

}  // namespace
