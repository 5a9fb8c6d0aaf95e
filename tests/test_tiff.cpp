// TIFF: every reading route against reference pictures, hand-made files for
// colour tables and page chains, the page commands, and the writer's seven
// compressions read back by us and (natively) by ImageMagick.
#include "support.h"

#include <cstring>

#include "core/convert.h"
#include "formats/convert_file.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/pages.h"
#include "formats/save.h"
#include "formats/tiff.h"
#include "platform/platform.h"
#include "platform/threads.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

// ---- hand-made files: one uncompressed strip per directory -------------------

struct Tag {
    uint16_t id, type;  // 3 short, 4 long
    std::vector<uint32_t> values;
};
struct Dir {
    std::vector<Tag> tags;
    Bytes pixels;
};

Dir Plain(uint32_t w, uint32_t h, unsigned bits, unsigned photometric, Bytes pixels, unsigned samples = 1) {
    return Dir{{{256, 4, {w}}, {257, 4, {h}}, {258, 3, std::vector<uint32_t>(samples, bits)}, {259, 3, {1}},
                {262, 3, {photometric}}, {277, 3, {samples}}, {278, 4, {h}}},
               std::move(pixels)};
}

// Little-endian; per directory its long values, the directory, its strip.
// `loopTo` >= 0 links the last directory back to that one.
Bytes BuildTiff(const std::vector<Dir>& dirs, std::vector<uint32_t>* offsets = nullptr, int loopTo = -1) {
    ByteWriter w;
    w.bytes({'I', 'I'}).le16(42).le32(0);
    size_t link = 4;
    std::vector<uint32_t> at;
    for (const Dir& d : dirs) {
        std::vector<Tag> tags = d.tags;
        tags.push_back({273, 4, {0}});
        tags.push_back({279, 4, {uint32_t(d.pixels.size())}});
        std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.id < b.id; });
        auto put = [&](const Tag& t) { for (uint32_t v : t.values) t.type == 3 ? w.le16(v) : w.le32(v); };
        auto outOfLine = [](const Tag& t) { return t.values.size() * (t.type == 3 ? 2 : 4) > 4; };
        std::vector<uint32_t> valueAt;
        for (const Tag& t : tags) {
            valueAt.push_back(uint32_t(w.b.size()));
            if (outOfLine(t)) put(t);
        }
        at.push_back(uint32_t(w.b.size()));
        lg::PutLE32(&w.b[link], at.back());
        w.le16(unsigned(tags.size()));
        for (size_t i = 0; i < tags.size(); ++i) {
            if (tags[i].id == 273) tags[i].values[0] = at.back() + 6 + 12 * uint32_t(tags.size());
            w.le16(tags[i].id).le16(tags[i].type).le32(uint32_t(tags[i].values.size()));
            const size_t start = w.b.size();
            outOfLine(tags[i]) ? (void)w.le32(valueAt[i]) : put(tags[i]);
            while (w.b.size() < start + 4) w.u8(0);
        }
        link = w.b.size();
        w.le32(0).append(d.pixels);
    }
    if (loopTo >= 0) lg::PutLE32(&w.b[link], at[size_t(loopTo)]);
    if (offsets) *offsets = at;
    return w.b;
}

Image ReadMem(const Bytes& file, Status& st, uint32_t offset = 0) {
    lg::ByteSource in = lg::ByteSource::FromMemory(file.data(), file.size());
    return lg::ReadTiffFrom(in, offset, st);
}

Image ReadFile(const std::string& path, Status& st) { return ReadAs(lg::kFormatTif, path, st); }

std::array<int, 3> Entry(const Image& img, int i) {
    const uint8_t* e = img.palette() + 4 * i;
    return {e[2], e[1], e[0]};
}

// ---- comparing pictures ------------------------------------------------------

int DepthOf(const Image& img) { return img ? img.bitCount() : 0; }

Image To24(const Image& img) { return lg::ExpandTo24(lg::WidenToWorkingDepth(img.Duplicate())); }

bool SameLook(const Image& a, const Image& b, int tolerance = 0) {
    Image x = To24(a), y = To24(b);
    if (!x || !y || x.width() != y.width() || x.height() != y.height()) return false;
    for (int r = 0; r < x.height(); ++r)
        for (int i = 0; i < 3 * x.width(); ++i)
            if (std::abs(x.row(r)[i] - y.row(r)[i]) > tolerance) return false;
    return true;
}

Image FromPpm(const std::string& path) {
    Ppm ref;
    if (!ReadPpm(path, ref)) return Image();
    Image img = Image::Create(ref.width, ref.height, 24, 0);
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            for (int c = 0; c < 3; ++c) img.topRow(y)[3 * x + c] = ref.at(x, y)[2 - c];
    return img;
}

// ---- the reader on files from ImageMagick and the libtiff tools ------------------

TEST(TiffReader, EveryRouteMatchesItsReference) {
    const struct {
        const char *file, *ppm;
        int depth;
        const char* info;  // null: not checked
        int tolerance;
    } cases[] = {
        {"tif_rgb.tif", "tif_src.ppm", 24, "None", 0},
        {"tif_lzw.tif", "tif_src.ppm", 24, "LZW", 0},
        {"tif_packbits.tif", "tif_src.ppm", 24, "Macintosh Packbits", 0},
        {"tif_zip.tif", "tif_src.ppm", 24, "ZIP (in TIFF)", 0},
        {"tif_zip_old.tif", "tif_src.ppm", 24, "ZIP (in TIFF)", 0},
        {"tif_big_lzw.tif", "tif_big.ppm", 24, "LZW", 0},
        {"tif_g3.tif", "tif_bw.ppm", 1, "Group 3 Fax Encoding", 0},
        {"tif_g4.tif", "tif_bw.ppm", 1, "Group 4 Fax Encoding", 0},
        {"tif_jpeg.tif", "tif_jpeg.ppm", 24, "JPEG (in TIFF)", 3},  // lossy: near ImageMagick's decoding
        {"tif_planar.tif", "tif_big.ppm", 24, nullptr, 0},
        {"tif_orient4.tif", "tif_orient4.ppm", 24, nullptr, 0},
        {"tif_tiled_orient4.tif", "tif_big_flipped.ppm", 24, nullptr, 0},
        {"tif_planar_orient4.tif", "tif_big_flipped.ppm", 24, nullptr, 0},
        {"tif_rgb16.tif", "tif_src.ppm", 24, nullptr, 0},
        {"tif_grey16.tif", "tif_grey.ppm", 8, nullptr, 0},
        {"tif_grey_alpha.tif", "tif_grey.ppm", 8, nullptr, 0},
        {"tif_grey_alpha16.tif", "tif_grey.ppm", 8, nullptr, 0},
        {"tif_grey_miw.tif", "tif_grey_miw.ppm", 8, nullptr, 0},
        {"tif_rgba.tif", "tif_src.ppm", 32, nullptr, 0},  // the alpha byte goes in the widening
        {"tif_pal2.tif", "tif_pal2.ppm", 1, nullptr, 0},  // the map's two colours, not black and white
        {"tif_pal16.tif", "tif_pal16.ppm", 4, nullptr, 0},
        {"tif_bw_miw.tif", "tif_bw.ppm", 1, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Status st;
        Image img = ReadFile(DataPath(c.file), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(st.error, "");
        EXPECT_EQ(img.bitCount(), c.depth);
        EXPECT_TRUE(c.info == nullptr || st.info == c.info) << st.info;
        EXPECT_TRUE(SameLook(img, FromPpm(DataPath(c.ppm)), c.tolerance));
    }
    Status st;
    Image fax = ReadFile(DataPath("tif_g4.tif"), st);
    ASSERT_TRUE(fax);
    EXPECT_EQ(Entry(fax, 0), (std::array<int, 3>{0, 0, 0}));  // black first, as for every bilevel picture
}

// ---- colour tables and pixel layouts, file by hand --------------------------------

TEST(TiffReader, ColourTablesFollowThePhotometricInterpretation) {
    Status st;
    Image white = ReadMem(BuildTiff({Plain(2, 1, 4, 0, {0x0F})}), st);
    Image black = ReadMem(BuildTiff({Plain(2, 1, 4, 1, {0x0F})}), st);
    ASSERT_TRUE(white && black);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Entry(white, i)[0], 255 - 17 * i);
        EXPECT_EQ(Entry(black, i)[1], 17 * i);
    }
    // Two-bit grey becomes 4-bit with four entries.
    Image two = ReadMem(BuildTiff({Plain(5, 1, 2, 1, {0x1B, 0x00})}), st);
    ASSERT_TRUE(two);
    EXPECT_EQ(two.bitCount(), 4);
    EXPECT_EQ(two.colorsUsed(), 4u);
    EXPECT_EQ(Entry(two, 2)[0], 170);
    EXPECT_EQ((Bytes{two.row(0)[0], two.row(0)[1]}), (Bytes{0x01, 0x23}));
    // Bilevel min-is-white: black, white, black stay so, with black at index 0.
    Image fax = ReadMem(BuildTiff({Plain(3, 1, 1, 0, {0xA0})}), st);
    ASSERT_TRUE(fax);
    EXPECT_EQ(Entry(fax, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(fax.row(0)[0], 0x40);  // the bits past the width stay clear

    // Colour maps of 8-bit values are taken as they are; one value above 255 makes them 16-bit.
    std::vector<uint32_t> map;
    for (uint32_t c = 0; c < 3; ++c)
        for (uint32_t i = 0; i < 16; ++i) map.push_back(c == 0 ? i * 10 : c == 1 ? 255 - i : 7);
    Dir pal = Plain(2, 1, 4, 3, {0x12});
    pal.tags.push_back({320, 3, map});
    Image small = ReadMem(BuildTiff({pal}), st);
    ASSERT_TRUE(small);
    EXPECT_EQ(Entry(small, 3), (std::array<int, 3>{30, 252, 7}));
    pal.tags.back().values[0] = 65535;
    pal.tags.back().values[17] = 32768;
    Image wide = ReadMem(BuildTiff({pal}), st);
    ASSERT_TRUE(wide);
    EXPECT_EQ(Entry(wide, 0)[0], 255);
    EXPECT_EQ(Entry(wide, 1)[1], 127);
    EXPECT_EQ(Entry(wide, 3), (std::array<int, 3>{0, 0, 0}));
}

TEST(TiffReader, CmykOrientationAndRefusals) {
    Status st;
    Image cmyk = ReadMem(BuildTiff({Plain(2, 1, 8, 5, {10, 20, 30, 40, 200, 100, 50, 100}, 4)}), st);
    ASSERT_TRUE(cmyk);
    EXPECT_EQ(Bytes(cmyk.row(0), cmyk.row(0) + 8), (Bytes{185, 195, 205, 0, 105, 55, 0, 0}));
    EXPECT_FALSE(ReadMem(BuildTiff({Plain(2, 1, 4, 5, {1, 2, 3, 4}, 4)}), st));
    EXPECT_EQ(st.error, "Unsupported color type");

    Dir up = Plain(1, 2, 8, 1, {10, 200});
    up.tags.push_back({274, 3, {4}});
    Image img = ReadMem(BuildTiff({up}), st);
    ASSERT_TRUE(img);
    EXPECT_EQ(img.topRow(0)[0], 200);  // the file's first row is the bottom one

    Dir old = Plain(8, 8, 8, 1, Bytes(64, 1));
    old.tags[3].values[0] = 6;
    EXPECT_FALSE(ReadMem(BuildTiff({old}), st));
    EXPECT_EQ(st.error, "Sorry, the Old JPEG-Compression is not supported !");
    EXPECT_EQ(st.info, "Old JPEG (in TIFF)");
    EXPECT_FALSE(ReadMem(BuildTiff({Plain(200000, 200000, 8, 1, Bytes(16, 0))}), st));
    EXPECT_EQ(st.error, "The picture is too large !");
}

// ---- hostile files -------------------------------------------------------------

TEST(TiffReader, DamagedFilesKeepWhatWasReadAndStayQuiet) {
    // A strip libtiff reads in pieces: twenty of fifty rows are there.
    Bytes file = BuildTiff({Plain(1000, 50, 8, 1, Bytes(1000 * 50, 7))});
    file.resize(file.size() - 1000 * 30);
    testing::internal::CaptureStderr();
    Status st;
    Image img = ReadMem(file, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(st.error.rfind("Can't read from file\n", 0), 0u) << st.error;  // then libtiff's reason
    EXPECT_EQ(img.topRow(0)[0], 7);
    EXPECT_EQ(img.topRow(49)[0], 0);

    for (const char* name : {"tif_lzw.tif", "tif_g4.tif", "tif_jpeg.tif", "tif_tiled.tif", "tif_planar.tif"}) {
        const Bytes whole = ReadBytes(DataPath(name));
        ASSERT_FALSE(whole.empty()) << name;
        uint32_t seed = 99;
        for (int round = 0; round < 40; ++round) {
            Bytes bad(whole.begin(), whole.end() - std::ptrdiff_t(round * whole.size() / 41));
            for (int k = 0; k < 6 && round % 2 && bad.size() > 8; ++k) {
                seed = seed * 1664525u + 1013904223u;
                bad[8 + (seed >> 8) % (bad.size() - 8)] ^= uint8_t(seed >> 24 | 1);
            }
            if (!ReadMem(bad, st)) {
                EXPECT_NE(st.error, "") << name << " round " << round;
            }
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A file's strips or tiles decoded on 1, 2 and 7 threads: the same picture,
// also when a strip is damaged (the rows then end where they end one by one).
TEST(TiffReader, StripsAndTilesOnAnyThreadCountGiveTheSameRows) {
    TempDir dir;
    const Bytes whole = ReadBytes(DataPath("tif_big_lzw.tif"));  // 13 strips of 8 rows
    ASSERT_FALSE(whole.empty());
    WriteBytes(dir.file("whole.tif"), whole);
    Bytes cut = whole;  // codes past the table in the middle strips (the directory is at the end)
    std::fill(cut.begin() + std::ptrdiff_t(cut.size() / 2), cut.begin() + std::ptrdiff_t(cut.size() / 2 + 300), 0xFF);
    WriteBytes(dir.file("cut.tif"), cut);
    for (const char* name : {"whole.tif", "cut.tif", "tif_big_lzw_orient4.tif", "tif_big16_lzw.tif", "tif_tiled.tif",
                             "tif_tiled_orient4.tif"}) {
        const std::string path = std::strchr(name, '_') ? DataPath(name) : dir.file(name);
        Image first;
        std::string firstError;
        for (int threads : {1, 2, 7}) {
            lg::platform::SetThreadCount(threads);
            lg::platform::SetWorkPerThread(1);
            Status st;
            Image img = ReadFile(path, st);
            lg::platform::SetThreadCount(0);
            lg::platform::SetWorkPerThread(0);
            ASSERT_TRUE(img) << name << ": " << st.error;
            if (!first) {
                first = std::move(img);
                firstError = st.error;
                continue;
            }
            ASSERT_EQ(img.size(), first.size()) << name;
            EXPECT_EQ(std::memcmp(img.data(), first.data(), img.size()), 0) << name << ", " << threads << " threads";
            EXPECT_EQ(st.error, firstError) << name;
        }
        if (std::strcmp(name, "cut.tif") != 0) {
            EXPECT_EQ(PixelsOff(first, std::strstr(name, "orient4") ? "tif_big_flipped.ppm" : "tif_big.ppm", 0), 0)
                << name;
        }
        if (std::strcmp(name, "cut.tif") == 0) {
            EXPECT_NE(firstError, "");
            EXPECT_EQ(first.topRow(96)[0], 0);  // the rows behind the damage stay black
        }
    }
}

// ---- pages ------------------------------------------------------------------------

TEST(TiffPages, CountingFollowsTheDirectoryChain) {
    std::vector<uint32_t> offsets, built;
    auto count = [&](const Bytes& b) {
        lg::ByteSource s = lg::ByteSource::FromMemory(b.data(), b.size());
        return lg::CountTiffPagesIn(s, offsets);
    };
    const Dir a = Plain(2, 1, 8, 1, {1, 2}), b = Plain(3, 1, 4, 1, {0x12, 0x30});
    Bytes three = BuildTiff({a, b, a}, &built);
    EXPECT_EQ(count(three), 3);
    EXPECT_EQ(offsets, built);
    Status st;
    EXPECT_EQ(DepthOf(ReadMem(three, st, built[1])), 4);
    EXPECT_EQ(count(BuildTiff({a, b}, nullptr, 0)), 1);  // a loop counts once
    EXPECT_EQ(offsets.size(), 1u);
    Bytes dangling = BuildTiff({a});
    lg::PutLE32(&dangling[dangling.size() - 6], 999999);  // next directory past the end
    EXPECT_EQ(count(dangling), 1);
    EXPECT_EQ(count(Bytes{'I', 'I', 42, 0, 0, 0, 0, 0}), 0);

    const Bytes big = ReadBytes(DataPath("tif_pages3_big.tif"));
    EXPECT_EQ(count(big), 3);  // BigTIFF
    EXPECT_EQ(DepthOf(ReadMem(big, st, offsets.at(1))), 4);
}

TEST(TiffPages, LoadPagingAndExtraction) {
    using lg::PageCommand;
    std::string path = DataPath("tif_pages3.tif");
    lg::PictureFacts facts;
    Image current = lg::LoadPicture(path, lg::LoadRequest(), lg::LoadUi(), facts);
    ASSERT_TRUE(current) << facts.messageText;
    EXPECT_TRUE(facts.multipage);
    EXPECT_EQ(facts.infoText, "None - 3 pages");
    EXPECT_TRUE(lg::PageCommandEnabled(PageCommand::Next, facts));
    EXPECT_FALSE(lg::PageCommandEnabled(PageCommand::Previous, facts));

    Status st;
    Image page = lg::TurnPage(path, lg::kFormatTif, PageCommand::Next, facts, st);
    EXPECT_EQ(DepthOf(page), 4);
    EXPECT_EQ(facts.bitCount, 4);
    lg::TurnPage(path, lg::kFormatTif, PageCommand::Last, facts, st);
    page = lg::TurnPage(path, lg::kFormatTif, PageCommand::Next, facts, st);
    EXPECT_EQ(facts.currentPage, 2);
    EXPECT_EQ(facts.infoText, "Group 4 Fax Encoding");
    EXPECT_FALSE(lg::PageCommandEnabled(PageCommand::Next, facts));

    TempDir tmp;
    const std::string out = tmp.file("new/dir");
    EXPECT_EQ(lg::ExtractedPageName(out, "pics/name.tif", 2),
              out + lg::platform::PathSeparator() + "name_lumagrove_extract_002.bmp");
    lg::TurnPage(path, lg::kFormatTif, PageCommand::First, facts, st);
    std::vector<int> shown;
    EXPECT_EQ(lg::ExtractAllPages(path, lg::kFormatTif, out, facts, current,
                                  [&](int p, const Image& img, bool written) {
                                      if (img && written) shown.push_back(p);
                                  }),
              3);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(facts.currentPage, 2);
    EXPECT_EQ(DepthOf(current), 1);
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(SameLook(lg::ReadBmp(lg::ExtractedPageName(out, path, p), st),
                             ReadMem(ReadBytes(path), st, facts.pageOffsets[size_t(p)])));
}

// ---- the writer --------------------------------------------------------------------

// A 24-bit gradient, or an indexed picture whose table runs from blue to red.
Image Sample(int bits, bool whiteFirst = false) {
    Image img = Image::Create(45, 33, bits, 0);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 45; ++x) {
            if (bits == 24) {
                uint8_t* p = img.topRow(y) + 3 * x;
                p[0] = uint8_t(x * 5);
                p[1] = uint8_t(y * 7);
                p[2] = uint8_t(128 + (x - y) / 2);
            } else {
                const int v = (x * 7 + y * 3 + x * y % 5) % (1 << bits);
                img.row(y)[x * bits / 8] |= uint8_t(v << (8 - bits - x * bits % 8));
            }
        }
    const int n = bits == 24 ? 0 : 1 << bits;
    for (int i = 0; i < n; ++i) img.setPaletteEntry(i, uint8_t(i * 255 / (n - 1)), 90, uint8_t(255 - i * 255 / (n - 1)));
    if (whiteFirst) {
        img.setPaletteEntry(0, 255, 255, 255);
        img.setPaletteEntry(1, 0, 0, 0);
    }
    return img;
}

#ifndef _WIN32
Image ReadByImageMagick(const std::string& tif, const TempDir& tmp) {
    const std::string ppm = tmp.file("im.ppm");
    const std::string cmd = "convert '" + tif + "' -depth 8 ppm:'" + ppm + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 ? FromPpm(ppm) : Image();
}
#endif

TEST(TiffWriter, EveryCompressionReadsBackTheSamePicture) {
    TempDir tmp;
    const char* names[] = {"None", "LZW", "Macintosh Packbits", "Group 3 Fax Encoding", "Group 4 Fax Encoding",
                           "Huffman RLE", "JPEG (in TIFF)"};
    const struct {
        Image img;
        std::vector<int> compressions;
    } cases[] = {
        {Sample(24), {0, 1, 2, 6}},      {Sample(8), {0, 1}},          {Sample(4), {2}},
        {Sample(1, true), {3, 4, 5, 1}},  // white and black, whichever comes first
        {Sample(1), {0, 2}},              // two colours of their own
    };
    for (const auto& c : cases)
        for (int comp : c.compressions) {
            SCOPED_TRACE("depth " + std::to_string(c.img.bitCount()) + " compression " + std::to_string(comp));
            const std::string path = tmp.file("out.tif");
            Status st;
            Image img = c.img.Duplicate();
            img.setResolution(300, 150);
            ASSERT_TRUE(lg::WriteTiff(path, img, comp, 90, st)) << st.error;
            Image back = ReadFile(path, st);
            ASSERT_TRUE(back) << st.error;
            EXPECT_EQ(st.info, names[comp]);
            EXPECT_EQ(back.bitCount(), img.bitCount());
            EXPECT_EQ(back.yResolution(), 150);
            const int tolerance = comp == 6 ? 12 : 0;
            EXPECT_TRUE(SameLook(back, img, tolerance));
#ifndef _WIN32
            EXPECT_TRUE(SameLook(ReadByImageMagick(path, tmp), img, tolerance)) << "ImageMagick disagrees";
#endif
        }
    Status st;  // the quality reaches the codec
    ASSERT_TRUE(lg::WriteTiff(tmp.file("low.tif"), Sample(24), 6, 10, st));
    ASSERT_TRUE(lg::WriteTiff(tmp.file("high.tif"), Sample(24), 6, 95, st));
    EXPECT_LT(ReadBytes(tmp.file("low.tif")).size(), ReadBytes(tmp.file("high.tif")).size());
}

TEST(TiffWriter, RefusalsDispatcherAndConvertMode) {
    TempDir dir;
    const std::string keep = dir.file("keep.tif");
    WriteBytes(keep, Bytes{'o', 'l', 'd'});
    Status st;
    EXPECT_FALSE(lg::WriteTiff(keep, Sample(8), 6, 75, st));
    EXPECT_EQ(st.error, "Only 24-BPP images can you save as TIFF-JPEG.");
    EXPECT_FALSE(lg::WriteTiff(keep, Sample(24), 4, 75, st));
    EXPECT_EQ(st.error, "Incorrect Compression !\nThis in not a 1-BPP Image.");
    EXPECT_FALSE(lg::WriteTiff(dir.file("no/dir.tif"), Sample(24), 0, 75, st));
    EXPECT_EQ(st.error, "Can't save !");
    EXPECT_EQ(ReadBytes(keep), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"keep.tif"}));

    std::string msg;
    lg::ConvertOptions opt;
    opt.save.tiffCompression = 6;
    ASSERT_TRUE(lg::SaveImage(Sample(8), dir.file("a.tif"), opt.save, &msg)) << msg;  // widened for JPEG
    EXPECT_EQ(DepthOf(ReadFile(dir.file("a.tif"), st)), 24);
    opt.save.tiffCompression = 4;
    EXPECT_FALSE(lg::SaveImage(Sample(24), dir.file("b.tif"), opt.save, &msg));
    EXPECT_EQ(msg, "TIF Save error ! - Incorrect Compression !\nThis in not a 1-BPP Image.");

    opt.save.tiffCompression = 1;
    ASSERT_EQ(lg::ConvertFile(DataPath("tif_cmyk.tif"), dir.file("c.bmp"), opt, &msg), lg::ConvertResult::Ok) << msg;
    ASSERT_EQ(lg::ConvertFile(DataPath("tif_lzw.tif"), dir.file("d.bmp"), opt, &msg), lg::ConvertResult::Ok) << msg;
    ASSERT_EQ(lg::ConvertFile(dir.file("d.bmp"), dir.file("e.tif"), opt, &msg), lg::ConvertResult::Ok) << msg;
    EXPECT_TRUE(SameLook(ReadFile(dir.file("e.tif"), st), FromPpm(DataPath("tif_src.ppm"))));
    EXPECT_EQ(st.info, "LZW");
}

}  // namespace
