// The PNG reader and writer: every colour type and depth, filter type and
// kind of stream checked against ImageMagick's decode, the tables they get,
// image data in chunks of any size, hand-made damaged and oversized files
// (our decoder and libpng alone give the same), round trips through the
// writer; and convert mode across JPEG, PNG and BMP.
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

TEST(PngRead, EveryFilterStreamAndSampleSizeShowsWhatImageMagickShows) {
    std::vector<std::string> names = {"adaptive", "stored", "fixed", "rle", "huff", "rgba", "rgb16",
                                      "rgba16", "grey", "grey16", "greya", "pal", "narrow"};
    for (std::string& n : names) n = "im_" + n;
    for (const char* f : {"sub", "up", "avg", "paeth"})
        for (const char* type : {"g8", "rgb8", "rgba8", "rgb16", "rgba16"}) names.push_back(std::string(f) + "_" + type);
    for (const std::string& n : names) {
        Status st;
        Image img = ReadFile(DataPath("png_" + n + ".png"), st);
        ASSERT_TRUE(img) << n << ": " << st.error;
        EXPECT_EQ(PixelsOff(img, "png_" + n + ".ppm", 0), 0) << n;
    }
}

// The chunks of a file, type and data, and the file they make.
std::vector<std::pair<std::string, Bytes>> Chunks(const Bytes& png) {
    std::vector<std::pair<std::string, Bytes>> chunks;
    for (size_t p = 8; p + 12 <= png.size();) {
        const size_t n = size_t(png[p]) << 24 | size_t(png[p + 1]) << 16 | size_t(png[p + 2]) << 8 | png[p + 3];
        chunks.emplace_back(std::string(&png[p + 4], &png[p + 8]), Bytes(&png[p + 8], &png[p + 8] + n));
        p += 12 + n;
    }
    return chunks;
}

// The file again with its image data cut into IDAT chunks of `piece`
// bytes, an empty one before each, or in one chunk when `piece` is 0.
Bytes Rechunked(const Bytes& png, size_t piece) {
    Bytes out(png.begin(), png.begin() + 8), data;
    bool placed = false;
    for (const auto& [type, body] : Chunks(png)) {
        if (type != "IDAT") {
            if (type == "IEND" || !placed) AddChunk(out, type.c_str(), body);
            continue;
        }
        data.insert(data.end(), body.begin(), body.end());
        placed = true;
    }
    Bytes tail;
    AddChunk(tail, "IEND", Bytes());
    out.resize(out.size() - tail.size());
    for (size_t at = 0; at < data.size() || (piece == 0 && at == 0); at += piece ? piece : data.size()) {
        const size_t n = piece ? std::min(piece, data.size() - at) : data.size();
        if (piece) AddChunk(out, "IDAT", Bytes());
        AddChunk(out, "IDAT", Bytes(data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + n)));
        if (!piece) break;
    }
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

TEST(PngRead, ImageDataInChunksOfAnySizeGivesOnePicture) {
    const Bytes file = ReadBytes(DataPath("png_im_adaptive.png"));
    Status st;
    Image whole = FromMemory(file, st);
    ASSERT_TRUE(whole) << st.error;
    for (size_t piece : {size_t(0), size_t(1), size_t(5), size_t(4096)}) {
        Image img = FromMemory(Rechunked(file, piece), st);
        ASSERT_TRUE(img) << piece << ": " << st.error;
        ASSERT_EQ(img.size(), whole.size());
        EXPECT_EQ(std::memcmp(img.data(), whole.data(), img.size()), 0) << piece;
    }
}

// A 24-bit file of the zlib stream `packed`, in IDAT chunks of `piece` bytes.
Bytes RgbPngOf(uint32_t w, uint32_t h, const Bytes& packed, size_t piece) {
    Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    PutBE32(ihdr, w);
    PutBE32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    AddChunk(png, "IHDR", ihdr);
    for (size_t at = 0; at < packed.size(); at += piece)
        AddChunk(png, "IDAT", Bytes(packed.begin() + std::ptrdiff_t(at),
                                    packed.begin() + std::ptrdiff_t(std::min(packed.size(), at + piece))));
    AddChunk(png, "IEND", Bytes());
    return png;
}

Bytes Zlib(const Bytes& raw) {
    Bytes packed(compressBound(uLong(raw.size())));
    uLongf n = uLongf(packed.size());
    EXPECT_EQ(compress(packed.data(), &n, raw.data(), uLong(raw.size())), Z_OK);
    packed.resize(n);
    return packed;
}

Bytes RgbPng(uint32_t w, uint32_t h, const Bytes& raw) { return RgbPngOf(w, h, Zlib(raw), 1000); }

// Rows of each filter type over noise, as a file stores them.
Bytes FilteredRows(uint32_t w, uint32_t h) {
    Bytes raw;
    uint32_t seed = 5;
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(uint8_t(y % 5));
        for (uint32_t i = 0; i < 3 * w; ++i) raw.push_back(uint8_t((seed = seed * 1103515245u + 12345u) >> 16));
    }
    return raw;
}

// The same bytes read from a source that does not start the file (libpng
// alone reads those) give the same picture or the same message.
void ExpectSameAsLibpngAlone(const Bytes& png, const std::string& what) {
    Status fast, alone;
    Image a = FromMemory(png, fast);
    Bytes shifted{0};
    shifted.insert(shifted.end(), png.begin(), png.end());
    lg::ByteSource in = lg::ByteSource::FromMemory(shifted.data(), shifted.size());
    in.skip(1);
    Image b = lg::ReadPngFrom(in, alone);
    EXPECT_EQ(fast.error, alone.error) << what;
    ASSERT_EQ(bool(a), bool(b)) << what;
    if (a) {
        ASSERT_EQ(a.size(), b.size()) << what;
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size()), 0) << what;
    }
}

TEST(PngRead, LargePicturesAreTheSameOnAnyThreadCount) {
    const uint32_t w = 701, h = 400;  // rows unfiltered on a second thread
    const Bytes png = RgbPng(w, h, FilteredRows(w, h));
    for (int threads : {1, 2, 7}) {
        lg::platform::SetThreadCount(threads);
        ExpectSameAsLibpngAlone(png, std::to_string(threads) + " threads");
    }
    lg::platform::SetThreadCount(0);
}

TEST(PngRead, DamagedImageDataGivesWhatLibpngGives) {
    const uint32_t w = 31, h = 40;
    const Bytes raw = FilteredRows(w, h), good = RgbPng(w, h, raw);
    ExpectSameAsLibpngAlone(good, "sound");
    Status st;
    EXPECT_TRUE(FromMemory(good, st)) << st.error;

    Bytes badCrc = good;  // the checksum of the second IDAT chunk
    const size_t secondIdat = 8 + 25 + 1012;
    ASSERT_EQ(std::memcmp(&badCrc[secondIdat + 4], "IDAT", 4), 0);
    badCrc[secondIdat + 8 + 1000] ^= 1;
    ExpectSameAsLibpngAlone(badCrc, "CRC");
    EXPECT_EQ((FromMemory(badCrc, st), st.error), "This is not a valid PNG File ! - IDAT: CRC error");

    for (size_t cut : {secondIdat - 500, secondIdat + 3, good.size() - 20, good.size() - 16})
        ExpectSameAsLibpngAlone(Bytes(good.begin(), good.begin() + std::ptrdiff_t(cut)), "cut at " + std::to_string(cut));
    EXPECT_EQ((FromMemory(Bytes(good.begin(), good.begin() + 1500), st), st.error),
              "This is not a valid PNG File ! - unexpected end of file");

    Bytes badFilter = raw;
    badFilter[size_t(3 * w + 1) * 7] = 5;
    ExpectSameAsLibpngAlone(RgbPng(w, h, badFilter), "filter 5");
    EXPECT_EQ((FromMemory(RgbPng(w, h, badFilter), st), st.error),
              "This is not a valid PNG File ! - bad adaptive filter value");

    const Bytes shortRows(raw.begin(), raw.end() - 1), longRows = FilteredRows(w, h + 1);
    ExpectSameAsLibpngAlone(RgbPng(w, h, shortRows), "a byte short");
    ExpectSameAsLibpngAlone(RgbPng(w, h, longRows), "a row too many");
    Bytes badSum = Zlib(raw);
    badSum.back() ^= 0x40;
    ExpectSameAsLibpngAlone(RgbPngOf(w, h, badSum, 1000), "checksum");
    ExpectSameAsLibpngAlone(RgbPngOf(w, h, badSum, badSum.size() - 3), "checksum in a chunk of its own");
    Bytes trailing = Zlib(raw);
    trailing.push_back(0);
    ExpectSameAsLibpngAlone(RgbPngOf(w, h, trailing, 1000), "a byte after the stream");
    Bytes extraChunk = RgbPng(w, h, raw);
    extraChunk.resize(extraChunk.size() - 12);
    AddChunk(extraChunk, "IDAT", Bytes{1, 2, 3});
    AddChunk(extraChunk, "IEND", Bytes());
    ExpectSameAsLibpngAlone(extraChunk, "a chunk after the stream");
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
