// Clipboard files, EPS previews, Casio camera files, G3 fax and metafiles.
#include "raster_support.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstring>
#include <set>
#include <string>

#include "formats/fax_g3.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/metafile.h"
#include "formats/save.h"
#include "formats/side_formats.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

Image QuietLoad(const std::string& path, Status& st) { return lg::LoadQuiet(path, {}, st); }

// ---------------------------------------------------------------- clipboard files

// Header, one 89-byte format entry, then the data at offset 93.
Bytes ClpFile(unsigned format, const Bytes& data, unsigned id = 0xC350) {
    ByteWriter w;
    w.le16(id).le16(1).le16(format).le32(uint32_t(data.size())).le32(93);
    w.append(Bytes(79, 0));
    return w.append(data).b;
}

Bytes DibData(int w, int h, int bits, uint32_t colorsUsed, const Bytes& tableAndRows) {
    ByteWriter d;
    d.le32(40).le32(uint32_t(w)).le32(uint32_t(h)).le16(1).le16(unsigned(bits)).le32(0).le32(0).le32(0).le32(0);
    d.le32(colorsUsed).le32(0);
    return d.append(tableAndRows).b;
}

Image ReadClp(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadClipboardFileFrom(in, "t.clp", st);
}

}  // namespace

TEST(ClipboardFile, ReadsBitmapsOfEveryDepth) {
    Status st;
    // 8 bits, a table of 3 colours (colours used 3): the rows follow it directly.
    ByteWriter t8;
    t8.bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});
    t8.bytes({0, 1, 2, 0, 2, 1, 0, 0});
    Image p8 = ReadClp(ClpFile(8, DibData(3, 2, 8, 3, t8.b)), st);
    ASSERT_TRUE(p8) << st.error;
    EXPECT_EQ(p8.bitCount(), 8);
    EXPECT_EQ(p8.row(0)[2], 2);
    EXPECT_EQ(p8.palette()[4 * 2], 255) << "entry 2 is blue";
    // 16 bits 5-5-5 arrive as 24 bits.
    ByteWriter r16;
    r16.le16(0x7C00).le16(0x001F).le16(0x03E0).le16(0);
    Image p16 = ReadClp(ClpFile(8, DibData(3, 1, 16, 0, r16.b)), st);
    ASSERT_TRUE(p16) << st.error;
    EXPECT_EQ(p16.bitCount(), 24);
    EXPECT_EQ((Rgb24(p16, 0, 0)), (std::array<int, 3>{248, 0, 0}));
    EXPECT_EQ((Rgb24(p16, 1, 0)), (std::array<int, 3>{0, 0, 248}));
    EXPECT_EQ((Rgb24(p16, 2, 0)), (std::array<int, 3>{0, 248, 0}));
    // A device bitmap (format 2): rows top first with their own stride.
    ByteWriter ddb;
    ddb.le16(0).le16(10).le16(2).le16(2).u8(1).u8(1).le32(0);
    ddb.bytes({0xFF, 0xC0, 0x00, 0x00});
    Image p1 = ReadClp(ClpFile(2, ddb.b), st);
    ASSERT_TRUE(p1) << st.error;
    EXPECT_EQ(p1.bitCount(), 1);
    EXPECT_EQ(p1.topRow(0)[0], 0xFF);
    EXPECT_EQ(p1.topRow(0)[1], 0xC0);
    EXPECT_EQ(p1.topRow(1)[0], 0x00);
}

TEST(ClipboardFile, RefusalsAndTheirTexts) {
    ByteWriter text;
    text.le16(0xC350).le16(2).le16(1).le32(4).le32(182).append(Bytes(79, 0));
    text.le16(8).le32(48).le32(186).append(Bytes(79, 0)).append(Bytes(4, 'a'));
    text.append(DibData(1, 1, 24, 0, Bytes(4, 0)));
    struct Case {
        const char* what;
        Bytes bytes;
        std::string error;
    } cases[] = {
        {"text first, a bitmap second", text.b, "Unsupported Clipboard type !"},
        {"another identifier", ClpFile(8, DibData(1, 1, 24, 0, Bytes(4, 0)), 0xC351), "This is not a valid Clipboard File !"},
        {"header cut short", Bytes(50, 0), "Can't read file: t.clp"},
        {"rows cut short", ClpFile(8, DibData(8, 8, 24, 0, Bytes(20, 0))), "Can't read file: t.clp"},
        {"run-length data", [] {
             Bytes b = ClpFile(8, DibData(2, 2, 8, 1, Bytes(12, 0)));
             b[93 + 16] = 1;
             return b;
         }(), "Unsupported Clipboard type !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Status st;
        EXPECT_FALSE(ReadClp(c.bytes, st));
        EXPECT_EQ(st.error, c.error);
    }
}

// ---------------------------------------------------------------- EPS and Casio

TEST(SideFormats, EpsPreviewAndCasioThroughTheirReaders) {
    struct Case {
        const char* file;
        int format;
        const char* ref;
        int tolerance;
        const char* info;
    } cases[] = {{"eps_preview.eps", lg::kFormatEps, "eps_preview.ppm", 0, "LZW"},
                 {"cam.cam", lg::kFormatCam, "cam.ppm", 10, "JPEG/JFIF"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(lg::DetectFileFormat(DataPath(c.file)), c.format);
        lg::PictureFacts facts;
        std::string name = DataPath(c.file);
        lg::LoadRequest req;
        req.silent = true;
        req.renameExtension = false;
        Image img = lg::LoadPicture(name, req, lg::LoadUi(), facts);
        ASSERT_TRUE(img) << facts.messageText;
        EXPECT_NE(facts.infoText.find(c.info), std::string::npos) << facts.infoText;
        rastertest::ExpectPicture(std::move(img), c.ref, c.tolerance);
    }
    Status st;
    EXPECT_FALSE(QuietLoad(DataPath("eps_nopreview.eps"), st));
    EXPECT_EQ(st.error, "Sorry, no TIFF preview image in EPS !");
    const Bytes cam = ReadBytes(DataPath("cam.cam"));
    lg::ByteSource shortCam = lg::ByteSource::FromMemory(cam.data(), 40);
    EXPECT_FALSE(lg::ReadCasioFrom(shortCam, lg::ReadOptions(), "x.cam", st));
    EXPECT_EQ(st.error, "Can't read file: x.cam");
}

// ---------------------------------------------------------------- G3 fax

TEST(FaxG3, CodeTablesArePrefixFreePerColour) {
    // A code that is the beginning of another of its colour could never be
    // decoded; a misspelt table row shows up here.
    size_t n = 0;
    const lg::FaxCode* codes = lg::FaxCodes(&n);
    ASSERT_EQ(n, 27u + 64 + 27 + 64 + 13);
    for (bool black : {false, true}) {
        std::vector<std::string> words;
        for (size_t i = 0; i < n; ++i) {
            const bool mine = codes[i].kind == 27 || (black ? codes[i].kind >= 25 : codes[i].kind <= 24);
            if (!mine) continue;
            std::string s;
            for (int b = codes[i].bits - 1; b >= 0; --b) s += char('0' + ((codes[i].code >> b) & 1));
            words.push_back(s);
        }
        for (const std::string& a : words) {
            for (const std::string& b : words) {
                if (&a != &b) {
                    ASSERT_NE(b.compare(0, a.size(), a), 0) << a << " begins " << b;
                }
            }
        }
    }
}

TEST(FaxG3, MatchesNetpbmsDecoder) {
    for (const char* name : {"g3_shapes", "g3_noise", "g3_long"}) {
        SCOPED_TRACE(name);
        Status st;
        Image img = ReadAs(lg::kFormatG3, DataPath(std::string(name) + ".g3"), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(img.bitCount(), 1);
        rastertest::ExpectPicture(std::move(img), std::string(name) + ".ppm");
    }
}

namespace {

// Bits written most significant first.
struct BitWriter {
    Bytes b;
    int used = 8;
    void put(uint32_t code, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used == 8) {
                b.push_back(0);
                used = 0;
            }
            if ((code >> i) & 1) b.back() |= uint8_t(0x80 >> used);
            ++used;
        }
    }
    void eol() { put(1, 12); }
};

Image ReadFax(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadFaxG3From(in, st);
}

}  // namespace

TEST(FaxG3, RowsPagesAndDamage) {
    Status st;
    // Three rows of 1728 white (make-up 1728, terminating 0), then the end of
    // the page (six end-of-line codes).
    BitWriter white;
    white.eol();
    for (int r = 0; r < 3; ++r) {
        white.put(0b010011011, 9);
        white.put(0b00110101, 8);
        white.eol();
    }
    for (int i = 0; i < 5; ++i) white.eol();
    white.put(0b0111, 4);  // anything after the end of the page is not read
    Image img = ReadFax(white.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.width(), 1728);
    EXPECT_EQ(img.height(), 3);
    for (int y = 0; y < 3; ++y)
        for (size_t i = 0; i < 216; ++i) ASSERT_EQ(img.row(y)[i], 0);
    EXPECT_EQ(img.palette()[0], 255) << "entry 0 is white";

    // Short rows, no end of page: 2 white 3 black; then 4 white 2 black with
    // fill bits before the end-of-line code; then a row with a bad code that is
    // abandoned at the next end-of-line code. The picture is as wide as the
    // longest row.
    BitWriter rows;
    rows.eol();
    rows.put(0b0111, 4);
    rows.put(0b10, 2);
    rows.eol();
    rows.put(0b1011, 4);
    rows.put(0b11, 2);
    rows.put(0, 5);
    rows.eol();
    rows.put(0b1111, 4);             // 7 white, ending in a one: the zeros below do not
    rows.put(0b00000000001111, 14);  // reach an end-of-line code, and begin no black code
    rows.put(0b10011, 5);
    rows.eol();
    img = ReadFax(rows.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.width(), 7);
    ASSERT_EQ(img.height(), 3);
    EXPECT_EQ(img.topRow(0)[0], 0x38) << "00111";
    EXPECT_EQ(img.topRow(1)[0], 0x0C) << "000011";
    EXPECT_EQ(img.topRow(2)[0], 0x00) << "7 white, then damage";

    EXPECT_FALSE(ReadFax(Bytes{0xFF, 0xFF, 0xFF}, st)) << "no end-of-line code at all";
}

// ---------------------------------------------------------------- metafiles

TEST(Metafile, SizeArithmetic) {
    uint8_t placeable[22] = {0xD7, 0xCD, 0xC6, 0x9A};
    lg::PutLE16(placeable + 6, uint16_t(-100));
    lg::PutLE16(placeable + 10, 1340);
    lg::PutLE16(placeable + 8, 0);
    lg::PutLE16(placeable + 12, 720);
    lg::PutLE16(placeable + 14, 1440);
    int x = 0, y = 0;
    lg::PlaceableExtents(placeable, x, y);
    EXPECT_EQ(x, 2540);
    EXPECT_EQ(y, 1270);
    lg::PutLE16(placeable + 14, 0);
    lg::PlaceableExtents(placeable, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(lg::NaturalSize(0, 10000, 1024, 320), 320);
    EXPECT_EQ(lg::NaturalSize(500, 10500, 1024, 0), 0);
    EXPECT_EQ(lg::MetafileKind(placeable, sizeof placeable), 2);
}

#ifndef _WIN32
TEST(Metafile, NativeBuildSaysItCannotDrawThem) {
    const char* kNeedsWindows = "Windows metafiles need the Windows version of this program";
    TempDir dir;
    ByteWriter wmf;
    wmf.le16(1).le16(9).le16(0x300).le32(12).le16(0).le32(3).le16(0).le32(3).le16(0);
    WriteBytes(dir.file("a.wmf"), wmf.b);
    lg::PictureFacts facts;
    std::string name = dir.file("a.wmf");
    lg::LoadRequest req;
    req.silent = true;
    EXPECT_FALSE(lg::LoadPicture(name, req, lg::LoadUi(), facts));
    EXPECT_NE(facts.messageText.find(kNeedsWindows), std::string::npos);
    std::string msg;
    EXPECT_FALSE(lg::SaveImage(Image::Create(4, 4, 24, 0), dir.file("a.emf"), {}, &msg));
    EXPECT_EQ(msg, std::string("EMF Save error ! - ") + kNeedsWindows);
}
#else
namespace {

// A red left half and a blue right half on a 100 x 60 window, recorded
// through GDI as an enhanced or a Windows 3.x metafile.
void DrawHalves(HDC dc) {
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
    HGDIOBJ old = SelectObject(dc, red);
    Rectangle(dc, 0, 0, 51, 61);
    SelectObject(dc, blue);
    Rectangle(dc, 50, 0, 101, 61);
    SelectObject(dc, old);
    SelectObject(dc, pen);
    DeleteObject(red);
    DeleteObject(blue);
}

void MakeEmf(const std::string& path) {
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, nullptr);
    DrawHalves(dc);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
}

Bytes MakeWmf(const std::string& path) {
    HDC dc = CreateMetaFileA(path.c_str());
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 100, 60, nullptr);
    DrawHalves(dc);
    DeleteMetaFile(CloseMetaFile(dc));
    return ReadBytes(path);
}

// The 22-byte placeable header for a 100 x 60 box at `inch` units per inch.
Bytes Placeable(const Bytes& wmf, int inch) {
    ByteWriter h;
    h.le32(0x9AC6CDD7).le16(0).le16(0).le16(0).le16(100).le16(60).le16(unsigned(inch)).le32(0);
    unsigned sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= unsigned(h.b[i] | (h.b[i + 1] << 8));
    h.le16(sum);
    return h.append(wmf).b;
}

}  // namespace

TEST(Metafile, KnownShapesDrawnThroughGdi) {
    TempDir dir;
    MakeEmf(dir.file("h.emf"));
    const Bytes wmf = MakeWmf(dir.file("h.wmf"));
    WriteBytes(dir.file("aldus.wmf"), Placeable(wmf, 96));
    struct Case {
        const char* file;
        const char* info;
    } cases[] = {{"h.emf", "Enhanced Windows Metafile"},
                 {"aldus.wmf", "Windows Metafile (Aldus)"},
                 {"h.wmf", "Old Windows Metafile (Win 3.x)"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(lg::DetectFileFormat(dir.file(c.file)), lg::kFormatMetafile);
        Status st;
        Image img = ReadAs(lg::kFormatMetafile, dir.file(c.file), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(st.info, c.info);
        const int w = img.width(), h = img.height();
        EXPECT_GT(w, 20);
        EXPECT_GT(h, 10);
        EXPECT_EQ((Rgb24(img, w / 4, h / 2)), (std::array<int, 3>{255, 0, 0})) << w << "x" << h;
        EXPECT_EQ((Rgb24(img, 3 * w / 4, h / 2)), (std::array<int, 3>{0, 0, 255})) << w << "x" << h;
    }
    // The placeable box of 100 x 60 units at 96 units per inch asks for about
    // 100 x 60 pixels on a 96-dpi reference device.
    Status st;
    Image aldus = ReadAs(lg::kFormatMetafile, dir.file("aldus.wmf"), st);
    ASSERT_TRUE(aldus);
    EXPECT_NEAR(aldus.width(), 100, 4);
    EXPECT_NEAR(aldus.height(), 60, 4);
    WriteBytes(dir.file("bad.wmf"), Bytes{0xD7, 0xCD, 0xC6, 0x9A, 0, 0});
    EXPECT_FALSE(ReadAs(lg::kFormatMetafile, dir.file("bad.wmf"), st));
}

TEST(Metafile, OurEnhancedMetafileReadsBack) {
    TempDir dir;
    Image src = Image::Create(40, 30, 24, 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            uint8_t* p = src.topRow(y) + 3 * x;
            p[0] = uint8_t(x < 20 ? 255 : 0);
            p[1] = uint8_t(y < 15 ? 200 : 40);
            p[2] = 90;
        }
    std::string msg;
    ASSERT_TRUE(lg::SaveImage(src, dir.file("o.emf"), {}, &msg)) << msg;
    EXPECT_EQ(lg::DetectFileFormat(dir.file("o.emf")), lg::kFormatMetafile);
    Status st;
    Image back = ReadAs(lg::kFormatMetafile, dir.file("o.emf"), st);
    ASSERT_TRUE(back) << st.error;
    EXPECT_EQ(st.info, "Enhanced Windows Metafile");
    EXPECT_NEAR(back.width(), 41, 2);
    EXPECT_NEAR(back.height(), 31, 2);
    // Away from the edges the quadrants keep their colours.
    for (auto [x, y] : {std::pair{5, 5}, {30, 5}, {5, 25}, {30, 25}}) {
        auto got = Rgb24(back, x, y);
        auto want = Rgb24(src, x, y);
        EXPECT_EQ(got, want) << x << "," << y;
    }
}
#endif
