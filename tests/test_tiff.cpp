// TIFF: every reading route against reference pictures, hand-made files for
// the colour tables and page chains, the page commands, the writer's seven
// compressions read back by us (and by ImageMagick natively), and hostile files.
#include "support.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "core/convert.h"
#include "formats/convert_file.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/pages.h"
#include "formats/save.h"
#include "formats/tiff.h"
#include "platform/platform.h"
#include "settings/settings.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

// ---- hand-made files -------------------------------------------------------

enum : uint16_t { kShort = 3, kLong = 4, kRational = 5 };
struct Tag {
    uint16_t id, type;
    std::vector<uint32_t> values;  // a rational is two values
};
struct Dir {
    std::vector<Tag> tags;
    Bytes pixels;
};

size_t ValueBytes(const Tag& t) { return t.values.size() * (t.type == kShort ? 2 : 4); }

void PutValues(ByteWriter& w, const Tag& t) {
    for (uint32_t v : t.values) t.type == kShort ? w.le16(v) : w.le32(v);
}

// A little-endian TIFF: per directory its long values, the directory, then
// its one strip. `loopTo` >= 0 links the last directory back to that one.
Bytes BuildTiff(const std::vector<Dir>& dirs, std::vector<uint32_t>* offsets = nullptr, int loopTo = -1) {
    ByteWriter w;
    w.bytes({'I', 'I'}).le16(42).le32(0);
    size_t linkAt = 4;
    std::vector<uint32_t> dirAt;
    for (const Dir& d : dirs) {
        std::vector<Tag> tags = d.tags;
        tags.push_back({273, kLong, {0}});
        tags.push_back({279, kLong, {uint32_t(d.pixels.size())}});
        std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.id < b.id; });
        std::vector<uint32_t> valueAt(tags.size(), 0);
        for (size_t i = 0; i < tags.size(); ++i)
            if (ValueBytes(tags[i]) > 4) {
                valueAt[i] = uint32_t(w.b.size());
                PutValues(w, tags[i]);
            }
        const uint32_t at = uint32_t(w.b.size());
        dirAt.push_back(at);
        lg::PutLE32(&w.b[linkAt], at);
        const uint32_t stripAt = at + 2 + 12 * uint32_t(tags.size()) + 4;
        w.le16(unsigned(tags.size()));
        for (size_t i = 0; i < tags.size(); ++i) {
            Tag& t = tags[i];
            if (t.id == 273) t.values[0] = stripAt;
            w.le16(t.id).le16(t.type).le32(uint32_t(t.type == kRational ? t.values.size() / 2 : t.values.size()));
            if (valueAt[i]) {
                w.le32(valueAt[i]);
            } else {
                size_t start = w.b.size();
                PutValues(w, t);
                while (w.b.size() < start + 4) w.u8(0);
            }
        }
        linkAt = w.b.size();
        w.le32(0);
        w.append(d.pixels);
    }
    if (loopTo >= 0) lg::PutLE32(&w.b[linkAt], dirAt[size_t(loopTo)]);
    if (offsets) *offsets = dirAt;
    return w.b;
}

// One uncompressed strip of `samples` x `bits` pixels.
Dir Plain(uint32_t w, uint32_t h, unsigned bits, unsigned photometric, Bytes pixels, unsigned samples = 1) {
    std::vector<uint32_t> perSample(samples, bits);
    return Dir{{{256, kLong, {w}},
                {257, kLong, {h}},
                {258, kShort, perSample},
                {259, kShort, {1}},
                {262, kShort, {photometric}},
                {277, kShort, {samples}},
                {278, kLong, {h}}},
               std::move(pixels)};
}

Image ReadMem(const Bytes& file, Status& st, uint32_t offset = 0) {
    lg::ByteSource in = lg::ByteSource::FromMemory(file.data(), file.size());
    return lg::ReadTiffFrom(in, offset, st);
}

std::array<int, 3> Entry(const Image& img, int i) {
    const uint8_t* e = img.palette() + 4 * i;
    return {e[2], e[1], e[0]};
}

// ---- comparing with references ---------------------------------------------

Image To24(const Image& img) { return lg::ExpandTo24(lg::WidenToWorkingDepth(img.Duplicate())); }

// Largest channel difference from the reference, or -1 when sizes differ.
int MaxDifference(const Image& img, const Ppm& ref) {
    Image rgb = To24(img);
    if (!rgb || rgb.width() != ref.width || rgb.height() != ref.height) return -1;
    int worst = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            auto got = Rgb24(rgb, x, y);
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(got[c] - ref.at(x, y)[c]));
        }
    return worst;
}

void ExpectLooksLike(const Image& img, const std::string& ppm, int tolerance = 0) {
    Ppm ref;
    ASSERT_TRUE(ReadPpm(DataPath(ppm), ref)) << "missing " << DataPath(ppm);
    ASSERT_TRUE(img);
    int diff = MaxDifference(img, ref);
    EXPECT_GE(diff, 0) << "size differs from " << ppm;
    EXPECT_LE(diff, tolerance) << "against " << ppm;
}

Image ReadData(const std::string& name, Status& st) { return lg::ReadTiff(DataPath(name), 0, st); }

bool SameLook(const Image& a, const Image& b, int tolerance = 0) {
    Image x = To24(a), y = To24(b);
    if (!x || !y || x.width() != y.width() || x.height() != y.height()) return false;
    for (int r = 0; r < x.height(); ++r)
        for (int i = 0; i < 3 * x.width(); ++i)
            if (std::abs(x.row(r)[i] - y.row(r)[i]) > tolerance) return false;
    return true;
}

// A generated file, what it shows, and what the reader makes of it.
struct Expected {
    const char *file, *ppm;
    int depth;
    const char* info = nullptr;  // null: not checked
    int tolerance = 0;
};

void ExpectReads(const Expected& c) {
    SCOPED_TRACE(c.file);
    Status st;
    Image img = ReadData(c.file, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(st.error, "");
    EXPECT_EQ(img.bitCount(), c.depth);
    if (c.info) {
        EXPECT_EQ(st.info, c.info);
    }
    ExpectLooksLike(img, c.ppm, c.tolerance);
}

// ---- the reader on files made by other programs ----------------------------

TEST(TiffReader, CompressionsMatchTheirReferenceAndNameThemselves) {
    const Expected cases[] = {
        {"tif_rgb.tif", "tif_src.ppm", 24, "None"},
        {"tif_lzw.tif", "tif_src.ppm", 24, "LZW"},
        {"tif_packbits.tif", "tif_src.ppm", 24, "Macintosh Packbits"},
        {"tif_zip.tif", "tif_src.ppm", 24, "ZIP (in TIFF)"},
        {"tif_zip_old.tif", "tif_src.ppm", 24, "ZIP (in TIFF)"},
        {"tif_big_lzw.tif", "tif_big.ppm", 24, "LZW"},
        {"tif_g3.tif", "tif_bw.ppm", 1, "Group 3 Fax Encoding"},
        {"tif_g4.tif", "tif_bw.ppm", 1, "Group 4 Fax Encoding"},
        // Lossy: within a little of ImageMagick's own decoding.
        {"tif_jpeg.tif", "tif_jpeg.ppm", 24, "JPEG (in TIFF)", 3},
        {"tif_jpeg_rgb.tif", "tif_jpeg_rgb.ppm", 24, "JPEG (in TIFF)", 3},
    };
    for (const Expected& c : cases) ExpectReads(c);
}

TEST(TiffReader, TilesPlanesAndBottomUpRowsComeOutUpright) {
    const Expected cases[] = {
        {"tif_tiled.tif", "tif_big.ppm", 24},
        {"tif_planar.tif", "tif_big.ppm", 24},
        {"tif_orient4.tif", "tif_orient4.ppm", 24},
        {"tif_tiled_orient4.tif", "tif_big_flipped.ppm", 24},
        {"tif_planar_orient4.tif", "tif_big_flipped.ppm", 24},
    };
    for (const Expected& c : cases) ExpectReads(c);
}

TEST(TiffReader, SixteenBitSamplesAndAlphaBecomeEightBitPictures) {
    const Expected cases[] = {
        {"tif_rgb16.tif", "tif_src.ppm", 24},
        {"tif_grey16.tif", "tif_grey.ppm", 8},
        {"tif_grey_alpha.tif", "tif_grey.ppm", 8},
        {"tif_grey_alpha16.tif", "tif_grey.ppm", 8},
        {"tif_grey_miw.tif", "tif_grey_miw.ppm", 8},
        {"tif_rgba.tif", "tif_src.ppm", 32},  // the alpha byte is dropped by the widening
    };
    for (const Expected& c : cases) ExpectReads(c);
}

TEST(TiffReader, PalettesAndBilevelPictures) {
    const Expected cases[] = {
        {"tif_pal2.tif", "tif_pal2.ppm", 1},  // two colours of a colour map, not black and white
        {"tif_pal16.tif", "tif_pal16.ppm", 4},
        {"tif_pal256.tif", "tif_pal256.ppm", 8},
        {"tif_bw.tif", "tif_bw.ppm", 1},
        {"tif_bw_miw.tif", "tif_bw.ppm", 1},
    };
    for (const Expected& c : cases) ExpectReads(c);
    // A fax keeps black at index 0.
    Status st;
    Image fax = ReadData("tif_g4.tif", st);
    ASSERT_TRUE(fax);
    EXPECT_EQ(Entry(fax, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(Entry(fax, 1), (std::array<int, 3>{255, 255, 255}));
}

TEST(TiffReader, CmykFromImageMagickIsReadAsFourBytePixels) {
    Status st;
    Image img = ReadData("tif_cmyk.tif", st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.bitCount(), 32);
    EXPECT_EQ(img.width(), 37);
    EXPECT_EQ(img.height(), 21);
    // The yellow rectangle: no blue, red and green nearly full.
    Image rgb = To24(img);
    auto p = Rgb24(rgb, 10, 5);
    EXPECT_GT(p[0], 200);
    EXPECT_GT(p[1], 200);
    EXPECT_LT(p[2], 40);
}

// ---- colour tables and pixel layouts, file by hand --------------------------

TEST(TiffReader, GreyTablesFollowThePhotometricInterpretation) {
    Status st;
    Image white = ReadMem(BuildTiff({Plain(2, 1, 4, 0, {0x0F})}), st);
    ASSERT_TRUE(white) << st.error;
    Image black = ReadMem(BuildTiff({Plain(2, 1, 4, 1, {0x0F})}), st);
    ASSERT_TRUE(black) << st.error;
    ASSERT_EQ(white.colorsUsed(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Entry(white, i)[0], 255 - 17 * i);
        EXPECT_EQ(Entry(black, i)[1], 17 * i);
    }
    EXPECT_EQ(white.row(0)[0], 0x0F);  // pixels as stored

    // Two-bit grey has no DIB of its own: it becomes 4-bit with four entries.
    Image two = ReadMem(BuildTiff({Plain(5, 1, 2, 1, {0x1B, 0x00})}), st);
    ASSERT_TRUE(two) << st.error;
    EXPECT_EQ(two.bitCount(), 4);
    EXPECT_EQ(two.colorsUsed(), 4u);
    EXPECT_EQ(Entry(two, 2)[0], 170);
    EXPECT_EQ(two.row(0)[0], 0x01);
    EXPECT_EQ(two.row(0)[1], 0x23);
    EXPECT_EQ(two.row(0)[2], 0x00);
}

TEST(TiffReader, BilevelMinIsWhiteIsNormalisedWithoutChangingThePicture) {
    Status st;
    // Three pixels: black, white, black (1 is black in min-is-white).
    Image img = ReadMem(BuildTiff({Plain(3, 1, 1, 0, {0xA0})}), st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(Entry(img, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(Entry(img, 1), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(img.row(0)[0], 0x40);  // the bits past the width stay clear
    EXPECT_EQ(img.row(0)[1], 0);
}

TEST(TiffReader, ColourMapsOfEightAndSixteenBitValues) {
    std::vector<uint32_t> narrow, wide;
    for (uint32_t c = 0; c < 3; ++c)
        for (uint32_t i = 0; i < 16; ++i) narrow.push_back(c == 0 ? i * 10 : c == 1 ? 255 - i : 7);
    wide = narrow;
    wide[0] = 65535;       // red of entry 0
    wide[16 + 1] = 32768;  // green of entry 1
    Dir a = Plain(2, 1, 4, 3, {0x12});
    a.tags.push_back({320, kShort, narrow});
    Dir b = Plain(2, 1, 4, 3, {0x12});
    b.tags.push_back({320, kShort, wide});
    Status st;
    Image small = ReadMem(BuildTiff({a}), st);
    ASSERT_TRUE(small) << st.error;
    EXPECT_EQ(Entry(small, 3), (std::array<int, 3>{30, 252, 7}));
    Image scaled = ReadMem(BuildTiff({b}), st);
    ASSERT_TRUE(scaled) << st.error;
    EXPECT_EQ(Entry(scaled, 0)[0], 255);
    EXPECT_EQ(Entry(scaled, 1)[1], 127);
    EXPECT_EQ(Entry(scaled, 3), (std::array<int, 3>{0, 0, 0}));  // small values shrink to nothing
}

TEST(TiffReader, CmykPixelsAndTheirLimits) {
    Status st;
    Image img = ReadMem(BuildTiff({Plain(2, 1, 8, 5, {10, 20, 30, 40, 200, 100, 50, 100}, 4)}), st);
    ASSERT_TRUE(img) << st.error;
    ASSERT_EQ(img.bitCount(), 32);
    const uint8_t* p = img.row(0);
    EXPECT_EQ((Bytes{p[0], p[1], p[2], p[3]}), (Bytes{185, 195, 205, 0}));
    EXPECT_EQ((Bytes{p[4], p[5], p[6], p[7]}), (Bytes{105, 55, 0, 0}));

    Image low = ReadMem(BuildTiff({Plain(2, 1, 4, 5, {0x12, 0x34, 0x56, 0x78}, 4)}), st);
    EXPECT_FALSE(low);
    EXPECT_EQ(st.error, "Unsupported color type");
}

TEST(TiffReader, OrientationResolutionAndRefusals) {
    Status st;
    Dir up = Plain(1, 2, 8, 1, {10, 200});
    up.tags.push_back({274, kShort, {4}});
    up.tags.push_back({282, kRational, {729, 10}});
    up.tags.push_back({283, kRational, {300, 1}});
    Image img = ReadMem(BuildTiff({up}), st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.row(0)[0], 10);  // the file's first row is the bottom one
    EXPECT_EQ(img.topRow(0)[0], 200);
    EXPECT_EQ(img.xResolution(), 72);
    EXPECT_EQ(img.yResolution(), 300);

    Dir old = Plain(8, 8, 8, 1, Bytes(64, 1));
    old.tags[3].values[0] = 6;
    EXPECT_FALSE(ReadMem(BuildTiff({old}), st));
    EXPECT_EQ(st.error, "Sorry, the Old JPEG-Compression is not supported !");
    EXPECT_EQ(st.info, "Old JPEG (in TIFF)");

    Image huge = ReadMem(BuildTiff({Plain(200000, 200000, 8, 1, Bytes(16, 0))}), st);
    EXPECT_FALSE(huge);
    EXPECT_EQ(st.error, "Can't allocate memory");

    EXPECT_FALSE(lg::ReadTiff(DataPath("no-such-file.tif"), 0, st));
    EXPECT_EQ(st.error, "This is not a valid TIFF File !");
    EXPECT_FALSE(ReadMem(Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}, st));
    EXPECT_EQ(st.error, "This is not a valid TIFF File !");
}

// ---- hostile files -----------------------------------------------------------

TEST(TiffReader, TruncatedFileKeepsTheRowsReadAndSaysSo) {
    // One strip of 50 rows, which libtiff reads in pieces of a few rows.
    Bytes pixels(1000 * 50);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(1 + i % 200);
    Bytes file = BuildTiff({Plain(1000, 50, 8, 1, pixels)});
    file.resize(file.size() - 1000 * 30);  // twenty rows left
    Status st;
    Image img = ReadMem(file, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(st.error.rfind("Can't read from file", 0), 0u) << st.error;
    EXPECT_EQ(img.topRow(0)[0], 1);
    EXPECT_EQ(img.topRow(49)[0], 0);  // never read: black
}

TEST(TiffReader, DamagedFilesNeverCrashAndExplainFailures) {
    for (const char* name : {"tif_lzw.tif", "tif_g4.tif", "tif_jpeg.tif", "tif_zip.tif", "tif_tiled.tif",
                             "tif_planar.tif", "tif_pages3.tif"}) {
        const Bytes whole = ReadBytes(DataPath(name));
        ASSERT_FALSE(whole.empty()) << name;
        for (size_t cut = 0; cut < whole.size(); cut += 1 + whole.size() / 23) {
            Bytes part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
            Status st;
            if (!ReadMem(part, st)) {
                EXPECT_NE(st.error, "") << name << " cut at " << cut;
            }
        }
        uint32_t seed = 99;
        for (int round = 0; round < 20; ++round) {
            Bytes bad = whole;
            for (int k = 0; k < 6; ++k) {
                seed = seed * 1664525u + 1013904223u;
                bad[8 + (seed >> 8) % (bad.size() - 8)] ^= uint8_t(seed >> 24 | 1);
            }
            Status st;
            if (!ReadMem(bad, st)) {
                EXPECT_NE(st.error, "") << name << " round " << round;
            }
        }
    }
}

TEST(TiffReader, LibraryMessagesStayOffTheConsole) {
    Bytes file = ReadBytes(DataPath("tif_lzw.tif"));
    ASSERT_FALSE(file.empty());
    file.resize(file.size() / 2);  // directory gone: libtiff complains
    Bytes strip = BuildTiff({Plain(40, 30, 8, 1, Bytes(40 * 30, 5))});
    strip.resize(strip.size() - 600);
    testing::internal::CaptureStderr();
    Status st1, st2, st3;
    ReadMem(file, st1);
    ReadMem(strip, st2);
    lg::WriteTiff(TempDir().file("x.tif"), Image::Create(3, 3, 24, 0), 0, 75, st3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The library's reason follows our text.
    EXPECT_NE(st2.error.find('\n'), std::string::npos) << st2.error;
}

// ---- pages -------------------------------------------------------------------

TEST(TiffPages, CountingFollowsTheDirectoryChain) {
    std::vector<uint32_t> offsets, built;
    Bytes three = BuildTiff({Plain(2, 1, 8, 1, {1, 2}), Plain(3, 1, 8, 1, {1, 2, 3}), Plain(1, 1, 8, 1, {9})},
                            &built);
    lg::ByteSource in = lg::ByteSource::FromMemory(three.data(), three.size());
    EXPECT_EQ(lg::CountTiffPagesIn(in, offsets), 3);
    EXPECT_EQ(offsets, built);

    Status st;
    Image second = ReadMem(three, st, built[1]);
    ASSERT_TRUE(second) << st.error;
    EXPECT_EQ(second.width(), 3);

    auto count = [&](const Bytes& b) {
        lg::ByteSource s = lg::ByteSource::FromMemory(b.data(), b.size());
        return lg::CountTiffPagesIn(s, offsets);
    };
    // A chain that loops back counts as one page.
    EXPECT_EQ(count(BuildTiff({Plain(2, 1, 8, 1, {1, 2}), Plain(3, 1, 8, 1, {1, 2, 3})}, nullptr, 0)), 1);
    EXPECT_EQ(offsets.size(), 1u);
    EXPECT_EQ(count(BuildTiff({Plain(2, 1, 8, 1, {1, 2})}, nullptr, 0)), 1);
    // A link past the end stops the count.
    Bytes dangling = BuildTiff({Plain(2, 1, 8, 1, {1, 2})});
    lg::PutLE32(&dangling[8 + 2 + 12 * 9], 999999);
    EXPECT_EQ(count(dangling), 1);
    EXPECT_EQ(count(Bytes{'I', 'I', 42, 0, 0, 0, 0, 0}), 0);
    EXPECT_EQ(count(Bytes{'M', 'M'}), 0);

    EXPECT_EQ(lg::CountTiffPages(DataPath("tif_pages3.tif"), offsets), 3);
    EXPECT_EQ(lg::CountTiffPages(DataPath("tif_rgb.tif"), offsets), 1);
    EXPECT_EQ(lg::CountTiffPages(DataPath("tif_pages3_big.tif"), offsets), 3);
    Image bigPage = lg::ReadTiff(DataPath("tif_pages3_big.tif"), offsets.at(1), st);
    ASSERT_TRUE(bigPage) << st.error;
    EXPECT_EQ(bigPage.bitCount(), 4);
}

TEST(TiffPages, LoadingAMultipageFileSetsThePageState) {
    std::string name = DataPath("tif_pages3.tif");
    lg::PictureFacts facts;
    Image img = lg::LoadPicture(name, lg::LoadRequest(), lg::LoadUi(), facts);
    ASSERT_TRUE(img) << facts.messageText;
    EXPECT_TRUE(facts.multipage);
    EXPECT_EQ(facts.pageCount, 3);
    EXPECT_EQ(facts.currentPage, 0);
    EXPECT_EQ(facts.infoText, "None - 3 pages");

    name = DataPath("tif_lzw.tif");
    img = lg::LoadPicture(name, lg::LoadRequest(), lg::LoadUi(), facts);
    ASSERT_TRUE(img);
    EXPECT_FALSE(facts.multipage);
    EXPECT_EQ(facts.infoText, "LZW");
}

TEST(TiffPages, CommandsMoveWithinThePagesAndEnableByPosition) {
    using lg::PageCommand;
    const std::string path = DataPath("tif_pages3.tif");
    lg::PictureFacts facts;
    Status st;
    ASSERT_TRUE(lg::ReadTiffPicture(path, lg::ReadOptions(), st, facts));
    EXPECT_TRUE(lg::PageCommandEnabled(PageCommand::Next, facts));
    EXPECT_FALSE(lg::PageCommandEnabled(PageCommand::Previous, facts));
    EXPECT_TRUE(lg::PageCommandEnabled(PageCommand::ExtractAll, facts));

    Image page = lg::TurnPage(path, lg::kFormatTif, PageCommand::Next, facts, st);
    ASSERT_TRUE(page) << st.error;
    EXPECT_EQ(facts.currentPage, 1);
    EXPECT_EQ(page.bitCount(), 4);
    EXPECT_EQ(facts.bitCount, 4);
    EXPECT_TRUE(lg::PageCommandEnabled(PageCommand::Previous, facts));

    page = lg::TurnPage(path, lg::kFormatTif, PageCommand::Last, facts, st);
    page = lg::TurnPage(path, lg::kFormatTif, PageCommand::Next, facts, st);
    ASSERT_TRUE(page);
    EXPECT_EQ(facts.currentPage, 2);
    EXPECT_EQ(facts.infoText, "Group 4 Fax Encoding");
    EXPECT_FALSE(lg::PageCommandEnabled(PageCommand::Next, facts));

    page = lg::TurnPage(path, lg::kFormatTif, PageCommand::First, facts, st);
    EXPECT_EQ(facts.currentPage, 0);
    EXPECT_EQ(page.bitCount(), 24);
    EXPECT_EQ(lg::PageAfter(PageCommand::Previous, 0, 3), 0);

    lg::PictureFacts single;
    single.pageCount = 1;
    EXPECT_FALSE(lg::PageCommandEnabled(PageCommand::First, single));
    EXPECT_EQ(lg::PageReaderFor(lg::kFormatBmp), nullptr);
}

TEST(TiffPages, ExtractAllWritesEveryPageAsBmp) {
    TempDir tmp;
    const std::string out = tmp.file("deep/er");
    const char sep = lg::platform::PathSeparator();
    EXPECT_EQ(lg::ExtractedPageName(out, "pics/name.tif", 2), out + sep + "name_lumagrove_extract_002.bmp");
    EXPECT_EQ(lg::ExtractedPageName(out + sep, "name", 0), out + sep + "name_lumagrove_extract_000.bmp");

    const std::string path = DataPath("tif_pages3.tif");
    lg::PictureFacts facts;
    Status st;
    Image current = lg::ReadTiffPicture(path, lg::ReadOptions(), st, facts);
    std::vector<int> shown;
    int written = lg::ExtractAllPages(path, lg::kFormatTif, out, facts, current,
                                      [&](int p, const Image&) { shown.push_back(p); });
    EXPECT_EQ(written, 3);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(facts.currentPage, 2);
    ASSERT_TRUE(current);
    EXPECT_EQ(current.bitCount(), 1);
    const int depths[] = {24, 4, 1};
    for (int p = 0; p < 3; ++p) {
        Image bmp = lg::ReadBmp(lg::ExtractedPageName(out, path, p), st);
        ASSERT_TRUE(bmp) << st.error;
        EXPECT_EQ(bmp.bitCount(), depths[p]);
        Image page = lg::ReadTiff(path, facts.pageOffsets[size_t(p)], st);
        EXPECT_TRUE(SameLook(bmp, page));
    }
}

// ---- the writer ----------------------------------------------------------------

Image Gradient(int w, int h) {
    Image img = Image::Create(w, h, 24, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.topRow(y) + 3 * x;
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t(128 + (x - y) / 2);
        }
    return img;
}

Image Indexed(int w, int h, int bits, uint8_t tint) {
    Image img = Image::Create(w, h, bits, 0);
    const int n = 1 << bits;
    for (int i = 0; i < n; ++i) img.setPaletteEntry(i, uint8_t(i * 255 / (n - 1)), tint, uint8_t(255 - i * 255 / (n - 1)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = (x * 7 + y * 3 + (x * y) % 5) % n;
            uint8_t& b = img.row(y)[x * bits / 8];
            const int shift = 8 - bits - (x * bits) % 8;
            b = uint8_t((b & ~((n - 1) << shift)) | (v << shift));
        }
    return img;
}

Image BlackWhite(int w, int h, bool whiteFirst) {
    Image img = Indexed(w, h, 1, 0);
    img.setPaletteEntry(0, whiteFirst ? 255 : 0, whiteFirst ? 255 : 0, whiteFirst ? 255 : 0);
    img.setPaletteEntry(1, whiteFirst ? 0 : 255, whiteFirst ? 0 : 255, whiteFirst ? 0 : 255);
    return img;
}

#ifndef _WIN32
// ImageMagick's reading of a file, for a second opinion.
Image ReadByImageMagick(const std::string& tif, const TempDir& tmp) {
    const std::string ppm = tmp.file("im.ppm");
    std::string cmd = "convert '" + tif + "' -depth 8 ppm:'" + ppm + "' 2>/dev/null";
    Ppm ref;
    if (std::system(cmd.c_str()) != 0 || !ReadPpm(ppm, ref)) return Image();
    Image img = Image::Create(ref.width, ref.height, 24, 0);
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            for (int c = 0; c < 3; ++c) img.topRow(y)[3 * x + c] = ref.at(x, y)[2 - c];
    return img;
}
#endif

TEST(TiffWriter, EveryCompressionReadsBackTheSamePicture) {
    TempDir tmp;
    const struct {
        const char* what;
        Image img;
        std::vector<int> compressions;
    } cases[] = {
        {"24-bit", Gradient(45, 33), {0, 1, 2}},
        {"8-bit", Indexed(45, 33, 8, 40), {0, 1, 2}},
        {"4-bit", Indexed(45, 33, 4, 200), {0, 1, 2}},
        {"1-bit", BlackWhite(45, 33, false), {0, 1, 2, 3, 4, 5}},
        {"1-bit white first", BlackWhite(45, 33, true), {0, 1, 3, 4, 5}},
        {"1-bit colours", Indexed(45, 33, 1, 90), {0, 2}},
    };
    const char* names[] = {"None", "LZW", "Macintosh Packbits", "Group 3 Fax Encoding", "Group 4 Fax Encoding",
                           "Huffman RLE"};
    for (const auto& c : cases)
        for (int comp : c.compressions) {
            SCOPED_TRACE(std::string(c.what) + " compression " + std::to_string(comp));
            const std::string path = tmp.file("out.tif");
            Status st;
            ASSERT_TRUE(lg::WriteTiff(path, c.img, comp, 75, st)) << st.error;
            Image back = lg::ReadTiff(path, 0, st);
            ASSERT_TRUE(back) << st.error;
            EXPECT_EQ(st.info, names[comp]);
            EXPECT_EQ(back.bitCount(), c.img.bitCount());
            EXPECT_TRUE(SameLook(back, c.img));
#ifndef _WIN32
            EXPECT_TRUE(SameLook(ReadByImageMagick(path, tmp), c.img)) << "ImageMagick disagrees";
#endif
        }
}

TEST(TiffWriter, JpegQualityAndResolutionReachTheFile) {
    TempDir tmp;
    Image img = Gradient(64, 40);
    img.setResolution(300, 150);
    Status st;
    ASSERT_TRUE(lg::WriteTiff(tmp.file("low.tif"), img, 6, 20, st)) << st.error;
    ASSERT_TRUE(lg::WriteTiff(tmp.file("high.tif"), img, 6, 95, st)) << st.error;
    EXPECT_LT(ReadBytes(tmp.file("low.tif")).size(), ReadBytes(tmp.file("high.tif")).size());
    Image back = lg::ReadTiff(tmp.file("high.tif"), 0, st);
    ASSERT_TRUE(back) << st.error;
    EXPECT_EQ(st.info, "JPEG (in TIFF)");
    EXPECT_TRUE(SameLook(back, img, 12));
    EXPECT_EQ(back.xResolution(), 300);
    EXPECT_EQ(back.yResolution(), 150);
#ifndef _WIN32
    EXPECT_TRUE(SameLook(ReadByImageMagick(tmp.file("high.tif"), tmp), img, 12));
#endif
}

TEST(TiffWriter, RefusalsLeaveAnExistingFileAlone) {
    TempDir tmp;
    const std::string path = tmp.file("keep.tif");
    WriteBytes(path, Bytes{'o', 'l', 'd'});
    Status st;
    EXPECT_FALSE(lg::WriteTiff(path, Indexed(8, 8, 8, 0), 6, 75, st));
    EXPECT_EQ(st.error, "Only 24-BPP images can you save as TIFF-JPEG.");
    EXPECT_FALSE(lg::WriteTiff(path, Gradient(8, 8), 4, 75, st));
    EXPECT_EQ(st.error, "Incorrect Compression !\nThis in not a 1-BPP Image.");
    EXPECT_FALSE(lg::WriteTiff(path, Indexed(8, 8, 4, 0), 3, 75, st));
    EXPECT_FALSE(lg::WriteTiff(tmp.file("no/such/dir.tif"), Gradient(8, 8), 0, 75, st));
    EXPECT_EQ(st.error, "Can't save !");
    EXPECT_EQ(ReadBytes(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(tmp.entries(), (std::vector<std::string>{"keep.tif"}));
}

class TiffSaving : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        _putenv_s("LUMAGROVE_HOME", home.str().c_str());
#else
        setenv("LUMAGROVE_HOME", home.str().c_str(), 1);
#endif
    }
    TempDir home, dir;
};

TEST_F(TiffSaving, DispatcherWidensForJpegAndWordsRefusals) {
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::TiffSaveCompression, 6));
    std::string msg;
    Image palette = Indexed(20, 10, 8, 60);
    ASSERT_TRUE(lg::SaveImage(palette, dir.file("a.tif"), false, &msg)) << msg;
    Status st;
    Image back = lg::ReadTiff(dir.file("a.tif"), 0, st);
    ASSERT_TRUE(back) << st.error;
    EXPECT_EQ(back.bitCount(), 24);
    EXPECT_EQ(st.info, "JPEG (in TIFF)");

    ASSERT_TRUE(lg::WriteSetting(lg::Setting::TiffSaveCompression, 4));
    EXPECT_FALSE(lg::SaveImage(Gradient(5, 5), dir.file("b.tif"), false, &msg));
    EXPECT_EQ(msg, "TIF Save error ! - Incorrect Compression !\nThis in not a 1-BPP Image.");
}

TEST_F(TiffSaving, ConvertModeBetweenTiffAndBmp) {
    std::string msg;
    ASSERT_EQ(lg::ConvertFile(DataPath("tif_lzw.tif"), dir.file("a.bmp"), &msg), lg::ConvertResult::Ok) << msg;
    Status st;
    ExpectLooksLike(lg::ReadBmp(dir.file("a.bmp"), st), "tif_src.ppm");
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::TiffSaveCompression, 1));
    ASSERT_EQ(lg::ConvertFile(dir.file("a.bmp"), dir.file("b.tif"), &msg), lg::ConvertResult::Ok) << msg;
    Image back = lg::ReadTiff(dir.file("b.tif"), 0, st);
    EXPECT_EQ(st.info, "LZW");
    ExpectLooksLike(back, "tif_src.ppm");
    ASSERT_EQ(lg::ConvertFile(DataPath("tif_cmyk.tif"), dir.file("c.bmp"), &msg), lg::ConvertResult::Ok) << msg;
    EXPECT_EQ(lg::ReadBmp(dir.file("c.bmp"), st).bitCount(), 24);
}

}  // namespace
