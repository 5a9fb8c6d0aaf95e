#include "support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "core/convert.h"
#include "formats/convert_file.h"
#include "formats/pnm.h"

using lg::Image;
using lg::PnmKind;
using lg::Status;
using namespace lgtest;

// Comparison helpers shared by the raster format tests (PCX, Targa, Sun
// raster, Photoshop, IFF and these).
namespace rastertest {

// Compares a picture of any depth, expanded to 24 bits, with a reference
// PPM of the test data; each channel may be off by `tolerance`.
void ExpectPicture(Image img, const std::string& refName, int tolerance = 0);
// Converts a test picture to BMP as the command line does and compares the
// BMP file with the reference.
void ExpectConvertsToBmp(const std::string& name, const std::string& refName, int tolerance = 0);

void ExpectPicture(Image img, const std::string& refName, int tolerance) {
    Ppm ref;
    ASSERT_TRUE(ReadPpm(DataPath(refName), ref)) << "missing reference " << DataPath(refName);
    ASSERT_TRUE(img);
    img = lg::ExpandTo24(lg::WidenToWorkingDepth(std::move(img)));
    ASSERT_TRUE(img);
    ASSERT_EQ(img.width(), ref.width);
    ASSERT_EQ(img.height(), ref.height);
    int bad = 0;
    std::string first;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            auto got = Rgb24(img, x, y);
            const uint8_t* want = ref.at(x, y);
            bool same = true;
            for (int c = 0; c < 3; ++c) same = same && std::abs(got[c] - want[c]) <= tolerance;
            if (!same && bad++ == 0)
                first = "pixel " + std::to_string(x) + "," + std::to_string(y) + ": got " +
                        std::to_string(got[0]) + " " + std::to_string(got[1]) + " " + std::to_string(got[2]) +
                        ", want " + std::to_string(want[0]) + " " + std::to_string(want[1]) + " " +
                        std::to_string(want[2]);
        }
    EXPECT_EQ(bad, 0) << refName << ": " << first;
}

void ExpectConvertsToBmp(const std::string& name, const std::string& refName, int tolerance) {
    TempDir dir;
    std::string msg;
    ASSERT_EQ(lg::ConvertFile(DataPath(name), dir.file("out.bmp"), &msg), lg::ConvertResult::Ok) << msg;
    Status st;
    ExpectPicture(lg::ReadBmp(dir.file("out.bmp"), st), refName, tolerance);
}

}  // namespace rastertest

using rastertest::ExpectPicture;

namespace {

Image ReadText(const std::string& text, PnmKind kind, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return lg::ReadPnmFrom(in, kind, st);
}

}  // namespace

TEST(PnmRead, MatchesNetpbm) {
    const struct {
        const char* name;
        PnmKind kind;
        const char* ref;
        int depth;
    } cases[] = {
        {"pnm_raw.ppm", PnmKind::Ppm, "pnm_plain.ref.ppm", 24},
        {"pnm_plain.ppm", PnmKind::Ppm, "pnm_plain.ref.ppm", 24},
        {"pnm_raw.pgm", PnmKind::Pgm, "pnm_grey.ref.ppm", 8},
        {"pnm_plain.pgm", PnmKind::Pgm, "pnm_grey.ref.ppm", 8},
        {"pnm_raw.pbm", PnmKind::Pbm, "pnm_bw.ref.ppm", 1},
        {"pnm_plain.pbm", PnmKind::Pbm, "pnm_bw.ref.ppm", 1},
        // Samples are scaled from their maximum to 255, not shown as they stand.
        {"pnm_max15.ppm", PnmKind::Ppm, "pnm_max15.ref.ppm", 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Status st;
        Image img = lg::ReadPnm(DataPath(c.name), c.kind, st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(st.error, "");
        EXPECT_EQ(img.bitCount(), c.depth);
        ExpectPicture(std::move(img), c.ref);
    }
    rastertest::ExpectConvertsToBmp("pnm_plain.pgm", "pnm_grey.ref.ppm");
    rastertest::ExpectConvertsToBmp("pnm_raw.pbm", "pnm_bw.ref.ppm");
}

TEST(PnmRead, HeaderRules) {
    Status st;
    // Comments anywhere in the header, even right behind a number.
    Image img = ReadText("P2\n# made by hand\n3 # width\n# height next\n1\n255\n0 128 255\n", PnmKind::Pgm, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.width(), 3);
    EXPECT_EQ(img.row(0)[1], 128);

    EXPECT_TRUE(ReadText("P5 1 1 2\n\x02", PnmKind::Pgm, st));
    EXPECT_EQ(ReadText("P5 1 1 2\n\x02", PnmKind::Pgm, st).row(0)[0], 255);  // 2 of 2 is white
    for (const char* bad : {"P5 1 1 256\nx", "P5 1 1 1\nx", "P5 0 1 255\nx", "P5 1\n", "P6 1 1 255\nxyz",
                            "P5 x 1 255\n", "P5 99999999999 1 255\n"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ReadText(bad, PnmKind::Pgm, st));
        EXPECT_EQ(st.error, "Not a valid PGM file, can't read header");
    }
    EXPECT_FALSE(ReadText("P1 1 1 1", PnmKind::Ppm, st));
    EXPECT_EQ(st.error, "Not a valid PPM file, can't read header");
    EXPECT_FALSE(ReadText("P6 70000 70000 255\n", PnmKind::Ppm, st));
    EXPECT_EQ(st.error, "Can't allocate memory");
    EXPECT_FALSE(lg::ReadPnm("/nonexistent/x.pbm", PnmKind::Pbm, st));
    EXPECT_EQ(st.error, "Can't open file: /nonexistent/x.pbm");
}

TEST(PnmRead, SamplesAndShortData) {
    Status st;
    // A plain row of width 5 packs into one byte; each row starts a new byte.
    Image bits = ReadText("P1 5 2\n1 0 1 1 0\n11111", PnmKind::Pbm, st);
    ASSERT_TRUE(bits);
    EXPECT_EQ(bits.topRow(0)[0], 0xB0);
    EXPECT_EQ(bits.topRow(1)[0], 0xF8);
    // A raw PBM 10 pixels wide has 2 bytes per row.
    Image raw = ReadText(std::string("P4 10 2\n\xFF\xC0\x01\x40", 12), PnmKind::Pbm, st);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw.topRow(1)[0], 0x01);
    EXPECT_EQ(raw.topRow(1)[1], 0x40);
    // A sample above the maximum counts as the maximum.
    Image colour = ReadText("P3 2 1 255 300 0 7 # comment\n 1 2 3", PnmKind::Ppm, st);
    ASSERT_TRUE(colour);
    EXPECT_EQ(Rgb24(colour, 0, 0), (std::array<int, 3>{255, 0, 7}));
    EXPECT_EQ(Rgb24(colour, 1, 0), (std::array<int, 3>{1, 2, 3}));
    // Data that ends early leaves the rest zero.
    Image cut = ReadText("P5 4 2 255\nabcde", PnmKind::Pgm, st);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut.topRow(1)[0], 'e');
    EXPECT_EQ(cut.topRow(1)[1], 0);
    Image cutText = ReadText("P2 2 2 255 9 8 7", PnmKind::Pgm, st);
    ASSERT_TRUE(cutText);
    EXPECT_EQ(cutText.topRow(1)[0], 7);
    EXPECT_EQ(cutText.topRow(1)[1], 0);
    // Fewer levels than 255 are spread over the whole range.
    Image dark = ReadText(std::string("P5 4 2 15\n") + std::string(8, '\x0F'), PnmKind::Pgm, st);
    ASSERT_TRUE(dark);
    EXPECT_EQ(dark.row(0)[3], 255);
}
