#include "raster_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "formats/pnm.h"

using lg::Image;
using lg::PnmKind;
using lg::Status;
using namespace lgtest;

using rastertest::ExpectPicture;

namespace {

Image ReadText(const std::string& text, PnmKind kind, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return lg::ReadPnmFrom(in, kind, st);
}

}  // namespace

TEST(PnmRead, MatchesNetpbm) {
    // Raw and plain files of each kind; a maximum of 15 is scaled to 255.
    const std::pair<const char*, const char*> cases[] = {
        {"pnm_raw.ppm", "pnm_plain.ref.ppm"}, {"pnm_plain.ppm", "pnm_plain.ref.ppm"}, {"pnm_raw.pgm", "pnm_grey.ref.ppm"},
        {"pnm_plain.pgm", "pnm_grey.ref.ppm"}, {"pnm_raw.pbm", "pnm_bw.ref.ppm"}, {"pnm_plain.pbm", "pnm_bw.ref.ppm"},
        {"pnm_max15.ppm", "pnm_max15.ref.ppm"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const std::string ending = std::string(c.first).substr(std::string(c.first).size() - 3);
        const PnmKind kind = ending == "ppm" ? PnmKind::Ppm : ending == "pgm" ? PnmKind::Pgm : PnmKind::Pbm;
        const int format = kind == PnmKind::Ppm ? lg::kFormatPpm : kind == PnmKind::Pgm ? lg::kFormatPgm : lg::kFormatPbm;
        Status st;
        Image img = ReadAs(format, DataPath(c.first), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(img.bitCount(), kind == PnmKind::Ppm ? 24 : kind == PnmKind::Pgm ? 8 : 1);
        ExpectPicture(std::move(img), c.second);
    }
    rastertest::ExpectConvertsToBmp("pnm_plain.pgm", "pnm_grey.ref.ppm");
}

TEST(PnmRead, HeadersSamplesAndShortData) {
    Status st;
    // Comments anywhere in the header, even right behind a number; 2 of a
    // maximum of 2 is white.
    Image img = ReadText("P2\n# made by hand\n3 # width\n# height next\n1\n2\n0 1 2\n", PnmKind::Pgm, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Bytes(img.row(0), img.row(0) + 3), (Bytes{0, 128, 255}));
    for (const char* bad : {"P5 1 1 256\nx", "P5 1 1 1\nx", "P5 0 1 255\nx", "P5 1\n", "P6 1 1 255\nxyz",
                            "P5 4294967300 1 255\n"}) {
        EXPECT_FALSE(ReadText(bad, PnmKind::Pgm, st)) << bad;
        EXPECT_EQ(st.error, "Not a valid PGM file, can't read header");
    }
    EXPECT_FALSE(ReadText("P6 70000 70000 255\n", PnmKind::Ppm, st));
    EXPECT_EQ(st.error, "The picture is too large !");

    // A plain row of width 5 packs into one byte; each row starts a new byte.
    img = ReadText("P1 5 2\n1 0 1 1 0\n11111", PnmKind::Pbm, st);
    EXPECT_EQ((Bytes{img.topRow(0)[0], img.topRow(1)[0]}), (Bytes{0xB0, 0xF8}));
    // A sample above the maximum counts as the maximum.
    img = ReadText("P3 2 1 255 300 0 7 # comment\n 1 2 3", PnmKind::Ppm, st);
    EXPECT_EQ(Rgb24(img, 0, 0), (std::array<int, 3>{255, 0, 7}));
    EXPECT_EQ(Rgb24(img, 1, 0), (std::array<int, 3>{1, 2, 3}));
    // Data that ends early leaves the rest zero.
    img = ReadText("P5 4 2 255\nabcde", PnmKind::Pgm, st);
    EXPECT_EQ(Bytes(img.topRow(1), img.topRow(1) + 2), (Bytes{'e', 0}));
    img = ReadText("P2 2 2 255 9 8 7", PnmKind::Pgm, st);
    EXPECT_EQ(Bytes(img.topRow(1), img.topRow(1) + 2), (Bytes{7, 0}));
}
