// The PNG reader and writer: every colour type and depth checked against
// ImageMagick's decode, the tables they get, hand-made damaged and oversized
// files, round trips through the writer; and convert mode across JPEG, PNG
// and BMP.
#include "support.h"

#include <zlib.h>

#include <cstring>
#include <utility>

#include "core/convert.h"
#include "formats/convert_file.h"
#include "formats/load.h"
#include "formats/png.h"
#include "platform/threads.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

Image FromMemory(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadPngFrom(in, st);
}

Image ReadFile(const std::string& path, Status& st) { return ReadAs(lg::kFormatPng, path, st); }

#ifndef _WIN32
// ImageMagick, another decoder, reads `file` back as exactly `src`.
void ExpectImageMagickReads(const std::string& file, const Image& src, int depth) {
    const std::string ppm = file + ".ppm";
    ASSERT_EQ(std::system(("convert " + file + " -alpha off ppm:" + ppm).c_str()), 0);
    Ppm im;
    ASSERT_TRUE(ReadPpm(ppm, im));
    EXPECT_EQ(PixelsOff(src, im, 0), 0) << depth;
}
#endif

struct Case {
    const char* name;
    int depth;          // of the picture the reader delivers
    uint32_t colors;    // its colours-used field
};

TEST(PngRead, EveryColourTypeAndDepthShowsWhatImageMagickShows) {
    const Case cases[] = {
        {"g1", 1, 2},   {"g2", 8, 256},   {"g4", 4, 16},     {"g8", 8, 256},    {"g16", 8, 256},
        {"ga8", 8, 256}, {"ga16", 8, 256}, {"ga8i", 8, 256},  {"p1", 1, 2},      {"p2", 8, 256},
        {"p4", 4, 16},  {"p4t", 4, 16},   {"p8", 8, 100},    {"p8i", 8, 100},   {"rgb8", 24, 0},
        {"rgb8t", 24, 0}, {"rgb16", 24, 0}, {"rgba8", 32, 0}, {"rgba16", 32, 0}, {"rgb8i", 24, 0},
        {"rgb16i", 24, 0},
    };
    for (const Case& c : cases) {
        const std::string name = std::string("png_") + c.name;
        Status st;
        Image img = ReadFile(DataPath(name + ".png"), st);
        ASSERT_TRUE(img) << c.name << ": " << st.error;
        EXPECT_EQ(img.bitCount(), c.depth) << c.name;
        EXPECT_EQ(img.colorsUsedField(), c.colors) << c.name;
        EXPECT_EQ(PixelsOff(img, name + ".ppm", 0), 0) << c.name;
    }
    // A 2-bit file's four colours open an 8-bit table; grey runs black to white.
    Status st;
    Image grey = ReadFile(DataPath("png_g2.png"), st);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(grey.palette()[4 * i + 1], i < 4 ? i * 85 : 0) << i;
}

// Hand-made files: chunks with real CRCs around zlib-compressed rows.
void PutBE32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

void AddChunk(Bytes& png, const char* type, const Bytes& data) {
    PutBE32(png, uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBE32(png, uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

// A 1-bit grey file with `rows` zero rows of data (filter byte included).
// With interlacing only a width of 1 keeps one stored row per picture row.
Bytes MakePng(uint32_t w, uint32_t h, bool interlaced, uint32_t rows) {
    Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    PutBE32(ihdr, w);
    PutBE32(ihdr, h);
    ihdr.insert(ihdr.end(), {1, 0, 0, 0, uint8_t(interlaced ? 1 : 0)});
    AddChunk(png, "IHDR", ihdr);
    const Bytes raw(size_t(rows) * (1 + (w + 7) / 8), 0);
    Bytes packed(compressBound(uLong(raw.size())));
    uLongf n = uLongf(packed.size());
    EXPECT_EQ(compress(packed.data(), &n, raw.data(), uLong(raw.size())), Z_OK);
    packed.resize(n);
    AddChunk(png, "IDAT", packed);
    AddChunk(png, "IEND", Bytes());
    return png;
}

TEST(PngRead, InterlacedFilesOfMoreThan10000RowsAreRefused) {
    Status st;
    EXPECT_FALSE(FromMemory(MakePng(1, 10001, true, 10001), st));
    EXPECT_EQ(st.error, "Sorry!\nThis File is toooo big for me.");
    EXPECT_EQ(FromMemory(MakePng(1, 10000, true, 10000), st).height(), 10000);
    EXPECT_EQ(FromMemory(MakePng(1, 10001, false, 10001), st).height(), 10001);
}

TEST(PngRead, DamageGivesLibpngsMessage) {
    Status st;
    EXPECT_FALSE(ReadFile(DataPath("no-such.png"), st));
    EXPECT_EQ(st.error, "Can't open file: " + DataPath("no-such.png"));

    const Bytes good = MakePng(5, 4, false, 4);
    Bytes notPng = good;
    notPng[1] = 'Q';
    EXPECT_FALSE(FromMemory(notPng, st));
    EXPECT_EQ(st.error, "This is not a valid PNG File ! - Not a PNG file");

    Bytes badCrc = good;
    badCrc[badCrc.size() - 13] ^= 1;  // the IDAT checksum, right before the end chunk
    EXPECT_FALSE(FromMemory(badCrc, st));
    EXPECT_EQ(st.error, "This is not a valid PNG File ! - IDAT: CRC error");

    EXPECT_FALSE(FromMemory(Bytes(good.begin(), good.begin() + 45), st));
    EXPECT_EQ(st.error, "This is not a valid PNG File ! - unexpected end of file");

    // Only the end chunk missing: every row is there.
    EXPECT_TRUE(FromMemory(Bytes(good.begin(), good.end() - 12), st)) << st.error;

    EXPECT_FALSE(FromMemory(MakePng(200000, 200000, false, 1), st)) << "refused before any allocation";
    EXPECT_EQ(st.error, "The picture is too large !");
}

// A picture of `depth` bits whose pixel values run through the table.
Image Pattern(int depth, int w, int h) {
    Image img = Image::Create(w, h, depth, 0);
    for (uint32_t i = 0; i < img.colorsUsed(); ++i) img.setPaletteEntry(int(i), uint8_t(i * 37), uint8_t(255 - i), 9);
    for (int y = 0; y < h; ++y)
        for (size_t i = 0; i < size_t(w) * size_t(depth) / 8; ++i) img.row(y)[i] = uint8_t(i * 13 + y * 7);
    return img;
}

TEST(PngWrite, RoundTripsEveryDepthItWrites) {
    TempDir dir;
    for (int depth : {1, 4, 8, 24, 32}) {
        const std::string file = dir.file("d" + std::to_string(depth) + ".png");
        Image src = Pattern(depth, 13, 7);
        Status st;
        ASSERT_TRUE(lg::SavePng(file, src, lg::SaveOptions(), st)) << st.error;
        Image back = ReadFile(file, st);
        ASSERT_TRUE(back) << st.error;
        ASSERT_EQ(back.bitCount(), depth);
        ASSERT_EQ(back.size(), src.size());
        EXPECT_EQ(std::memcmp(back.data(), src.data(), src.size()), 0) << depth;
        const Bytes b = ReadBytes(file);
        EXPECT_EQ(b[25], depth <= 8 ? 3 : depth == 24 ? 2 : 6) << "colour type";
        const Bytes plte{'P', 'L', 'T', 'E'};
        EXPECT_EQ(std::search(b.begin(), b.end(), plte.begin(), plte.end()) != b.end(), depth <= 8);
#ifndef _WIN32
        ExpectImageMagickReads(file, src, depth);
#endif
    }
    Status st;
    EXPECT_FALSE(lg::SavePng(dir.file("x.png"), Image::Create(4, 4, 16, 0), lg::SaveOptions(), st));
}

// The filter types of a PNG's rows, from its inflated IDAT data.
std::vector<int> RowFilters(const Bytes& png, size_t rowBytes) {
    Bytes idat;
    for (size_t p = 8; p + 12 <= png.size();) {
        const size_t n = size_t(png[p]) << 24 | size_t(png[p + 1]) << 16 | size_t(png[p + 2]) << 8 | png[p + 3];
        if (std::memcmp(&png[p + 4], "IDAT", 4) == 0) idat.insert(idat.end(), &png[p + 8], &png[p + 8] + n);
        p += 12 + n;
    }
    Bytes rows(rowBytes * 1000);
    uLongf got = uLongf(rows.size());
    if (uncompress(rows.data(), &got, idat.data(), uLong(idat.size())) != Z_OK) return {};
    std::vector<int> types;
    for (size_t at = 0; at < got; at += rowBytes) types.push_back(rows[at]);
    return types;
}

// Rows made so that each filter type is the clear best for one of them, each
// below a row of noise: zeros (none), a ramp (sub), the noise again (up),
// each byte the average (avg) or the Paeth guess (paeth) of its neighbours.
Image RowsForEveryFilter(int w, int h, int depth) {
    Image img = Image::Create(w, h, depth, 0);
    const int bpp = depth / 8, n = w * bpp;
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        // The file's order is red, green, blue: build the row so, then store it.
        std::vector<int> r(size_t(n), 0), up(size_t(n), 0);
        if (y > 0)
            for (int i = 0; i < n; ++i) up[size_t(i)] = img.topRow(y - 1)[(i / bpp) * bpp + (i % bpp < 3 ? 2 - i % bpp : 3)];
        for (int i = 0; i < n; ++i) {
            const int a = i >= bpp ? r[size_t(i - bpp)] : 0, b = up[size_t(i)], c = i >= bpp ? up[size_t(i - bpp)] : 0;
            switch (y % 10) {
            case 1: r[size_t(i)] = 0; break;
            case 3: r[size_t(i)] = (i / bpp) * 2 % 256; break;
            case 5: r[size_t(i)] = b; break;
            case 7: r[size_t(i)] = (a + b) / 2; break;
            case 9: {  // the first pixel off the row above, or the guess is that row all along
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                r[size_t(i)] = i < bpp ? (b + 128) & 255 : pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                break;
            }
            default: seed = seed * 1103515245u + 12345u; r[size_t(i)] = int(seed >> 16) & 255;
            }
        }
        for (int i = 0; i < n; ++i) img.topRow(y)[(i / bpp) * bpp + (i % bpp < 3 ? 2 - i % bpp : 3)] = uint8_t(r[size_t(i)]);
    }
    return img;
}

TEST(PngWrite, TruecolourRowsTakeTheirBestFilterOnAnyThreadCount) {
    TempDir dir;
    for (int depth : {24, 32}) {
        const int w = 37, h = 50;
        Image src = RowsForEveryFilter(w, h, depth);
        Bytes first;
        for (int threads : {1, 2, 7}) {
            lg::platform::SetThreadCount(threads);
            lg::platform::SetWorkPerThread(1);
            const std::string file = dir.file("f" + std::to_string(depth) + "_" + std::to_string(threads) + ".png");
            Status st;
            const bool saved = lg::SavePng(file, src, lg::SaveOptions(), st);
            lg::platform::SetThreadCount(0);
            lg::platform::SetWorkPerThread(0);
            ASSERT_TRUE(saved) << st.error;
            const Bytes b = ReadBytes(file);
            if (first.empty()) first = b;
            EXPECT_EQ(b, first) << threads << " threads";
        }
        const std::vector<int> types = RowFilters(first, size_t(w) * size_t(depth / 8) + 1);
        ASSERT_EQ(types.size(), size_t(h));
        for (int y = 1; y < h; y += 2) EXPECT_EQ(types[size_t(y)], y % 10 / 2) << "row " << y;
#ifndef _WIN32
        // Every filter type's rows come back exactly through another decoder.
        ExpectImageMagickReads(dir.file("f" + std::to_string(depth) + "_1.png"), src, depth);
#endif
        Status st;
        Image back = ReadFile(dir.file("f" + std::to_string(depth) + "_1.png"), st);
        ASSERT_TRUE(back) << st.error;
        ASSERT_EQ(back.size(), src.size());
        EXPECT_EQ(std::memcmp(back.data(), src.data(), src.size()), 0) << depth << " (alpha included)";
    }
}

TEST(PngWrite, PaletteCoversEveryIndexInUse) {
    TempDir dir;
    Image img = Image::Create(4, 2, 8, 2);  // a table of two, a pixel using index 200
    img.setPaletteEntry(1, 10, 20, 30);
    img.row(0)[3] = 200;
    img.row(1)[0] = 1;
    Status st;
    ASSERT_TRUE(lg::SavePng(dir.file("p.png"), img, lg::SaveOptions(), st)) << st.error;
    Image back = lg::Expand8To24(ReadFile(dir.file("p.png"), st));
    EXPECT_EQ(Rgb24(back, 3, 1), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(Rgb24(back, 0, 0), (std::array<int, 3>{10, 20, 30}));
}

TEST(ConvertFile, EveryCombinationOfJpegPngAndBmp) {
    lgtest::ScratchSettings settings;
    TempDir dir;
    std::string msg;
    for (const char* ext : {".bmp", ".jpg", ".png"})
        ASSERT_EQ(lg::ConvertFile(DataPath("png_rgba8.png"), dir.file(std::string("in") + ext), {}, &msg),
                  lg::ConvertResult::Ok) << msg;
    for (std::string in : {"in.bmp", "in.jpg", "in.png"})
        for (std::string ext : {".bmp", ".jpg", ".png"}) {
            ASSERT_EQ(lg::ConvertFile(dir.file(in), dir.file(in + ext), {}, &msg), lg::ConvertResult::Ok) << msg;
            Status st;
            Image img = lg::LoadQuiet(dir.file(in + ext), {}, st);
            const bool lossy = in == "in.jpg" || ext == ".jpg";
            EXPECT_EQ(PixelsOff(img, "png_rgba8.ppm", lossy ? 64 : 0), 0) << in << ext << st.error;
        }
}

}  // namespace
