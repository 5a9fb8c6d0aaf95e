#include "raster_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/pages.h"
#include "formats/pcx.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

TEST(PcxRead, MatchesIndependentDecoders) {
    // 24 and 8 bits from ImageMagick and netpbm; netpbm's 1 bit, 2 and 4
    // one-bit planes, 2 and 4 bits packed (the last four as 4-bit pictures).
    rastertest::ExpectFilesMatch({"pcx_im24", "pcx_im8", "pcx_np1", "pcx_np24", "pcx_np8", "pcx_planes4",
                                  "pcx_planes2", "pcx_packed4", "pcx_packed2"},
                                 ".pcx", lg::kFormatPcx, [](const std::string&) { return "Run Length Encoding"; });
    rastertest::ExpectConvertsToBmp("pcx_np24.pcx", "pcx_np24.ppm");
}

namespace {

// A 128-byte header; the 16-colour palette is zero unless filled in later.
ByteWriter PcxHead(int bpp, int planes, int width, int height, int bytesPerLine, int version = 5,
                   int encoding = 1) {
    ByteWriter w;
    w.u8(10).u8(unsigned(version)).u8(unsigned(encoding)).u8(unsigned(bpp));
    w.le16(0).le16(0).le16(unsigned(width - 1)).le16(unsigned(height - 1)).le16(0).le16(0);
    w.append(Bytes(48, 0)).u8(0).u8(unsigned(planes)).le16(unsigned(bytesPerLine)).le16(1);
    return w.append(Bytes(58, 0));
}

Image Read(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadPcxFrom(in, 0, b.size(), st);
}

Bytes RowBytes(const Image& img, int topRow, size_t n) {
    return Bytes(img.topRow(topRow), img.topRow(topRow) + n);
}

Bytes Entry(const Image& img, int i) { return Bytes(img.palette() + 4 * i, img.palette() + 4 * i + 3); }

}  // namespace

TEST(PcxRead, DecodingRules) {
    Status st;
    // A run is cut at the line's end; the next line starts with a fresh code.
    Image img = Read(PcxHead(8, 1, 4, 2, 4).bytes({0xC6, 7, 1, 2, 3, 4}).b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(RowBytes(img, 0, 4), (Bytes{7, 7, 7, 7}));
    EXPECT_EQ(RowBytes(img, 1, 4), (Bytes{1, 2, 3, 4}));
    // No 256-colour table at the end: grey levels rather than black.
    EXPECT_EQ(Entry(img, 100), (Bytes{100, 100, 100}));

    // Monochrome files are black and white whatever their header palette says.
    ByteWriter mono = PcxHead(1, 1, 8, 1, 2);
    mono.b[16] = 255;
    mono.b[20] = 255;
    img = Read(mono.bytes({0xF0, 0}).b, st);
    EXPECT_EQ(Entry(img, 0), (Bytes{0, 0, 0}));
    EXPECT_EQ(Entry(img, 1), (Bytes{255, 255, 255}));

    // Version 3 uses the built-in 16-colour table.
    img = Read(PcxHead(4, 1, 2, 1, 2, 3).bytes({0x1F, 0}).b, st);
    EXPECT_EQ(Entry(img, 1), (Bytes{0x07, 0x52, 0x00}));  // blue, green, red of 00 52 07

    // Uncompressed true colour: red, green and blue planes of each line.
    img = Read(PcxHead(8, 3, 2, 1, 2, 5, 0).bytes({10, 11, 20, 21, 30, 31}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(st.info, "None");
    EXPECT_EQ(Rgb24(img, 1, 0), (std::array<int, 3>{11, 21, 31}));

    // Data that ends early: the rows not reached stay zero.
    img = Read(PcxHead(8, 1, 2, 3, 2).bytes({0xC2, 9, 5}).b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(st.error, "");
    EXPECT_EQ(RowBytes(img, 1, 2), (Bytes{5, 0}));
    EXPECT_EQ(RowBytes(img, 2, 2), (Bytes{0, 0}));
}

TEST(PcxRead, RefusesWhatItCannotRead) {
    Status st;
    Bytes wrongMaker = PcxHead(8, 1, 4, 4, 4).b;
    wrongMaker[0] = 11;
    Bytes shortHeader = PcxHead(8, 1, 4, 4, 4).b;
    shortHeader.pop_back();
    for (const Bytes& bad : {wrongMaker, shortHeader, PcxHead(8, 1, 4, 4, 0).b}) {
        EXPECT_FALSE(Read(bad, st));
        EXPECT_EQ(st.error, "Not a valid PCX file");
    }
    EXPECT_FALSE(Read(PcxHead(8, 2, 4, 4, 4).b, st));
    EXPECT_EQ(st.error, "Unsupported PCX format: 8 bits per pixel in 2 planes");
    EXPECT_FALSE(Read(PcxHead(8, 3, 65535, 65535, 65535).b, st));
    EXPECT_EQ(st.error, "The picture is too large !");
}

// ---------------------------------------------------------------- writing

TEST(PcxWrite, RunsHeaderAndPadding) {
    TempDir dir;
    Status st;
    // 200 equal bytes: three runs of 63 and one of 11; a lone 0xC5 needs a count.
    Image img = Image::Create(202, 1, 8, 256);
    std::memset(img.row(0), 5, 200);
    img.row(0)[200] = 0xC5;
    img.row(0)[201] = 7;
    img.setPaletteEntry(5, 1, 2, 3);
    ASSERT_TRUE(lg::SavePcx(dir.file("a.pcx"), img, lg::SaveOptions(), st));
    Bytes f = ReadBytes(dir.file("a.pcx"));
    ASSERT_EQ(f.size(), 128u + 11u + 769u);
    EXPECT_EQ(Bytes(f.begin() + 128, f.begin() + 139), (Bytes{0xFF, 5, 0xFF, 5, 0xFF, 5, 0xCB, 5, 0xC1, 0xC5, 7}));
    EXPECT_EQ(f[139], 12);
    EXPECT_EQ(Bytes(f.begin() + 140 + 15, f.begin() + 140 + 18), (Bytes{1, 2, 3}));

    // 24 bits, 3 pixels: 8 bits in 3 planes of 4 bytes, each padded with a zero.
    Image rgb = Image::Create(3, 1, 24, 0);
    for (int x = 0; x < 3; ++x) {
        rgb.row(0)[3 * x] = uint8_t(30 + x);      // blue
        rgb.row(0)[3 * x + 1] = uint8_t(20 + x);  // green
        rgb.row(0)[3 * x + 2] = uint8_t(10 + x);  // red
    }
    ASSERT_TRUE(lg::SavePcx(dir.file("b.pcx"), rgb, lg::SaveOptions(), st));
    f = ReadBytes(dir.file("b.pcx"));
    ASSERT_EQ(f.size(), 128u + 12u);
    EXPECT_EQ((Bytes{f[0], f[1], f[2], f[3], f[65], f[66], f[67]}), (Bytes{10, 5, 1, 8, 3, 4, 0}));
    EXPECT_EQ(Bytes(f.begin() + 128, f.end()), (Bytes{10, 11, 12, 0, 20, 21, 22, 0, 30, 31, 32, 0}));
}

TEST(PcxWrite, RoundTripsEveryDepth) {
    TempDir dir;
    // 24, 8, 4 and 1 bits; a bitmap whose 0 is white is written with black as 0.
    const std::pair<const char*, const char*> cases[] = {{"pcx_np24.pcx", "pcx_np24.ppm"}, {"pcx_np8.pcx", "pcx_np8.ppm"},
        {"pcx_planes4.pcx", "pcx_planes4.ppm"}, {"pcx_np1.pcx", "pcx_np1.ppm"}, {"pnm_raw.pbm", "pnm_bw.ref.ppm"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        Status st;
        Image img = lg::LoadQuiet(DataPath(c.first), {}, st);
        ASSERT_TRUE(img) << st.error;
        const std::string out = dir.file(std::string(c.first) + ".pcx");
        ASSERT_TRUE(lg::SavePcx(out, img, lg::SaveOptions(), st));
        rastertest::ExpectPicture(ReadAs(lg::kFormatPcx, out, st), c.second);
    }
#ifndef _WIN32
    // ImageMagick reads what was written.
    const std::string theirs = dir.file("theirs.ppm");
    ASSERT_EQ(std::system(("convert '" + dir.file("pcx_np24.pcx.pcx") + "' -depth 8 ppm:'" + theirs + "'").c_str()), 0);
    Ppm ppm, ref;
    ASSERT_TRUE(ReadPpm(theirs, ppm));
    ASSERT_TRUE(ReadPpm(DataPath("pcx_np24.ppm"), ref));
    EXPECT_TRUE(ppm.rgb == ref.rgb);
#endif
}

// ---------------------------------------------------------------- DCX

TEST(Dcx, PageTableAndPages) {
    // Offsets in entries 0, 1 and 5: three pages.
    ByteWriter f;
    f.le32(lg::kDcxMagic);
    Bytes page = PcxHead(8, 1, 2, 1, 2).bytes({0xC2, 3}).b;
    const uint32_t first = lg::kDcxFirstPageOffset;
    const uint32_t offsets[1024] = {first, first + uint32_t(page.size()), 0, 0, 0,
                                    first + 2 * uint32_t(page.size())};
    for (uint32_t o : offsets) f.le32(o);
    for (int i = 0; i < 3; ++i) f.append(page);
    lg::ByteSource in = lg::ByteSource::FromMemory(f.b.data(), f.b.size());
    EXPECT_EQ(lg::ReadDcxPageTable(in).size(), 3u);
    f.b[0] ^= 1;
    lg::ByteSource wrong = lg::ByteSource::FromMemory(f.b.data(), f.b.size());
    EXPECT_TRUE(lg::ReadDcxPageTable(wrong).empty());

    // ImageMagick's pages each carry their own 256-colour table.
    const std::string path = DataPath("pcx_pages.dcx");
    Status st;
    lg::PictureFacts facts;
    Image img = ReadAs(lg::kFormatDcx, path, st, lg::ReadOptions(), &facts);
    ASSERT_TRUE(img) << st.error;
    EXPECT_TRUE(facts.multipage);
    ASSERT_EQ(facts.pageCount, 3);
    ASSERT_EQ(facts.pageOffsets.size(), 3u);
    rastertest::ExpectPicture(std::move(img), "pcx_pages_0.ppm");
    // The page commands read the others.
    Image next = lg::TurnPage(path, lg::kFormatDcx, lg::PageCommand::Next, facts, st);
    EXPECT_EQ(facts.currentPage, 1);
    rastertest::ExpectPicture(std::move(next), "pcx_pages_1.ppm");
    rastertest::ExpectPicture(lg::TurnPage(path, lg::kFormatDcx, lg::PageCommand::Last, facts, st),
                              "pcx_pages_2.ppm");
    // The dispatcher counts the pages in the info text.
    std::string name = path;
    lg::LoadRequest req;
    req.silent = true;
    ASSERT_TRUE(lg::LoadPicture(name, req, lg::LoadUi(), facts));
    EXPECT_EQ(facts.infoText, "Run Length Encoding - 3 pages");
    // The quiet loader and convert mode read the first page.
    rastertest::ExpectPicture(lg::LoadQuiet(path, {}, st), "pcx_pages_0.ppm");
    rastertest::ExpectConvertsToBmp("pcx_pages.dcx", "pcx_pages_0.ppm");
}
